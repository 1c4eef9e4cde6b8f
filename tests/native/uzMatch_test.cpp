// Wildcard matching of member names: literals, letter case, "?", "*" and
// sets, UTF-8 and bad patterns, checked also against a plain recursive
// reading of the rules on random patterns.
#include "selection/uzMatch.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct MatchCase {
  const char* pattern;
  const char* subject;
  bool matches;
};

void ExpectTable(const std::vector<MatchCase>& table) {
  for (const MatchCase& c : table)
    EXPECT_EQ(uz::IsMatch(c.pattern, c.subject), c.matches)
        << "pattern \"" << c.pattern << "\" subject \"" << c.subject << "\"";
}

TEST(IsMatch, LiteralsMatchTheWholeSubjectOnly) {
  ExpectTable({
      {"", "", true},
      {"", "a", false},
      {"a", "", false},
      {"abc", "abc", true},
      {"abc", "abcd", false},
      {"abc", "ab", false},
      {"abc", "xabc", false},
      {"a.b", "a.b", true},
      {"a.b", "axb", false},
      {"dir\\f", "dir\\f", true},
      {"dir\\f", "dir/f", false},
      // No escape character: "\" before a wildcard is an ordinary character.
      {"a\\*", "a\\bc", true},
      {"a\\*", "a*", false},
      {"a\\?", "a\\x", true},
  });
}

TEST(IsMatch, LowerCasesAsciiLettersOfBothArguments) {
  ExpectTable({
      {"ABC", "abc", true},
      {"abc", "ABC", true},
      {"Program\\*.*", "PROGRAM\\MAP.EXE", true},
      {"[A-C]", "b", true},
      {"[a-c]", "B", true},
      {"[!A]", "a", false},
  });
}

TEST(IsMatch, LettersOutsideAsciiAreComparedExactly) {
  ExpectTable({
      {"Карта", "Карта", true},
      {"Карта", "карта", false},
      {"карта", "Карта", false},
      {"ÉTÉ", "été", false},
      {"Программа\\*.*", "Программа\\map.exe", true},
      {"Программа\\*.*", "программа\\map.exe", false},
      {"Программа\\*.*", "ПРОГРАММА\\map.exe", false},
  });
}

TEST(IsMatch, QuestionMarkTakesAnyOneCharacter) {
  ExpectTable({
      {"?", "a", true},
      {"?", "", false},
      {"?", "ab", false},
      {"a?c", "abc", true},
      {"a?c", "a.c", true},
      {"a?c", "a\\c", true},
      {"a?c", "ac", false},
      {"???", "abc", true},
      {"???", "ab", false},
  });
}

TEST(IsMatch, QuestionMarkAndSetTakeOneWholeUtf8Character) {
  ExpectTable({
      {"?", "я", true},    // two bytes, one letter
      {"??", "я", false},  // not two characters
      {"?", "€", true},    // three bytes
      {"?", "😀", true},    // four bytes
      {"к?рта", "карта", true},
      {"[а-я]", "ж", true},
      {"[я-а]", "ж", true},  // bounds either way round, as code points
      {"[а-я]", "Ж", false},
      {"[!а-я]", "Ж", true},
      {"[!а-я]", "ж", false},
      {"[жz]", "ж", true},
      {"*?", "я", true},
      {"*??", "я", false},
      {"*[я]", "аня", true},
      {"?*", "я", true},
  });
}

TEST(IsMatch, SubjectThatIsNotUtf8IsMatchedByteForByte) {
  const std::string cp1251Ya = "\xFF";  // "я" in the Windows Cyrillic code page
  EXPECT_TRUE(uz::IsMatch("?", cp1251Ya));
  EXPECT_TRUE(uz::IsMatch("[\xF0-\xFF]", cp1251Ya));
  EXPECT_FALSE(uz::IsMatch("[\xF0-\xFE]", cp1251Ya));
  // A valid two-byte letter inside an ill-formed subject counts as two bytes.
  EXPECT_TRUE(uz::IsMatch("??\xFF", "я\xFF"));
  EXPECT_FALSE(uz::IsMatch("?\xFF", "я\xFF"));
  EXPECT_TRUE(uz::IsMatch("я*", "я\xFF"));
  // Overlong forms, surrogates, values past U+10FFFF and truncated sequences
  // are not characters: their bytes count one by one.
  for (const std::string& illFormed :
       {std::string("\xC0\xAF"), std::string("\xE0\x80\xAF"), std::string("\xED\xA0\x80"),
        std::string("\xF4\x90\x80\x80"), std::string("\xE2\x82"), std::string("\x8F\x8F")}) {
    EXPECT_FALSE(uz::IsMatch("?", illFormed)) << illFormed.size();
    EXPECT_TRUE(uz::IsMatch(std::string(illFormed.size(), '?'), illFormed)) << illFormed.size();
  }
}

