#pragma once
// zipextract's command line: every option sets one property of the
// component or asks for one operation.
#include <string>
#include <vector>

#include "UnZip.h"

namespace zipextract {

// Test decodes and checks without writing; VerboseList is the listing for
// people (List is the tab-separated one for programs).
enum class TAction { Extract, Test, List, VerboseList, Comment, Help, Version };

struct TOptions {
  TAction action = TAction::Extract;
  std::string archive;
  std::vector<std::string> patterns;  // FilesList
  std::string destDir;                // empty: the current folder
  bool doAll = false;
  bool recreateDirs = false;
  std::string rootDir;
  uz::TUZOverwriteMode overwrite = uz::TUZOverwriteMode::Prompt;
  std::string password;
  uz::TZipSortMode sortMode = uz::TZipSortMode::ByNone;
  bool assumeBad = false;
  bool retainAttributes = true;
  bool events = false;
  bool quiet = false;
};

// Parses the arguments after the program name. Options may stand anywhere;
// "--" ends them. No archive is needed for Help and Version. False with a
// one-line reason in error on a bad command line.
bool ParseArguments(const std::vector<std::string>& args, TOptions& options, std::string& error);

// The usage text, several lines.
std::string Usage();

// Names of the sort modes and back; false for an unknown name.
bool SortModeFromName(const std::string& name, uz::TZipSortMode& mode);
const char* SortModeName(uz::TZipSortMode mode);

}  // namespace zipextract
