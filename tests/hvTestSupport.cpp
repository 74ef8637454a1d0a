#include "hvTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "hulvoStreaming/hvMemory.h"

hvLogCapture::hvLogCapture(uint16_t level) : m_previousLevel(_hvLog_Level.load()) {
  hvLog_SetSink(&hvLogCapture::Sink, this);
  hvLog_SetLevel(level);
}

hvLogCapture::~hvLogCapture() {
  hvLog_SetLevel(m_previousLevel);
  hvLog_SetSink(nullptr, nullptr);
}

void hvLogCapture::Sink(const hvLogRecord* record, void* self) {
  auto* capture = static_cast<hvLogCapture*>(self);
  std::lock_guard<std::mutex> guard(capture->m_lock);
  capture->m_records.push_back({record->severity, record->category,
                                record->file ? record->file : "", static_cast<int>(record->line),
                                std::string(record->message, record->length)});
}

std::vector<hvCapturedRecord> hvLogCapture::Records() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_records;
}

size_t hvLogCapture::Count() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_records.size();
}

size_t hvLogCapture::CountMessage(const std::string& message) const {
  std::lock_guard<std::mutex> guard(m_lock);
  size_t count = 0;
  for (const auto& record : m_records) count += record.message == message ? 1 : 0;
  return count;
}

void hvLogCapture::Clear() {
  std::lock_guard<std::mutex> guard(m_lock);
  m_records.clear();
}

hvTempDir::hvTempDir() {
  static std::atomic<unsigned> counter{0};
  std::random_device random;
  std::error_code error;
  std::filesystem::path base = std::filesystem::temp_directory_path(error);
  // A name is taken only by a concurrent test, so a few tries find a free one; a folder that
  // cannot be created at all (full disk, no permission) fails at once instead of looping.
  constexpr int kAttempts = 100;
  for (int attempt = 0; !error && attempt < kAttempts; ++attempt) {
    std::filesystem::path candidate =
        base / ("hvtest-" + std::to_string(random()) + "-" + std::to_string(counter++));
    if (std::filesystem::create_directory(candidate, error)) {
      m_path = candidate.generic_string();
      return;
    }
    if (!error) continue;  // the name exists: try another
    if (error == std::errc::file_exists) error.clear();
  }
  ADD_FAILURE() << "cannot create a temporary folder under \"" << base.generic_string()
                << "\": " << (error ? error.message() : "every name tried was taken");
  // Files then land in a path that does not exist, so the test fails where it writes.
  m_path = (base / "hvtest-unavailable").generic_string();
}

hvTempDir::~hvTempDir() {
  std::error_code error;
  std::filesystem::remove_all(m_path, error);
}

std::string hvTempDir::WriteFile(const std::string& name, const std::string& bytes) const {
  std::string path = File(name);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::string hvCorpusPath(const std::string& file) {
  const char* overridden = getenv("HV_CORPUS_DIR");
  return std::string(overridden && *overridden ? overridden : HV_CORPUS_DIR) + "/" + file;
}

namespace {

void SplitLines(const std::string& text, std::vector<std::string>* lines) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines->push_back(line);
  }
}

bool ReadWhole(const std::string& path, std::string* text) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream contents;
  contents << file.rdbuf();
  *text = contents.str();
  return !file.bad();
}

bool CorpusRequired() {
  const char* required = getenv("HV_REQUIRE_CORPUS");
  if (required && *required) return strcmp(required, "0") != 0 && strcmp(required, "OFF") != 0;
  return HV_REQUIRE_CORPUS != 0;
}

}  // namespace

bool hvReadLines(const std::string& path, std::vector<std::string>* lines) {
  std::string text;
  if (!ReadWhole(path, &text)) return false;
  SplitLines(text, lines);
  return true;
}

bool hvCorpusText(const std::string& file, std::string* text) {
  const std::string path = hvCorpusPath(file);
  const std::string folder = std::filesystem::path(path).parent_path().generic_string();
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    if (CorpusRequired()) {
      ADD_FAILURE() << "corpus folder \"" << folder << "\" is required but absent";
      return false;
    }
    // GTEST_SKIP returns from the function it is written in, hence the lambda.
    [&] { GTEST_SKIP() << "corpus folder \"" << folder << "\" absent"; }();
    return false;
  }
  if (!ReadWhole(path, text)) {
    ADD_FAILURE() << "corpus file \"" << path << "\" cannot be read";
    return false;
  }
  if (text->empty()) {
    ADD_FAILURE() << "corpus file \"" << path << "\" is empty";
    return false;
  }
  return true;
}

bool hvCorpusLines(const std::string& file, std::vector<std::string>* lines) {
  std::string text;
  if (!hvCorpusText(file, &text)) return false;
  SplitLines(text, lines);
  return true;
}

std::string hvTakeText(char* text) {
  std::string kept = text ? text : "(null)";
  hvMemory_Free(text);
  return kept;
}

std::string hvPatternBytes(size_t length, uint32_t seed) {
  std::string bytes(length, '\0');
  uint32_t state = seed * 2654435761u + 1;
  for (size_t i = 0; i < length; ++i) {
    state = state * 1664525u + 1013904223u;
    bytes[i] = static_cast<char>((state >> 24) ^ (i & 0xFF));
  }
  return bytes;
}

namespace {
int SoakSeconds() {
  const char* text = getenv("HV_SOAK_SECONDS");
  return text ? std::max(0, atoi(text)) : 0;
}
}  // namespace

hvSoak::hvSoak(const char* name)
    : m_name(name), m_end(std::chrono::steady_clock::now() + std::chrono::seconds(SoakSeconds())) {}

hvSoak::~hvSoak() {
  if (Soaking()) {
    printf("soak %s: %llu rounds, %llu operations", m_name.c_str(),
           static_cast<unsigned long long>(m_rounds),
           static_cast<unsigned long long>(m_operations));
    if (m_bytes > 0) printf(", %llu bytes checked", static_cast<unsigned long long>(m_bytes));
    printf("\n");
    fflush(stdout);
  }
}

bool hvSoak::Again() {
  if (m_rounds > 0 && (::testing::Test::HasFailure() || std::chrono::steady_clock::now() >= m_end))
    return false;
  ++m_rounds;
  return true;
}

bool hvSoak::Soaking() { return SoakSeconds() > 0; }
