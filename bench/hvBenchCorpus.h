// The texts the parser benchmarks run on: the real-world corpus when it is there (the folder
// named by HV_CORPUS_DIR, as for the tests, else the shared folder beside the project, which
// the build names as HV_BENCH_CORPUS_DIR), read at run time one text a line; else the
// program's own built-in texts, so the benchmarks run anywhere.
#ifndef HV_BENCH_HVBENCHCORPUS_H
#define HV_BENCH_HVBENCHCORPUS_H

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

// The non-empty lines of the corpus file `name`; empty when the file is absent.
inline std::vector<std::string> hvBenchCorpusLines(const char* name) {
  const char* folder = getenv("HV_CORPUS_DIR");
  std::string base = folder && *folder ? folder : HV_BENCH_CORPUS_DIR;
  std::vector<std::string> lines;
  std::ifstream in(base + "/" + name, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

template <size_t N>
std::vector<std::string> hvBenchCorpusLines(const char* name, const char* const (&builtIn)[N]) {
  std::vector<std::string> lines = hvBenchCorpusLines(name);
  if (lines.empty()) lines.assign(builtIn, builtIn + N);
  return lines;
}

#endif
