#pragma once
// One run of zipextract, from its arguments to its exit status.
#include <ostream>
#include <string>
#include <vector>

namespace zipextract {

// args are the arguments after the program name. Listings, comments and
// events go to out; errors, prompts and the summary to err.
int RunZipextract(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zipextract
