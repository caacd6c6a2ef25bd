#include "drives/FileAccess.h"
#include "drives/windows/HandleWindows.h"

namespace vorlane {
namespace {

// The system's own words for an error, in its language and code page. Trailing line breaks
// and full stops stay: the card layer decides how the text ends.
std::string SystemErrorText(DWORD error) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  if (length == 0) return {};
  std::string message(text, length);
  LocalFree(text);
  return message;
}

TFileRead Failure(TFileRead::TStatus status) {
  TFileRead result;
  result.Status = status;
  result.ErrorText = SystemErrorText(GetLastError());
  return result;
}

}  // namespace

TFileRead ReadFileAt(const std::string& path, std::uint64_t offset, std::span<std::uint8_t> data) {
  // Share mode 0: the open fails while another program holds the file, and nobody else can
  // open it while we read, so a recording cannot change under the check or a sector read.
  const TOwnedHandle file = OpenExisting(path, GENERIC_READ, 0, 0);
  if (!file) return Failure(TFileRead::TStatus::OpenFailed);
  if (!SeekTo(file.get(), offset)) return Failure(TFileRead::TStatus::ReadFailed);
  const std::optional<std::size_t> count = ReadUntilFullOrEnd(file.get(), data);
  if (!count) return Failure(TFileRead::TStatus::ReadFailed);
  TFileRead result;
  result.Count = *count;
  return result;
}

}  // namespace vorlane
