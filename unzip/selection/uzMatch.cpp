#include "selection/uzMatch.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace uz {

namespace {

using TText = std::vector<char32_t>;

// Length of the well-formed UTF-8 sequence starting at `pos` (its code point
// in `cp`), or 0 when the bytes there are not one: stray continuation bytes,
// truncated sequences, overlong forms, surrogates and values past U+10FFFF.
size_t Utf8SequenceAt(const std::string& s, size_t pos, char32_t& cp) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned lead = byte(pos);
  if (lead < 0x80) {
    cp = lead;
    return 1;
  }
  struct TLead {
    unsigned first, last;  // lead byte values of this length
    size_t length;
    char32_t minimum;  // smaller values are overlong forms
    unsigned payload;  // the lead byte's bits of the code point
  };
  static constexpr TLead kLeads[] = {
      {0xC2, 0xDF, 2, 0x80, 0x1F}, {0xE0, 0xEF, 3, 0x800, 0x0F}, {0xF0, 0xF4, 4, 0x10000, 0x07}};
  const TLead* kind = nullptr;
  for (const TLead& candidate : kLeads)
    if (lead >= candidate.first && lead <= candidate.last) kind = &candidate;
  if (kind == nullptr) return 0;
  const size_t length = kind->length;
  cp = lead & kind->payload;
  if (s.size() - pos < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    const unsigned next = byte(pos + i);
    if ((next & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < kind->minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return length;
}

bool IsWellFormedUtf8(const std::string& s) {
  char32_t cp;
  for (size_t pos = 0; pos < s.size();) {
    const size_t length = Utf8SequenceAt(s, pos, cp);
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

// The characters of `s`: code points when `utf8`, otherwise byte values
// (the caller has checked that `s` is well-formed when it asks for UTF-8).
TText Characters(const std::string& s, bool utf8) {
  TText text;
  text.reserve(s.size());
  for (size_t pos = 0; pos < s.size();) {
    char32_t cp = static_cast<unsigned char>(s[pos]);
    pos += utf8 ? Utf8SequenceAt(s, pos, cp) : 1;
    text.push_back(cp);
  }
  return text;
}

struct TRange {
  char32_t low, high;
};

// One step of a compiled pattern. Every kind but kStar consumes exactly one
// character of the subject; that is what makes single-resume-point
// backtracking (below) find every match the pattern has.
struct TToken {
  enum Kind { kLiteral, kAnyOne, kSet, kStar } kind;
  char32_t literal = 0;
  bool negated = false;
  size_t firstRange = 0, rangeCount = 0;  // the set's slice of TPattern::ranges
};

struct TPattern {
  std::vector<TToken> tokens;
  std::vector<TRange> ranges;

  bool SetHolds(const TToken& set, char32_t c) const {
    bool inside = false;
    for (size_t i = set.firstRange; i < set.firstRange + set.rangeCount && !inside; ++i)
      inside = ranges[i].low <= c && c <= ranges[i].high;
    return inside != set.negated;
  }

  bool Accepts(const TToken& token, char32_t c) const {
    switch (token.kind) {
      case TToken::kLiteral:
        return token.literal == c;
      case TToken::kAnyOne:
        return true;
      case TToken::kSet:
        return SetHolds(token, c);
      case TToken::kStar:
        break;
    }
    return false;
  }
};

// Reads the set whose "[" is at p[pos - 1] into a token; on success `pos`
// ends after the closing "]". False when the set makes the pattern bad.
bool CompileSet(const TText& p, size_t& pos, TPattern& out) {
  TToken set{TToken::kSet};
  set.firstRange = out.ranges.size();
  if (pos < p.size() && (p[pos] == U'!' || p[pos] == U'^')) {
    set.negated = true;
    ++pos;
  }
  if (pos < p.size() && p[pos] == U']') return false;  // a set without items
  for (bool first = true;; first = false) {
    if (pos >= p.size()) return false;  // never closed
    if (p[pos] == U']') break;
    const char32_t low = p[pos++];
    const bool endsSet = pos < p.size() && p[pos] == U']';
    if (low == U'-' && !first && endsSet) return false;  // "[a-z-]"
    char32_t high = low;
    if (pos < p.size() && p[pos] == U'-') {
      if (pos + 1 >= p.size()) return false;
      if (p[pos + 1] == U']') return false;  // "[a-]": a range without its end
      high = p[pos + 1];
      pos += 2;
    }
    // Bounds may come in either order and mean the same.
    out.ranges.push_back(low <= high ? TRange{low, high} : TRange{high, low});
  }
  ++pos;
  set.rangeCount = out.ranges.size() - set.firstRange;
  out.tokens.push_back(set);
  return true;
}

// False for a bad pattern. Runs of "*" become one star token.
bool Compile(const TText& p, TPattern& out) {
  for (size_t pos = 0; pos < p.size();) {
    const char32_t c = p[pos++];
    if (c == U'*') {
      if (out.tokens.empty() || out.tokens.back().kind != TToken::kStar)
        out.tokens.push_back(TToken{TToken::kStar});
    } else if (c == U'?') {
      out.tokens.push_back(TToken{TToken::kAnyOne});
    } else if (c == U'[') {
      if (!CompileSet(p, pos, out)) return false;
    } else {
      TToken literal{TToken::kLiteral};
      literal.literal = c;
      out.tokens.push_back(literal);
    }
  }
  return true;
}

// Greedy matching that remembers only the most recent star. When a later star
// is reached, any match that needed an earlier star to swallow more can be
// rebuilt with the later star swallowing that text instead, because every
// other token consumes exactly one character; so forgetting the earlier
// resume point loses no match, and each subject position is revisited at most
// once per pattern position.
bool Run(const TPattern& pattern, const TText& s) {
  const std::vector<TToken>& tokens = pattern.tokens;
  constexpr size_t kNone = static_cast<size_t>(-1);
  size_t p = 0, i = 0, resumeToken = kNone, resumeSubject = 0;
  while (i < s.size()) {
    if (p < tokens.size() && tokens[p].kind == TToken::kStar) {
      resumeToken = ++p;
      resumeSubject = i;
    } else if (p < tokens.size() && pattern.Accepts(tokens[p], s[i])) {
      ++p, ++i;
    } else if (resumeToken != kNone) {
      p = resumeToken;
      i = ++resumeSubject;
    } else {
      return false;
    }
  }
  while (p < tokens.size() && tokens[p].kind == TToken::kStar) ++p;
  return p == tokens.size();
}

}  // namespace

std::string LowerAscii(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

namespace {

// The small letter of a capital in U+0080..U+07FF (itself otherwise).
uint32_t LowerTwoByteLetter(uint32_t c) {
  const bool even = c % 2 == 0;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
      (c >= 0x410 && c <= 0x42F))
    return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  if ((c >= 0x100 && c <= 0x137 && even) || (c >= 0x14A && c <= 0x177 && even) ||
      (c >= 0x139 && c <= 0x148 && !even) || (c >= 0x179 && c <= 0x17E && !even) ||
      (c >= 0x460 && c <= 0x481 && even) || (c >= 0x48A && c <= 0x4BF && even))
    return c + 1;
  if (c == 0x178) return 0xFF;
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return c + 0x25;
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return c + 0x3F;
  return c;
}

}  // namespace

std::string LowerText(std::string text) {
  text = LowerAscii(std::move(text));
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    const auto lead = static_cast<uint8_t>(text[i]), next = static_cast<uint8_t>(text[i + 1]);
    if (lead < 0xC2 || lead > 0xDF || (next & 0xC0) != 0x80) continue;
    const uint32_t lower = LowerTwoByteLetter(uint32_t(lead & 0x1F) << 6 | (next & 0x3F));
    text[i] = static_cast<char>(0xC0 | lower >> 6);
    text[i + 1] = static_cast<char>(0x80 | (lower & 0x3F));
    ++i;
  }
  return text;
}

bool IsMatch(const std::string& pattern, const std::string& subject) {
  const std::string p = LowerAscii(pattern), s = LowerAscii(subject);
  const bool utf8 = IsWellFormedUtf8(p) && IsWellFormedUtf8(s);
  TPattern compiled;
  if (!Compile(Characters(p, utf8), compiled)) return false;
  return Run(compiled, Characters(s, utf8));
}

}  // namespace uz
