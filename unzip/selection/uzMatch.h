#pragma once
// Wildcard matching of member names against the patterns of FilesList.
//
// Pattern language:
//   ?        any one character (also "\" and ".")
//   *        any run of characters, including none
//   [set]    one character out of a set of single characters and ranges
//            ("a-z", also written "z-a"); "!" or "^" right after "[" negates it
//   other    itself; "\" and "." are ordinary characters, there is no escape
//
// Both arguments are lower-cased inside, ASCII letters only: every other
// letter (Cyrillic, accented Latin) is compared exactly, so "Я" does not
// match "я". The whole subject must match the whole pattern.
//
// A pattern is bad, and then matches nothing at all, when a set
//   - is never closed ("a[bc"),
//   - has no items ("[]", "[!]": a "]" right after "[" or the negation mark),
//   - has a "-" directly before its closing "]" ("[a-]", "[a-z-]"), unless
//     that "-" is the set's first item ("[-]" and "[!-]" hold the "-" itself).
//
// Characters. Names are UTF-8 inside this program, and a user writing "?" or
// "[а-я]" means one letter, not one byte of one. So when both the pattern and
// the subject are well-formed UTF-8, a character is one whole UTF-8 sequence:
// "?" and a set consume a lead byte together with its continuation bytes, a
// "*" only stops between characters, and set ranges compare code points.
// When either string is not well-formed UTF-8 every byte is one character
// and ranges compare unsigned byte values. For ASCII text both readings agree.
//
// Cost is at most proportional to pattern length times subject length,
// whatever the pattern ("*a*a*a*a*b" against a long run of "a" included):
// no recursion, no backtracking beyond the last "*".
#include <string>

namespace uz {

bool IsMatch(const std::string& pattern, const std::string& subject);

// Maps "A".."Z" to "a".."z" and leaves every other byte as it is; this never
// touches a byte of a multi-byte UTF-8 sequence.
std::string LowerAscii(std::string text);

// Lower case for comparing names without regard to case, as a user reads
// them: besides ASCII, the Latin-1, Latin Extended-A, Greek and Cyrillic
// capitals of UTF-8 text. Each of them and its small letter take two bytes,
// so the text keeps its length and a prefix stays a prefix.
std::string LowerText(std::string text);

}  // namespace uz