TEST(IsMatch, StarTakesAnyRunIncludingSeparatorsAndDots) {
  ExpectTable({
      {"*", "", true},
      {"*", "anything.at\\all", true},
      {"**", "", true},
      {"a*", "a", true},  // a trailing star matches nothing too
      {"a**", "a", true},
      {"a*", "abc", true},
      {"a*", "ba", false},
      {"*c", "abc", true},
      {"*c", "abcd", false},
      {"a*c", "ac", true},
      {"a*c", "a\\b.c", true},
      {"*.*", "file.txt", true},
      {"*.*", ".", true},
      {"*.*", "file", false},
      {"*a*b*", "xxaxxbxx", true},
      {"*a*b*", "xxbxxaxx", false},
      {"*[0-9]", "ab7", true},
      {"*[0-9]", "ab", false},
      {"*x", "", false},
  });
}

TEST(IsMatch, StarFollowedByQuestionMarksNeedsThatManyCharacters) {
  ExpectTable({
      {"a*?", "ab", true},  // one letter, a star and a "?"
      {"a*?", "abcdef", true},
      {"a*?", "a", false},
      {"a*?", "ba", false},
      {"*?", "", false},
      {"*??", "a", false},
      {"*??", "ab", true},
      {"*?*?*", "ab", true},
      {"*?*?*", "a", false},
      {"a?*", "a", false},
      {"a?*", "ab", true},
  });
}

TEST(IsMatch, SetsTakeOneCharacterFromItemsAndRanges) {
  ExpectTable({
      {"[abc]", "b", true},     {"[abc]", "d", false},
      {"[abc]", "", false},     {"[abc]", "ab", false},
      {"[a-c]", "a", true},  // bounds are inclusive
      {"[a-c]", "c", true},     {"[a-c]", "d", false},
      {"[c-a]", "b", true},  // either way round
      {"[a-cx]", "x", true},    {"[a-cx-z]", "y", true},
      {"[!abc]", "d", true},    {"[!abc]", "a", false},
      {"[^abc]", "d", true},    {"[^abc]", "c", false},
      {"[!a]", "", false},      {"x[.\\]y", "x\\y", true},
      {"x[.\\]y", "x.y", true}, {"[*?[]", "?", true},  // wildcards are ordinary inside a set
      {"[*?[]", "[", true},     {"[*?[]", "a", false},
      {"[a-c-e]", "-", true},  // a "-" that joins nothing is an item
      {"[a-c-e]", "e", true},   {"[a-c-e]", "d", false},
      {"[--a]", "0", true},  // range from "-" to "a"
  });
}

TEST(IsMatch, DashFirstInASetIsOrdinary) {
  ExpectTable({
      {"[-]", "-", true},
      {"[-]", "a", false},
      {"[-a]", "-", true},
      {"[-a]", "a", true},
      {"[!-]", "a", true},
      {"[!-]", "-", false},
      {"[^-a]", "b", true},
      {"[^-a]", "-", false},
  });
}

TEST(IsMatch, BadPatternsMatchNothing) {
  for (const char* bad : {"[", "[a", "[a-", "[a-z", "[!", "[!a", "a[bc", "*[", "[]", "[]a]", "[!]",
                          "[^]", "[!]a]", "[a-]", "[a-z-]", "[ab-]", "[--]", "*.*[", "[a-]*"}) {
    for (const char* subject : {"", "a", "-", "]", "[", "a]", "ab", "[a-]", "anything"})
      EXPECT_FALSE(uz::IsMatch(bad, subject)) << "pattern \"" << bad << "\" subject " << subject;
  }
  // A bad set anywhere spoils the whole pattern, even past a mismatch.
  EXPECT_FALSE(uz::IsMatch("*[a-]", "xa"));
  EXPECT_FALSE(uz::IsMatch("b*[", "b"));
}

