#include "cli/report/JsonScan.h"

namespace vorlane::cli {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The length of the UTF-8 sequence text starts with, 0 where it is none: overlong forms,
// surrogates and code points past U+10FFFF are none.
std::size_t Utf8Length(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  const std::size_t length = lead < 0x80   ? 1
                             : lead < 0xC2 ? 0
                             : lead < 0xE0 ? 2
                             : lead < 0xF0 ? 3
                             : lead < 0xF5 ? 4
                                           : 0;
  if (length == 0 || length > text.size()) return 0;
  char32_t code = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[i]);
    if ((next & 0xC0) != 0x80) return 0;
    code = code << 6 | (next & 0x3F);
  }
  constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | code >> 6));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | code >> 12));
    out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | code >> 18));
    out.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

}  // namespace

bool TJsonScanner::Scan(std::string_view text, TJsonVisitor& visitor) {
  Text = text;
  At = 0;
  Open.clear();
  Path.clear();
  Why.clear();
  SkipSpace();
  for (bool more = true; more;) {
    if (!Value(visitor)) return false;
    if (!AfterValue(more)) return false;
  }
  SkipSpace();
  return AtEnd() || Fail("more text after the value");
}

// Reads a scalar, or opens a container and reads on to its first member's value; an empty
// container is read whole.
bool TJsonScanner::Value(TJsonVisitor& visitor) {
  for (;;) {
    if (AtEnd()) return Fail("cut off where a value belongs");
    const char c = Text[At];
    if (c == '"') {
      std::string_view decoded;
      if (!String(decoded, ValueScratch)) return false;
      visitor.Visit(Path, {TJsonKind::String, decoded});
      return true;
    }
    if (c == 't' || c == 'f' || c == 'n') {
      const std::string_view word = c == 't' ? "true" : c == 'f' ? "false" : "null";
      if (!Literal(word)) return false;
      const TJsonKind kind = c == 't'   ? TJsonKind::True
                             : c == 'f' ? TJsonKind::False
                                        : TJsonKind::Null;
      visitor.Visit(Path, {kind, {}});
      return true;
    }
    if (c == '-' || IsDigit(c)) {
      const std::size_t start = At;
      if (!Number()) return false;
      visitor.Visit(Path, {TJsonKind::Number, Text.substr(start, At - start)});
      return true;
    }
    if (c != '{' && c != '[') return Fail("no JSON value");
    const bool object = c == '{';
    visitor.Visit(Path, {object ? TJsonKind::Object : TJsonKind::Array, {}});
    if (Open.size() == MaxJsonDepth) return Fail("nested too deeply");
    ++At;
    SkipSpace();
    if (!AtEnd() && Text[At] == (object ? '}' : ']')) {
      ++At;
      return true;
    }
    Open.push_back(object);
    Path.push_back({{}, !object});
    if (object && !Key()) return false;
  }
}

// After a whole value: the next member of the innermost container, or its end and so on up.
// more is false once the outermost value has ended.
bool TJsonScanner::AfterValue(bool& more) {
  for (;;) {
    if (Open.empty()) {
      more = false;
      return true;
    }
    SkipSpace();
    if (AtEnd()) return Fail("cut off inside a container");
    const bool object = Open.back();
    if (Text[At] == ',') {
      ++At;
      SkipSpace();
      more = true;
      return !object || Key();
    }
    if (Text[At] != (object ? '}' : ']'))
      return Fail(object ? "expected , or }" : "expected , or ]");
    ++At;
    Open.pop_back();
    Path.pop_back();
  }
}

// An object's key and its colon; the value's first byte comes next.
bool TJsonScanner::Key() {
  if (AtEnd() || Text[At] != '"') return Fail("expected a key");
  const std::size_t depth = Open.size();
  if (KeyScratch.size() < depth) KeyScratch.resize(depth);
  std::string_view key;
  if (!String(key, KeyScratch[depth - 1])) return false;
  Path.back().Key = key;
  SkipSpace();
  if (AtEnd() || Text[At] != ':') return Fail("expected :");
  ++At;
  SkipSpace();
  return true;
}

