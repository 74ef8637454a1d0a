// hvToolArgs: the arguments of one hvstream command. Options are written --name, --name VALUE
// or --name=VALUE; "--" ends the options; "-" is an operand (standard input). Every command
// accepts --help. Errors are reported on standard error as usage errors.
#ifndef HVSTREAM_ARGS_H
#define HVSTREAM_ARGS_H

#include <cstdint>
#include <string>
#include <vector>

// One option a command accepts; a list of them ends with a null name.
struct hvToolOption {
  const char* name;  // without the leading "--"
  bool takesValue;
};

class hvToolArgs {
 public:
  // `command` names the command in messages; `options` must outlive the object.
  hvToolArgs(const char* command, const hvToolOption* options);

  // Parses argv[1..argc) (argv[0] is the command). Returns -1 when the command should run;
  // otherwise the exit status: 0 after printing `help` for --help, 2 after a usage error.
  int Start(int argc, char** argv, const char* help);

  bool Has(const char* name) const;
  // The last value given for the option, or null.
  const char* Value(const char* name) const;
  const std::vector<std::string>& Operands() const { return m_operands; }

  // The option as a byte count (digits, optionally followed by K, M or G for binary
  // multiples): `fallback` when absent. False after reporting a malformed or zero value
  // (zero is refused unless `allowZero`).
  bool Size(const char* name, uint64_t fallback, uint64_t* value, bool allowZero = false) const;
  // Reports a usage error when the operand count is outside [least, most]; -1 means no
  // upper bound. Returns khvToolExit_Usage then, -1 otherwise.
  int CheckOperands(int least, int most, const char* what) const;

  const char* Command() const { return m_command; }

 private:
  const hvToolOption* Find(const char* name, size_t length) const;

  const char* m_command;
  const hvToolOption* m_options;
  std::vector<std::pair<std::string, std::string>> m_given;  // name, value ("" for flags)
  std::vector<std::string> m_operands;
};

#endif
