#include "drives/ShowableText.h"

#include <cstdint>
#include <cstdio>
#include <optional>

namespace vorlane {
namespace {

constexpr std::string_view Replacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::string_view Ellipsis = "\xE2\x80\xA6";     // U+2026

struct TDecoded {
  char32_t Code = 0;
  std::size_t Bytes = 0;
};

// The UTF-8 sequence at the text's start, if it is a valid one: no overlong form, no
// surrogate, nothing past U+10FFFF.
std::optional<TDecoded> DecodeFirst(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  if (lead < 0x80) return TDecoded{lead, 1};
  std::size_t bytes = 0;
  char32_t code = 0;
  char32_t smallest = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    bytes = 2, code = lead & 0x1Fu, smallest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    bytes = 3, code = lead & 0x0Fu, smallest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    bytes = 4, code = lead & 0x07u, smallest = 0x10000;
  } else {
    return std::nullopt;
  }
  if (text.size() < bytes) return std::nullopt;
  for (std::size_t i = 1; i < bytes; ++i) {
    const auto next = static_cast<unsigned char>(text[i]);
    if ((next & 0xC0u) != 0x80u) return std::nullopt;
    code = code << 6 | (next & 0x3Fu);
  }
  if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
  return TDecoded{code, bytes};
}

// Characters that act on the terminal or on the layout of what follows them.
bool NeedsEscape(char32_t code) {
  return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x200E || code == 0x200F ||
         (code >= 0x2028 && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

std::string Escape(char32_t code) {
  char escaped[16];
  if (code < 0x80)
    std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned>(code));
  else
    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(code));
  return escaped;
}

// One character of the text as it is shown, and how many characters that takes on screen.
struct TShown {
  std::string Text;
  std::size_t Characters = 1;
};

TShown ShowFirst(std::string_view text, std::size_t& consumed) {
  const std::optional<TDecoded> decoded = DecodeFirst(text);
  if (!decoded) {
    consumed = 1;
    return {std::string(Replacement), 1};
  }
  consumed = decoded->Bytes;
  if (NeedsEscape(decoded->Code)) {
    std::string escaped = Escape(decoded->Code);
    const std::size_t characters = escaped.size();
    return {std::move(escaped), characters};
  }
  return {std::string(text.substr(0, decoded->Bytes)), 1};
}

}  // namespace

std::string ShowableText(std::string_view deviceText) {
  std::string shown;
  std::size_t characters = 0;
  std::size_t cutAt = 0;  // where the ellipsis goes should the text not fit
  for (std::size_t at = 0; at < deviceText.size();) {
    std::size_t consumed = 0;
    const TShown next = ShowFirst(deviceText.substr(at), consumed);
    if (characters + next.Characters > ShowableTextLimit)
      return shown.substr(0, cutAt) + std::string(Ellipsis);
    characters += next.Characters;
    shown += next.Text;
    if (characters < ShowableTextLimit) cutAt = shown.size();
    at += consumed;
  }
  return shown;
}

}  // namespace vorlane