// A string whose bytes need no decoding is handed on where it stands; one with escapes is
// decoded into scratch.
bool TJsonScanner::String(std::string_view& decoded, std::string& scratch) {
  const std::size_t start = ++At;
  while (!AtEnd()) {
    const auto c = static_cast<unsigned char>(Text[At]);
    if (c == '"') {
      decoded = Text.substr(start, At++ - start);
      return true;
    }
    if (c == '\\') break;
    if (!Character()) return false;
  }
  scratch.assign(Text.substr(start, At - start));
  while (!AtEnd()) {
    const auto c = static_cast<unsigned char>(Text[At]);
    if (c == '"') {
      ++At;
      decoded = scratch;
      return true;
    }
    const std::size_t from = At;
    if (c == '\\' ? !Escape(scratch) : !Character()) return false;
    if (c != '\\') scratch.append(Text.substr(from, At - from));
  }
  return Fail("cut off in a string");
}

// One character of a string as it stands: no control character, and only whole UTF-8.
bool TJsonScanner::Character() {
  const auto c = static_cast<unsigned char>(Text[At]);
  if (c < 0x20) return Fail("a control character in a string");
  const std::size_t length = c < 0x80 ? 1 : Utf8Length(Text.substr(At));
  if (length == 0) return Fail("a string that is not UTF-8");
  At += length;
  return true;
}

// One escape, from its backslash; a \u escape of half a surrogate pair alone is refused, as no
// character is written so.
bool TJsonScanner::Escape(std::string& out) {
  if (At + 1 >= Text.size()) return Fail("cut off in an escape");
  const char kind = Text[At + 1];
  const std::string_view simple = "\"\\/bfnrt";
  const std::string_view meaning = "\"\\/\b\f\n\r\t";
  if (const std::size_t found = simple.find(kind); found != std::string_view::npos) {
    out.push_back(meaning[found]);
    At += 2;
    return true;
  }
  if (kind != 'u') return Fail("an unknown escape");
  const auto hex4 = [this](std::size_t from, char32_t& code) {
    if (from + 4 > Text.size()) return false;
    code = 0;
    for (std::size_t i = from; i < from + 4; ++i) {
      const int digit = HexValue(Text[i]);
      if (digit < 0) return false;
      code = code << 4 | static_cast<char32_t>(digit);
    }
    return true;
  };
  char32_t code = 0;
  if (!hex4(At + 2, code)) return Fail("a \\u escape without four hex digits");
  At += 6;
  char32_t low = 0;
  if (code >= 0xD800 && code <= 0xDBFF && At + 1 < Text.size() && Text[At] == '\\' &&
      Text[At + 1] == 'u' && hex4(At + 2, low) && low >= 0xDC00 && low <= 0xDFFF) {
    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    At += 6;
  } else if (code >= 0xD800 && code <= 0xDFFF) {
    return Fail("half a surrogate pair");
  }
  AppendUtf8(out, code);
  return true;
}

bool TJsonScanner::Number() {
  const auto digits = [this] {
    const std::size_t start = At;
    while (!AtEnd() && IsDigit(Text[At])) ++At;
    return At > start;
  };
  if (Text[At] == '-') ++At;
  if (!AtEnd() && Text[At] == '0')
    ++At;
  else if (!digits())
    return Fail("a number without digits");
  if (!AtEnd() && Text[At] == '.' && (++At, !digits())) return Fail("a fraction without digits");
  if (!AtEnd() && (Text[At] == 'e' || Text[At] == 'E')) {
    ++At;
    if (!AtEnd() && (Text[At] == '+' || Text[At] == '-')) ++At;
    if (!digits()) return Fail("an exponent without digits");
  }
  return true;
}

bool TJsonScanner::Literal(std::string_view word) {
  if (Text.substr(At, word.size()) != word) return Fail("no JSON value");
  At += word.size();
  return true;
}

bool TJsonScanner::Fail(const char* what) {
  Why = std::string(what) + " at byte " + std::to_string(At + 1);
  return false;
}

void TJsonScanner::SkipSpace() {
  while (!AtEnd() && (Text[At] == ' ' || Text[At] == '\t' || Text[At] == '\n' || Text[At] == '\r'))
    ++At;
}

}  // namespace vorlane::cli
