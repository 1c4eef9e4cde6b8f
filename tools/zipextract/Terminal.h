#pragma once
// The little zipextract needs from the console, per platform.
#include <string>
#include <vector>

namespace zipextract {

// The program's arguments after its name, as UTF-8.
std::vector<std::string> Utf8Arguments(int argc, char** argv);
// Standard output and error pass bytes unchanged (no newline translation).
void PrepareOutput();
// True when standard input is a terminal someone can answer on.
bool StdinIsTerminal();
// True when standard error is a terminal (where a progress line can be redrawn).
bool StderrIsTerminal();
// One line from standard input, without its line end; false at its end.
bool ReadLine(std::string& line);

}  // namespace zipextract