// The straightforward reading of the matching rules, recursive and slow, kept
// apart from the product code's compiled form to check it against.
class ReferenceMatcher {
 public:
  enum Result { kNo, kYes, kBad };

  static bool Match(const std::string& pattern, const std::string& subject) {
    const std::string p = uz::LowerAscii(pattern), s = uz::LowerAscii(subject);
    const bool utf8 = WellFormed(p) && WellFormed(s);
    return Walk(Decode(p, utf8), 0, Decode(s, utf8), 0) == kYes;
  }

 private:
  using Text = std::vector<char32_t>;

  static size_t SequenceLength(const std::string& s, size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80                 ? 1
               : c >= 0xC2 && c <= 0xDF ? 2
               : c >= 0xE0 && c <= 0xEF ? 3
               : c >= 0xF0 && c <= 0xF4 ? 4
                                        : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    const unsigned char c1 = static_cast<unsigned char>(n > 1 ? s[i + 1] : 0);
    if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0) || (c == 0xF0 && c1 < 0x90) ||
        (c == 0xF4 && c1 >= 0x90))
      return 0;  // overlong, surrogate or beyond U+10FFFF
    return n;
  }
  static bool WellFormed(const std::string& s) {
    for (size_t i = 0; i < s.size();) {
      const size_t n = SequenceLength(s, i);
      if (n == 0) return false;
      i += n;
    }
    return true;
  }
  static Text Decode(const std::string& s, bool utf8) {
    Text t;
    for (size_t i = 0; i < s.size();) {
      const size_t n = utf8 ? SequenceLength(s, i) : 1;
      char32_t cp = static_cast<unsigned char>(s[i]);
      if (n > 1) {
        cp &= 0x7F >> n;
        for (size_t k = 1; k < n; ++k)
          cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
      }
      t.push_back(cp);
      i += n;
    }
    return t;
  }

  // The set starting at p[i] == '['; on kYes/kNo `next` is after its "]".
  static Result Set(const Text& p, size_t i, char32_t c, size_t& next) {
    ++i;
    bool negated = false;
    if (i < p.size() && (p[i] == '!' || p[i] == '^')) negated = true, ++i;
    if (i < p.size() && p[i] == ']') return kBad;
    bool inside = false, first = true;
    while (true) {
      if (i >= p.size()) return kBad;
      if (p[i] == ']') break;
      if (p[i] == '-' && !first && i + 1 < p.size() && p[i + 1] == ']') return kBad;
      char32_t lo = p[i], hi = p[i];
      if (i + 1 < p.size() && p[i + 1] == '-') {
        if (i + 2 >= p.size() || p[i + 2] == ']') return kBad;
        hi = p[i + 2];
        i += 3;
      } else {
        i += 1;
      }
      if ((lo <= c && c <= hi) || (hi <= c && c <= lo)) inside = true;
      first = false;
    }
    next = i + 1;
    return inside != negated ? kYes : kNo;
  }

  static Result Walk(const Text& p, size_t pi, const Text& s, size_t si) {
    while (true) {
      if (si == s.size() && pi < p.size()) {
        for (size_t k = pi; k < p.size(); ++k)
          if (p[k] != '*') return kNo;
        return kYes;
      }
      if (pi == p.size()) return si == s.size() ? kYes : kNo;
      const char32_t pc = p[pi];
      if (pc == '?') {
        ++pi, ++si;
      } else if (pc == '[') {
        size_t next = 0;
        const Result r = Set(p, pi, s[si], next);
        if (r != kYes) return r;
        pi = next, ++si;
      } else if (pc == '*') {
        while (pi < p.size() && (p[pi] == '*' || p[pi] == '?')) {
          if (p[pi] == '?') {
            if (si == s.size()) return kNo;
            ++si;
          }
          ++pi;
        }
        if (pi == p.size()) return kYes;
        for (size_t k = si; k < s.size(); ++k) {
          if (p[pi] != '[' && s[k] != p[pi]) continue;
          const Result r = Walk(p, pi, s, k);
          if (r != kNo) return r;
        }
        return kNo;
      } else {
        if (pc != s[si]) return kNo;
        ++pi, ++si;
      }
    }
  }
};

