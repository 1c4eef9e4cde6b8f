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

// The rest of the line after "/D=", as given: blanks inside stay, the line's
// trailing blanks go. A quote in it means the parameter was quoted after
// all, and then the parameter's own text (quotes removed) holds.
std::string FolderOfRest(const std::string& line, const TParameter& parameter) {
  std::string rest = line.substr(parameter.start + 3);
  while (!rest.empty() && IsBlank(rest.back())) rest.pop_back();
  if (rest.find('"') != std::string::npos) return parameter.text.substr(3);
  return rest;
}

std::string ReadComponents(const std::string& list, TUnattendedOptions& options) {
  options.database = false;
  options.mapImage = false;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    const std::string name = AsciiUpper(list.substr(start, end - start));
    if (name == "DATABASE") {
      options.database = true;
    } else if (name == "IMAGE") {
      options.mapImage = true;
    } else if (name != "HELP" && !(name.empty() && list.empty())) {
      return "unknown component \"" + list.substr(start, end - start) +
             "\" in /COMPONENTS= (known: help, database, image)";
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

TUnattendedOptions ParseUnattendedOptions(const std::string& commandLine) {
  TUnattendedOptions options;
  // A switch we do not know may be a misspelling of one we do ("/DIR=",
  // "/COMPONENT="): the wizard lets the user correct what it meant, a silent
  // run would do something else than was asked without anyone noticing.
  std::string unknown;
  const std::vector<TParameter> parameters = SplitCommandLineAt(commandLine);
  for (size_t i = 1; i < parameters.size(); ++i) {
    const std::string& text = parameters[i].text;
    if (AsciiUpper(text) == "/S") {
      options.silent = true;
    } else if (StartsWithSwitch(text, "/LOG=")) {
      options.logPath = text.substr(5);
      if (options.logPath.empty() && options.error.empty()) options.error = "/LOG= names no file";
    } else if (StartsWithSwitch(text, "/COMPONENTS=")) {
      const std::string error = ReadComponents(text.substr(12), options);
      if (!error.empty() && options.error.empty()) options.error = error;
    } else if (StartsWithSwitch(text, "/D=")) {
      options.hasFolder = true;
      const bool quoted = commandLine[parameters[i].start] == '"';
      options.folder = quoted ? text.substr(3) : FolderOfRest(commandLine, parameters[i]);
      const std::string error = CheckFolder(options);
      if (!error.empty() && options.error.empty()) options.error = error;
      if (!quoted) break;  // the rest of the line was the folder
    } else if (text[0] == '/' && AsciiUpper(text) != "/U" && unknown.empty()) {
      unknown = text;
    }
  }
  if (options.silent && !unknown.empty() && options.error.empty())
    options.error = "unknown switch " + unknown + " (known: /S, /D=, /COMPONENTS=, /LOG=, /u)";
  return options;
}
