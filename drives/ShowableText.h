// Strings a device reports about itself (a reader's vendor and model, an SD card's name) are
// bytes the device chose. Shown raw, they could move the terminal's cursor, recolour it or set
// its title, or break the JSON a script reads, so every one goes through ShowableText first.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vorlane {

// The most characters a device string is shown with, its ellipsis included. SCSI names have 8
// and 16, SD card names 5 or 6; a longer string is a fault or a device showing off.
inline constexpr std::size_t ShowableTextLimit = 64;

// The text as valid UTF-8 that is safe on a terminal: control characters (C0, DEL, C1) and the
// characters that reorder or break lines (bidirectional overrides, line and paragraph
// separators) become escapes such as "\x1b" and "\u202e", each byte that is no part of a valid
// UTF-8 sequence becomes U+FFFD, and a text longer than the limit ends in "…".
std::string ShowableText(std::string_view deviceText);

}  // namespace vorlane
