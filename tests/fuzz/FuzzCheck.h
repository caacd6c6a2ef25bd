// What the fuzz programs share: a check that stops the run where a property fails (libFuzzer
// then keeps the input), and a file in memory that the file-reading code opens by path.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

namespace vorlane::fuzz {

inline void Check(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::abort();
}

// A regular file that lives in memory; the code under test opens it by its /proc path, as it
// would open a recording.
class TMemoryFile {
 public:
  TMemoryFile() : Fd(memfd_create("fuzz-input", MFD_CLOEXEC)) {
    Check(Fd >= 0, "memfd_create works");
  }
  ~TMemoryFile() { close(Fd); }
  TMemoryFile(const TMemoryFile&) = delete;
  TMemoryFile& operator=(const TMemoryFile&) = delete;

  void Hold(std::span<const std::uint8_t> bytes) {
    Check(ftruncate(Fd, 0) == 0, "the memory file empties");
    for (std::size_t done = 0; done < bytes.size();) {
      const ssize_t wrote =
          pwrite(Fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
      Check(wrote > 0, "the memory file takes the input");
      done += static_cast<std::size_t>(wrote);
    }
  }
  std::string Path() const { return "/proc/self/fd/" + std::to_string(Fd); }

 private:
  int Fd;
};

// Valid UTF-8 with no C0, DEL or C1 control character, by a decoder of its own.
inline bool IsShowableUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x20 || lead == 0x7F) return false;
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (lead >= 0x80 && (lead < 0xC2 || lead > 0xF4)) return false;
    if (i + length > text.size()) return false;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) ||
        (code >= 0x80 && code <= 0x9F))
      return false;
    i += length;
  }
  return true;
}

}  // namespace vorlane::fuzz
