#include "hv/hvStoppableThread.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>

#include "hvThreadOS.h"

namespace {

struct RunState {
  std::atomic<bool> running{false};
  // Set by the thread itself while it runs, so the thread always sees its own id; cleared
  // before it ends, since the system may give the id to a later thread.
  std::atomic<std::thread::id> id{std::thread::id()};
};

}  // namespace

struct hvStoppableThread::Impl {
  std::string name;
  std::atomic<int> parameter;
  std::atomic<uint16_t> priority{0};
  std::atomic<hvOSThread_Data*> data{nullptr};
  std::atomic<bool> cancelled{false};
  // Shared with the running thread, which still writes it after OnRun() has returned, when
  // OnRun() may have destroyed this object.
  std::shared_ptr<RunState> runState = std::make_shared<RunState>();
  // Guards `thread`: starting, joining and detaching may come from several threads.
  std::mutex threadLock;
  std::thread thread;

  Impl(const char* threadName, int threadParameter)
      : name(threadName ? threadName : ""), parameter(threadParameter) {}

  // The thread's body. Takes its own reference to the run state.
  static void Run(hvStoppableThread* self, std::shared_ptr<RunState> state);
};

hvStoppableThread::hvStoppableThread(const char* name, int parameter)
    : m_threadData(0), m_impl(new (std::nothrow) Impl(name, parameter)) {}

hvStoppableThread::~hvStoppableThread() {
  if (!m_impl) return;
  if (InThreadContext()) {
    // OnRun() destroys its own object: nobody can join this thread any more, and the thread
    // touches only the shared run state once OnRun() returns.
    std::lock_guard<std::mutex> guard(m_impl->threadLock);
    if (m_impl->thread.joinable()) m_impl->thread.detach();
  } else {
    hvStoppableThread::ThreadCancel();
    ThreadWaitTerminate();
  }
  delete m_impl;
}

int hvStoppableThread::Go(int parameter) {
  if (m_impl) m_impl->parameter.store(parameter);
  return ThreadCreate();
}

bool hvStoppableThread::TestExit() { return m_impl && m_impl->cancelled.load(); }

void hvStoppableThread::ThreadCancel() {
  if (m_impl) m_impl->cancelled.store(true);
}

void hvStoppableThread::ThreadSetData(hvOSThread_Data* data) {
  if (m_impl) m_impl->data.store(data);
}

void hvStoppableThread::Entry() {
  if (!m_impl->name.empty()) hvThreadOS_NameCurrent(m_impl->name.c_str());
  OnRun();
}

void hvStoppableThread::Impl::Run(hvStoppableThread* self, std::shared_ptr<RunState> state) {
  state->id.store(std::this_thread::get_id());
  self->Entry();  // from here on `self` may be gone
  state->id.store(std::thread::id());
  state->running.store(false);
}

int hvStoppableThread::ThreadCreate() {
  // On the thread itself it is running by definition; taking the lock there could also
  // deadlock against an owner that holds it while joining this very thread.
  if (!m_impl || InThreadContext()) return -1;
  std::lock_guard<std::mutex> guard(m_impl->threadLock);
  RunState& state = *m_impl->runState;
  if (state.running.load()) return -1;
  // An earlier run has ended but was never waited for.
  if (m_impl->thread.joinable()) m_impl->thread.join();
  state.running.store(true);
  try {
    m_impl->thread = std::thread(&hvStoppableThread::Impl::Run, this, m_impl->runState);
  } catch (...) {
    state.running.store(false);
    return -1;
  }
  return 0;
}

int hvStoppableThread::ThreadSetPriority(uint16_t priority) {
  if (m_impl) m_impl->priority.store(priority);
  return 0;
}

void hvStoppableThread::ThreadWaitTerminate() {
  if (!m_impl || InThreadContext()) return;
  std::lock_guard<std::mutex> guard(m_impl->threadLock);
  if (m_impl->thread.joinable()) m_impl->thread.join();
}

bool hvStoppableThread::InThreadContext() const {
  return m_impl && m_impl->runState->id.load() == std::this_thread::get_id();
}

bool hvStoppableThread::IsRunning() const { return m_impl && m_impl->runState->running.load(); }

void hvStoppableThread::ThreadSleep(uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

const char* hvStoppableThread::GetName() const { return m_impl ? m_impl->name.c_str() : ""; }

int hvStoppableThread::GetParameter() const { return m_impl ? m_impl->parameter.load() : 0; }

uint16_t hvStoppableThread::GetPriority() const {
  return m_impl ? m_impl->priority.load() : uint16_t(0);
}

hvOSThread_Data* hvStoppableThread::ThreadGetData() const {
  return m_impl ? m_impl->data.load() : nullptr;
}
