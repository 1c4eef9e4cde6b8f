#include "CommandLine.h"

namespace {

// Blanks and every control character separate parameters. Bytes of UTF-8
// sequences are above the blank, so non-ASCII text never separates.
bool IsSeparator(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Reads one parameter starting at `pos` (which is not a separator); returns
// the position after it. Quotes switch the quoted state and are dropped; an
// unterminated quote runs to the end of the line.
size_t ReadParameter(const std::string& line, size_t pos, std::string& parameter) {
  bool quoted = false;
  for (; pos < line.size(); ++pos) {
    const char c = line[pos];
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && IsSeparator(c)) {
      break;
    } else {
      parameter += c;
    }
  }
  return pos;
}

}  // namespace

std::vector<TParameter> SplitCommandLineAt(const std::string& commandLine) {
  std::vector<TParameter> parameters;
  size_t pos = 0;
  while (pos < commandLine.size()) {
    if (IsSeparator(commandLine[pos])) {
      ++pos;
      continue;
    }
    const size_t start = pos;
    std::string parameter;
    pos = ReadParameter(commandLine, pos, parameter);
    if (!parameter.empty()) parameters.push_back({std::move(parameter), start});
  }
  return parameters;
}

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::vector<std::string> parameters;
  for (TParameter& p : SplitCommandLineAt(commandLine)) parameters.push_back(std::move(p.text));
  return parameters;
}

bool HasUninstallSwitch(const std::string& commandLine) {
  const std::vector<std::string> parameters = SplitCommandLine(commandLine);
  for (size_t i = 1; i < parameters.size(); ++i) {
    const std::string& p = parameters[i];
    if (p.size() == 2 && p[0] == '/' && (p[1] == 'u' || p[1] == 'U')) return true;
  }
  return false;
}
