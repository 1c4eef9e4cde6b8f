#include "Options.h"

namespace zipextract {

namespace {

using uz::TZipSortMode;

struct TSortName {
  const char* name;
  TZipSortMode mode;
};

constexpr TSortName kSortNames[] = {
    {"ByName", TZipSortMode::ByName},
    {"ByFileName", TZipSortMode::ByFileName},
    {"ByDirectoryName", TZipSortMode::ByDirectoryName},
    {"ByDate", TZipSortMode::ByDate},
    {"ByCompressedSize", TZipSortMode::ByCompressedSize},
    {"ByUnCompressedSize", TZipSortMode::ByUnCompressedSize},
    {"ByRate", TZipSortMode::ByRate},
    {"ByNone", TZipSortMode::ByNone},
};

bool OverwriteFromName(const std::string& name, uz::TUZOverwriteMode& mode) {
  if (name == "always")
    mode = uz::TUZOverwriteMode::Always;
  else if (name == "never")
    mode = uz::TUZOverwriteMode::Never;
  else if (name == "prompt")
    mode = uz::TUZOverwriteMode::Prompt;
  else
    return false;
  return true;
}

// Options that stand alone.
bool ApplyFlag(const std::string& arg, TOptions& o) {
  if (arg == "-l")
    o.action = TAction::List;
  else if (arg == "-v")
    o.action = TAction::VerboseList;
  else if (arg == "-t")
    o.action = TAction::Test;
  else if (arg == "-h" || arg == "--help")
    o.action = TAction::Help;
  else if (arg == "--version")
    o.action = TAction::Version;
  else if (arg == "-z")
    o.action = TAction::Comment;
  else if (arg == "-a")
    o.doAll = true;
  else if (arg == "-r")
    o.recreateDirs = true;
  else if (arg == "--assume-bad")
    o.assumeBad = true;
  else if (arg == "--no-attributes")
    o.retainAttributes = false;
  else if (arg == "--events")
    o.events = true;
  else if (arg == "-q")
    o.quiet = true;
  else
    return false;
  return true;
}

bool TakesValue(const std::string& arg) {
  return arg == "-d" || arg == "--root" || arg == "-o" || arg == "-P" || arg == "--sort";
}

bool ApplyValue(const std::string& arg, const std::string& value, TOptions& o, std::string& error) {
  if (arg == "-d") {
    o.destDir = value;
  } else if (arg == "--root") {
    o.rootDir = value;
  } else if (arg == "-P") {
    o.password = value;
  } else if (arg == "-o") {
    if (!OverwriteFromName(value, o.overwrite)) {
      error = "-o takes always, never or prompt, not \"" + value + "\"";
      return false;
    }
  } else if (!SortModeFromName(value, o.sortMode)) {
    error = "unknown sort mode \"" + value + "\"";
    return false;
  }
  return true;
}

void TakeOperand(const std::string& arg, TOptions& o, bool& haveArchive) {
  if (haveArchive) {
    o.patterns.push_back(arg);
  } else {
    o.archive = arg;
    haveArchive = true;
  }
}

}  // namespace

bool SortModeFromName(const std::string& name, TZipSortMode& mode) {
  for (const TSortName& s : kSortNames) {
    if (name == s.name) {
      mode = s.mode;
      return true;
    }
  }
  return false;
}

const char* SortModeName(TZipSortMode mode) {
  for (const TSortName& s : kSortNames)
    if (s.mode == mode) return s.name;
  return "?";
}

bool ParseArguments(const std::vector<std::string>& args, TOptions& o, std::string& error) {
  bool haveArchive = false;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      TakeOperand(arg, o, haveArchive);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (ApplyFlag(arg, o)) {
    } else if (TakesValue(arg)) {
      if (i + 1 == args.size()) {
        error = "option " + arg + " needs a value";
        return false;
      }
      if (!ApplyValue(arg, args[++i], o, error)) return false;
    } else {
      error = "unknown option " + arg;
      return false;
    }
  }
  if (!haveArchive && o.action != TAction::Help && o.action != TAction::Version) {
    error = "no archive given";
    return false;
  }
  return true;
}

std::string Usage() {
  return "usage: zipextract [options] ARCHIVE [PATTERN ...]\n"
         "  Extracts the members that the PATTERNs select (wildcards * ? [..]; a\n"
         "  pattern with \\ is matched against folder\\name), or every member.\n"
         "  -l                 list the catalogue (tab-separated, for programs)\n"
         "  -v                 list the catalogue with sizes, ratio, date and totals\n"
         "  -t                 test: decode and check the CRC, write nothing\n"
         "  -z                 print the archive comment\n"
         "  -d DIR             destination folder (default: the current folder)\n"
         "  -a                 select every member\n"
         "  -r                 recreate the members' folders\n"
         "  --root DIR         folder prefix to drop with -r\n"
         "  -o always|never|prompt   existing files (default prompt)\n"
         "  -P PASSWORD        password of encrypted members\n"
         "  --sort MODE        ByName, ByFileName, ByDirectoryName, ByDate,\n"
         "                     ByCompressedSize, ByUnCompressedSize, ByRate, ByNone\n"
         "  --assume-bad       scan an archive without end record\n"
         "  --no-attributes    do not give files their stored attributes\n"
         "  --events           print every event of the component\n"
         "  -q                 print nothing but errors (and no progress line)\n"
         "  -h, --help         print this text\n"
         "  --version          print the version\n"
         "Exit status: 0 every selected member extracted (or tested) correctly,\n"
         "1 some failed or were skipped, 2 an error or a bad command line.\n";
}

}  // namespace zipextract
