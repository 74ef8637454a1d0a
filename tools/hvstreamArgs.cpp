// Argument parsing shared by the hvstream commands.
#include "hvstreamArgs.h"

#include <cstdio>
#include <cstring>

#include "hvstreamTool.h"

hvToolArgs::hvToolArgs(const char* command, const hvToolOption* options)
    : m_command(command), m_options(options) {}

const hvToolOption* hvToolArgs::Find(const char* name, size_t length) const {
  for (const hvToolOption* option = m_options; option && option->name; ++option)
    if (strlen(option->name) == length && strncmp(option->name, name, length) == 0) return option;
  return nullptr;
}

int hvToolArgs::Start(int argc, char** argv, const char* help) {
  // --help wins over everything else on the line, even over mistakes in it.
  for (int i = 1; i < argc && strcmp(argv[i], "--") != 0; ++i) {
    if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
      fputs(help, stdout);
      return khvToolExit_OK;
    }
  }
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (optionsEnded || arg[0] != '-' || strcmp(arg, "-") == 0) {
      m_operands.push_back(arg);
      continue;
    }
    if (strcmp(arg, "--") == 0) {
      optionsEnded = true;
      continue;
    }
    if (arg[1] != '-') return hvTool_UsageError(m_command, "unknown option '%s'", arg);
    const char* name = arg + 2;
    const char* equals = strchr(name, '=');
    size_t nameLength = equals ? static_cast<size_t>(equals - name) : strlen(name);
    const hvToolOption* option = Find(name, nameLength);
    if (!option) return hvTool_UsageError(m_command, "unknown option '%s'", arg);
    std::string value;
    if (option->takesValue) {
      if (equals) {
        value = equals + 1;
      } else if (i + 1 < argc) {
        value = argv[++i];
      } else {
        return hvTool_UsageError(m_command, "option '--%s' needs a value", option->name);
      }
    } else if (equals) {
      return hvTool_UsageError(m_command, "option '--%s' takes no value", option->name);
    }
    m_given.emplace_back(option->name, value);
  }
  return -1;
}

bool hvToolArgs::Has(const char* name) const { return Value(name) != nullptr; }

const char* hvToolArgs::Value(const char* name) const {
  const char* found = nullptr;
  for (const auto& given : m_given)
    if (given.first == name) found = given.second.c_str();
  return found;
}

bool hvToolArgs::Size(const char* name, uint64_t fallback, uint64_t* value, bool allowZero) const {
  const char* text = Value(name);
  if (!text) {
    *value = fallback;
    return true;
  }
  uint64_t number = 0;
  const char* p = text;
  for (; *p >= '0' && *p <= '9'; ++p) {
    uint64_t digit = static_cast<uint64_t>(*p - '0');
    if (number > (UINT64_MAX - digit) / 10) {
      hvTool_UsageError(m_command, "--%s: '%s' is too large", name, text);
      return false;
    }
    number = number * 10 + digit;
  }
  // A binary multiple: K, M or G, in either case.
  static const char kSuffixes[] = "kKmMgG";
  unsigned shift = 0;
  const char* suffix = p != text && *p ? strchr(kSuffixes, *p) : nullptr;
  if (suffix) {
    shift = 10 * static_cast<unsigned>((suffix - kSuffixes) / 2 + 1);
    ++p;
  }
  if (p == text || *p != '\0') {
    hvTool_UsageError(m_command, "--%s: '%s' is not a byte count", name, text);
    return false;
  }
  if (shift && number > (UINT64_MAX >> shift)) {
    hvTool_UsageError(m_command, "--%s: '%s' is too large", name, text);
    return false;
  }
  number <<= shift;
  if (number == 0 && !allowZero) {
    hvTool_UsageError(m_command, "--%s: must not be 0", name);
    return false;
  }
  *value = number;
  return true;
}

int hvToolArgs::CheckOperands(int least, int most, const char* what) const {
  int count = static_cast<int>(m_operands.size());
  if (count < least) return hvTool_UsageError(m_command, "missing %s", what);
  if (most >= 0 && count > most)
    return hvTool_UsageError(m_command, "unexpected operand '%s'",
                             m_operands[static_cast<size_t>(most)].c_str());
  return -1;
}
