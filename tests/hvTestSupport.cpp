#include "hvTestSupport.h"

#include <atomic>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

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
  std::filesystem::path base = std::filesystem::temp_directory_path();
  for (;;) {
    std::filesystem::path candidate =
        base / ("hvtest-" + std::to_string(random()) + "-" + std::to_string(counter++));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) {
      m_path = candidate.generic_string();
      return;
    }
  }
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

bool hvReadLines(const std::string& path, std::vector<std::string>* lines) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines->push_back(line);
  }
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
