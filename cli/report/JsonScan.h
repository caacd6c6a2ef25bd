// A strict reader of one JSON text (RFC 8259, UTF-8 only) held in memory, that builds no tree: it
// hands each value to a visitor with the keys that lead to it, so a reader takes the fields it
// knows and passes over the rest at the speed of a scan. Station logs are read a million lines at a
// time; a tree per line would cost more than everything else together.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorlane::cli {

enum class TJsonKind { Null, False, True, Number, String, Object, Array };

// One step from the top of the text down to a value: an object's key, or an array's item.
struct TJsonStep {
  std::string_view Key;  // decoded; empty for an item
  bool Item = false;
};

struct TJsonValue {
  TJsonKind Kind = TJsonKind::Null;
  // A number's text as written, a string's decoded bytes; empty otherwise. Valid during the
  // visit only.
  std::string_view Text;
};

class TJsonVisitor {
 public:
  virtual ~TJsonVisitor() = default;
  // Called for every value, containers as they open, in the order of the text.
  virtual void Visit(std::span<const TJsonStep> path, const TJsonValue& value) = 0;
};

// Nesting deeper than this is refused: no record comes near it, and a line of brackets must not
// cost more than its length.
inline constexpr std::size_t MaxJsonDepth = 32;

class TJsonScanner {
 public:
  // Reads text as exactly one JSON value with only white space around it. False where it is
  // not: Problem() says what is wrong and where. The visitor may have seen values before that.
  bool Scan(std::string_view text, TJsonVisitor& visitor);
  const std::string& Problem() const { return Why; }

 private:
  bool Value(TJsonVisitor& visitor);
  bool AfterValue(bool& more);
  bool String(std::string_view& decoded, std::string& scratch);
  bool Escape(std::string& out);
  bool Character();
  bool Number();
  bool Literal(std::string_view word);
  bool Key();
  bool Fail(const char* what);
  void SkipSpace();
  bool AtEnd() const { return At >= Text.size(); }

  std::string_view Text;
  std::size_t At = 0;
  std::vector<bool> Open;  // the containers open, innermost last: true for an object
  std::vector<TJsonStep> Path;
  std::vector<std::string> KeyScratch;  // decoded keys that held escapes, one per depth
  std::string ValueScratch;
  std::string Why;
};

}  // namespace vorlane::cli
