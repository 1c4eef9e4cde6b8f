// Whether other users can move the install folder's parents out of the way
// and put a folder of their own at its path: the uninstall record runs the
// Setup.exe found there with administrator rights, and every user runs the
// viewer found there.
#pragma once

#include <string>

#include "AccessRules.h"

// The parents of `directory` judged as ChangeableParent does, each opened
// without following a link, so that a link is seen as one.
TParentVerdict ChangeableParentOf(const std::string& directory);

// The verdict for the log: which folder, who, and what they may do; empty
// when nobody else may.
std::string ChangeableParentText(const TParentVerdict& verdict);