std::vector<std::string> RandomPieces(std::mt19937& rng, const std::vector<std::string>& alphabet,
                                      size_t maxLength) {
  std::vector<std::string> pieces(std::uniform_int_distribution<size_t>(0, maxLength)(rng));
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  for (std::string& piece : pieces) piece = alphabet[pick(rng)];
  return pieces;
}

std::string Join(const std::vector<std::string>& pieces) {
  std::string out;
  for (const std::string& piece : pieces) out += piece;
  return out;
}

// A subject built from the pattern itself (wildcards filled in at random), so
// that a good share of the rounds is expected to match.
std::string SubjectLike(std::mt19937& rng, const std::vector<std::string>& patternPieces,
                        const std::vector<std::string>& subjectAlphabet) {
  std::string out;
  for (const std::string& piece : patternPieces) {
    if (piece == "*")
      out += Join(RandomPieces(rng, subjectAlphabet, 3));
    else if (piece == "?")
      out += subjectAlphabet[rng() % subjectAlphabet.size()];
    else
      out += piece;
  }
  return out;
}

TEST(IsMatch, AgreesWithTheRecursiveReadingOnRandomInput) {
  const std::vector<std::string> patternAlphabet = {
      "a", "b", "A", "*",  "*", "?", "[", "[",     "]",    "]",     "!",
      "^", "-", ".", "\\", "я", "Я", "ё", "[a-b]", "[!я]", "[b-a]", "\xD1"};
  const std::vector<std::string> subjectAlphabet = {
      "a", "b", "B", "A", ".", "\\", "-", "]", "[", "!", "я", "Я", "ё", "*", "?", "\xD1", "\x8F"};
  std::mt19937 rng(20261207);
  size_t matched = 0;
  const size_t rounds = 300000;
  for (size_t round = 0; round < rounds; ++round) {
    const std::vector<std::string> pieces = RandomPieces(rng, patternAlphabet, 8);
    const std::string pattern = Join(pieces);
    const std::string subject = round % 2 ? SubjectLike(rng, pieces, subjectAlphabet)
                                          : Join(RandomPieces(rng, subjectAlphabet, 10));
    const bool expected = ReferenceMatcher::Match(pattern, subject);
    ASSERT_EQ(uz::IsMatch(pattern, subject), expected)
        << "pattern \"" << pattern << "\" subject \"" << subject << "\"";
    matched += expected;
  }
  // The comparison means little unless both outcomes occur often.
  EXPECT_GT(matched, rounds / 10);
  EXPECT_LT(matched, rounds - rounds / 10);
}

TEST(IsMatch, HostilePatternsFinishOnLongSubjects) {
  // Backtracking into every star would take exponential time on these.
  const std::string as(20000, 'a');
  EXPECT_FALSE(uz::IsMatch("*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b", as));
  EXPECT_TRUE(uz::IsMatch("*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b", as + "b"));
  EXPECT_FALSE(uz::IsMatch("*?*?*?*?*?*?*?*?*?*?*?*?*[b]", as));
  EXPECT_FALSE(uz::IsMatch(std::string(5000, '*') + "b", as));
  std::string manyStars;
  for (int i = 0; i < 2000; ++i) manyStars += "*a";
  EXPECT_FALSE(uz::IsMatch(manyStars + "b", as));
  EXPECT_TRUE(uz::IsMatch(manyStars, as));
}

TEST(LowerAscii, MapsOnlyAsciiCapitals) {
  EXPECT_EQ(uz::LowerAscii("AZaz@[`{09"), "azaz@[`{09");
  EXPECT_EQ(uz::LowerAscii("ЯКАРТА"), "ЯКАРТА");
  EXPECT_EQ(uz::LowerAscii("\xC0\xDF"), "\xC0\xDF");
}

}  // namespace
