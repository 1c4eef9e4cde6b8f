#pragma once
// The extraction and test operations of zipextract: runs ExtractFiles or
// TestFiles on a component configured from the options, reports each failed
// member and a summary, shows progress on a terminal, and gives the exit status.
#include <ostream>

#include "Options.h"

namespace zipextract {

// Exit status: 0 all selected members extracted (tested), 1 some given up or failed,
// 2 an exception left the operation. Exceptions propagate to the caller,
// which reports them.
int RunExtraction(uz::TUnZip& unzip, const TOptions& options, std::ostream& out, std::ostream& err);

}  // namespace zipextract
