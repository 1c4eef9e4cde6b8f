#include "UnattendedOptions.h"

#include <cctype>

#include "CommandLine.h"

namespace {

std::string AsciiUpper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool StartsWithSwitch(const std::string& parameter, const char* name) {
  const std::string upper = AsciiUpper(parameter.substr(0, std::string(name).size()));
  return upper == name;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// The rest of the line after "/D=", exactly: blanks inside stay, the line's
// trailing blanks go. Quotes are no part of a folder name: one in the rest
// means the line was written for other rules, and guessing which part is
// the folder could install somewhere nobody asked for.
std::string FolderOfRest(const std::string& line, const TParameter& parameter, std::string& error) {
  std::string rest = line.substr(parameter.start + 3);
  while (!rest.empty() && IsBlank(rest.back())) rest.pop_back();
  if (rest.find('"') != std::string::npos)
    error = "/D=" + rest +
            ": /D= takes the rest of the line as the folder, which cannot hold a quote (quote the "
            "whole switch instead: \"/D=folder\")";
  return rest;
}

// The row whose keyword `name` is (upper case); -1 when none is.
int ComponentNamed(const std::string& name) {
  for (int row = 0; row < kComponentCount; ++row) {
    if (kComponents[row].keyword && AsciiUpper(kComponents[row].keyword) == name) return row;
  }
  return -1;
}

std::string KnownComponents() {
  std::string known;
  for (const TComponent& component : kComponents) {
    if (component.keyword) known += (known.empty() ? "" : ", ") + std::string(component.keyword);
  }
  return known;
}

std::string ReadComponents(const std::string& list, TUnattendedOptions& options) {
  options.components = TChoice();
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    const std::string name = AsciiUpper(list.substr(start, end - start));
    const int row = ComponentNamed(name);
    if (row >= 0) {
      options.components.Set(row, true);
    } else if (!(name.empty() && list.empty())) {
      return "unknown component \"" + list.substr(start, end - start) +
             "\" in /COMPONENTS= (known: " + KnownComponents() + ")";
    }
    start = end + 1;
  }
  return std::string();
}

std::string CheckFolder(const TUnattendedOptions& options) {
  if (options.folder.empty()) return "/D= names no folder";
  if (!IsAbsoluteDrivePath(options.folder))
    return "/D=" + options.folder + " is not an absolute path on a drive (such as C:\\Programs)";
  return std::string();
}

}  // namespace

bool IsAbsoluteDrivePath(const std::string& folder) {
  return folder.size() >= 3 && std::isalpha(static_cast<unsigned char>(folder[0])) &&
         folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/');
}

namespace {

// Reads one parameter into `options`; false when it is not one of ours.
bool ReadSwitch(const std::string& line, const TParameter& parameter, TUnattendedOptions& options,
                std::string& error, bool& last) {
  const std::string& text = parameter.text;
  const std::string upper = AsciiUpper(text);
  if (upper == "/S") {
    options.silent = true;
  } else if (upper == "/PASSIVE") {
    options.silent = options.passive = true;
  } else if (upper == "/NOCLOSEAPPLICATIONS") {
    options.closeApplications = false;
  } else if (upper == "/U") {
    // The run mode reads it (HasUninstallSwitch); here it is only counted.
  } else if (StartsWithSwitch(text, "/LOG=")) {
    options.logPath = text.substr(5);
    if (options.logPath.empty()) error = "/LOG= names no file";
  } else if (StartsWithSwitch(text, "/COMPONENTS=")) {
    error = ReadComponents(text.substr(12), options);
  } else if (StartsWithSwitch(text, "/D=")) {
    options.hasFolder = true;
    const bool quoted = line[parameter.start] == '"';
    options.folder = quoted ? text.substr(3) : FolderOfRest(line, parameter, error);
    if (error.empty()) error = CheckFolder(options);
    last = !quoted;  // the rest of the line was the folder
  } else {
    return false;
  }
  return true;
}

// The switch's name as it is compared: "/LOG=" for every "/LOG=file";
// "/S" and "/PASSIVE" are one choice, made once.
std::string SwitchName(const std::string& text) {
  const std::string upper = AsciiUpper(text);
  if (upper == "/PASSIVE") return "/S";
  const size_t equals = upper.find('=');
  return equals == std::string::npos ? upper : upper.substr(0, equals + 1);
}

}  // namespace

TUnattendedOptions ParseUnattendedOptions(const std::string& commandLine) {
  TUnattendedOptions options;
  // A parameter we do not know may be a misspelling of a switch we do
  // ("/DIR=", "/COMPONENT=", "/COMPONENTS= image"): the wizard lets the user
  // correct what it meant, a silent run would do something else than was
  // asked without anyone noticing. A switch given twice has no one meaning.
  std::string unknown, twice, uninstallTwice;
  std::vector<std::string> seen;
  const std::vector<TParameter> parameters = SplitCommandLineAt(commandLine);
  for (size_t i = 1; i < parameters.size(); ++i) {
    std::string error;
    bool last = false;
    if (ReadSwitch(commandLine, parameters[i], options, error, last)) {
      const std::string name = SwitchName(parameters[i].text);
      std::string& first = name == "/U" ? uninstallTwice : twice;
      for (const std::string& s : seen)
        if (s == name && first.empty()) first = parameters[i].text;
      seen.push_back(name);
    } else if (unknown.empty()) {
      unknown = parameters[i].text;
    }
    if (!error.empty() && options.error.empty()) options.error = error;
    if (last) break;
  }
  // "/u" twice means one thing to the wizard, which has always allowed it.
  if (options.silent && twice.empty()) twice = uninstallTwice;
  if (!twice.empty() && options.error.empty()) options.error = "switch given twice: " + twice;
  if (options.silent && !unknown.empty() && options.error.empty())
    options.error = (unknown[0] == '/' ? "unknown switch " : "not a switch: ") + unknown +
                    " (known: /S, /PASSIVE, /D=, /COMPONENTS=, /LOG=, /NOCLOSEAPPLICATIONS, /u)";
  return options;
}
