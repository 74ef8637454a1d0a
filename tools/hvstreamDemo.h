// The parts of `hvstream demo`: the stream tour (hvstreamDemoStreams.cpp) and the
// protocolInfo tour (hvstreamDemoProtocol.cpp), reporting into one readable report.
#ifndef HVSTREAM_DEMO_H
#define HVSTREAM_DEMO_H

#include <string>

// The demo's report on standard output: sections, one line per check, notes under them.
class hvDemoReport {
 public:
  void Section(const char* title);
  // One "ok" or "FAIL" line; a failure makes the demo exit with 1.
  void Check(bool ok, const std::string& what);
  void Note(const std::string& text);
  int Checks() const { return m_checks; }
  int Failures() const { return m_failures; }

 private:
  int m_checks = 0;
  int m_failures = 0;
};

// Writes a sample file into `folder` and reads it through the file, range, buffered, memory
// and progressive streams, every byte compared. Leaves its files in the folder.
void hvDemo_RunStreams(hvDemoReport& report, const std::string& folder);
// Parses and decodes realistic protocolInfo texts, merges two device lists and wraps a
// record for DTCP.
void hvDemo_RunProtocol(hvDemoReport& report);

#endif
