// Shared test helpers: capture of log records, temporary files and folders.
#ifndef HV_TESTS_HVTESTSUPPORT_H
#define HV_TESTS_HVTESTSUPPORT_H

#include <chrono>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "hv/hvCString.h"
#include "hv/hvLog.h"

struct hvCapturedRecord {
  int severity;
  int category;
  std::string file;
  int line;
  std::string message;
};

// While alive, opens the log gate (level 2) and collects every record; restores the
// default sink and the previous level when destroyed. Thread-safe.
class hvLogCapture {
 public:
  explicit hvLogCapture(uint16_t level = 2);
  ~hvLogCapture();
  hvLogCapture(const hvLogCapture&) = delete;
  hvLogCapture& operator=(const hvLogCapture&) = delete;

  std::vector<hvCapturedRecord> Records() const;
  size_t Count() const;
  // Number of records whose message equals `message` exactly.
  size_t CountMessage(const std::string& message) const;
  void Clear();

 private:
  static void Sink(const hvLogRecord* record, void* self);

  mutable std::mutex m_lock;
  std::vector<hvCapturedRecord> m_records;
  uint16_t m_previousLevel;
};

// A folder created under the system's temporary folder, removed with its files on
// destruction. Paths use '/' separators, which both systems accept.
class hvTempDir {
 public:
  hvTempDir();
  ~hvTempDir();
  hvTempDir(const hvTempDir&) = delete;
  hvTempDir& operator=(const hvTempDir&) = delete;

  const std::string& Path() const { return m_path; }
  std::string File(const std::string& name) const { return m_path + "/" + name; }
  // Writes `bytes` to the named file and returns its path.
  std::string WriteFile(const std::string& name, const std::string& bytes) const;

 private:
  std::string m_path;
};

// Lets GoogleTest print texts in failure messages.
inline void PrintTo(const hvCString& text, std::ostream* out) {
  *out << '"' << text.c_str() << '"';
}

// The path of a file of the shared real-world corpus (HV_CORPUS_DIR in the environment
// overrides the folder).
std::string hvCorpusPath(const std::string& file);

// Reads a corpus file for the running test, with one rule for every corpus test: an absent
// corpus folder skips the test with the reason (fails it when the corpus is required:
// HV_REQUIRE_CORPUS at build time or in the environment); a file that is missing,
// unreadable or empty fails it. True when the contents are there; on false the caller
// returns at once. hvCorpusLines splits the text as hvReadLines does.
bool hvCorpusText(const std::string& file, std::string* text);
bool hvCorpusLines(const std::string& file, std::vector<std::string>* lines);

// Reads a text file's lines (without their line ends); false when it cannot be opened.
bool hvReadLines(const std::string& path, std::vector<std::string>* lines);

// Returns a text the library allocated and frees it; null reads as "(null)".
std::string hvTakeText(char* text);

// Deterministic test bytes: byte i of a pattern depends on i and the seed.
std::string hvPatternBytes(size_t length, uint32_t seed = 1);

// Repeats a stress case for the soak run. Without HV_SOAK_SECONDS in the environment,
// Again() is true once, so the ordinary run keeps its length; with it, Again() stays true
// until that many seconds have passed or the test has failed, and the destructor prints
// "soak <name>: N rounds, M operations[, B bytes checked]" with what Count() added up.
//   for (hvSoak soak("ring seeks"); soak.Again();) soak.Count(RunOneRound());
class hvSoak {
 public:
  explicit hvSoak(const char* name);
  ~hvSoak();
  hvSoak(const hvSoak&) = delete;
  hvSoak& operator=(const hvSoak&) = delete;

  bool Again();
  void Count(uint64_t operations, uint64_t bytesChecked = 0) {
    m_operations += operations;
    m_bytes += bytesChecked;
  }
  // True when the soak run asked for more than one round.
  static bool Soaking();

 private:
  std::string m_name;
  std::chrono::steady_clock::time_point m_end;
  uint64_t m_rounds = 0, m_operations = 0, m_bytes = 0;
};

#endif
