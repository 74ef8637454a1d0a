// hvStoppableThread: a thread object that a derived class fills with OnRun(). Stopping is
// cooperative: ThreadCancel() raises a flag that OnRun() polls through TestExit(). All
// members may be called from any thread, the running one included.
//
// The owner stops the thread (ThreadCancel(), then ThreadWaitTerminate()) before destroying
// a derived object: by the time this base destructor runs, the derived part that OnRun()
// uses is gone. The base destructor still cancels and joins a thread left running, so a
// forgotten stop never ends the process.
#ifndef HV_HVSTOPPABLETHREAD_H
#define HV_HVSTOPPABLETHREAD_H

#include <cstdint>

#include "hv/hvPlatform.h"

// System data a caller may attach to a thread object; the thread object never reads it.
struct hvOSThread_Data;

class HV_EXPORT hvStoppableThread {
 public:
  // `name` names the system thread where the system allows it (null: no name). `parameter`
  // is kept for the derived class (GetParameter()); the base gives it no meaning.
  hvStoppableThread(const char* name, int parameter);
  virtual ~hvStoppableThread();
  hvStoppableThread(const hvStoppableThread&) = delete;
  hvStoppableThread& operator=(const hvStoppableThread&) = delete;

  // Replaces the parameter, then starts the thread; returns what ThreadCreate() returns.
  virtual int Go(int parameter);
  // True once ThreadCancel() has been called. A cancelled object stays cancelled.
  virtual bool TestExit();

 protected:
  // The thread's work, run once per ThreadCreate(). Returns when TestExit() turns true or
  // when it has nothing more to do.
  virtual void OnRun() = 0;

 public:
  virtual void ThreadCancel();
  virtual void ThreadSetData(hvOSThread_Data* data);

 protected:
  // Runs on the new thread: names it, then calls OnRun().
  virtual void Entry();

 public:
  // 0 when the thread was started; -1 when it is still running from an earlier start or
  // the system refused a new thread.
  int ThreadCreate();
  // Kept for the derived class; the thread keeps the system's normal priority. Returns 0.
  int ThreadSetPriority(uint16_t priority);
  // Returns once OnRun() has returned. Returns at once when the thread was never started,
  // has already been waited for, or when called on the thread itself.
  void ThreadWaitTerminate();
  bool InThreadContext() const;
  // True from ThreadCreate() until OnRun() has returned.
  bool IsRunning() const;

  static void ThreadSleep(uint32_t milliseconds);

  const char* GetName() const;
  int GetParameter() const;
  uint16_t GetPriority() const;
  hvOSThread_Data* ThreadGetData() const;

 protected:
  // Free for the derived class; the base never reads or writes it after construction (0).
  int32_t m_threadData;

 private:
  struct Impl;
  Impl* m_impl;
};

#endif
