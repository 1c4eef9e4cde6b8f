// The program's command line, split the way the program has always split it:
// blanks and control characters separate parameters, a double-quoted stretch
// belongs to one parameter and loses its quotes, and the first parameter is
// the program path. These are not the rules of CommandLineToArgvW (which
// treats backslashes before quotes specially); installed uninstall records
// and shortcuts were written against the rules kept here.
#pragma once

#include <string>
#include <vector>

// All parameters, the program path first. A parameter made only of empty
// quotes ("") is no parameter.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// One parameter with the position in the line where it begins.
struct TParameter {
  std::string text;
  size_t start;
};

// As SplitCommandLine, with each parameter's position.
std::vector<TParameter> SplitCommandLineAt(const std::string& commandLine);

// True when a parameter after the program path is the uninstall switch: "/"
// followed by "u" in either case. "-u", "u", "/uninstall" and "/u1" are not.
bool HasUninstallSwitch(const std::string& commandLine);
