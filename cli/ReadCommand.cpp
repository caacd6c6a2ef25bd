// read: the WAV file a segment holds, byte for byte, into a file.
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <ostream>
#include <random>
#include <vector>

#include "card/CardInfo.h"
#include "card/JobOutcome.h"
#include "card/Outcome.h"
#include "cli/Commands.h"
#include "cli/Targets.h"
#include "cli/Usage.h"
#include "drives/AlignedBuffer.h"
#include "drives/Platform.h"

namespace vorlane::cli {
namespace fs = std::filesystem;
namespace {

constexpr std::size_t ReadTransferSize = 4 << 20;

using TFile = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Copied stays first: an outcome given no step has ended well (TOutcome).
enum class TCopyStep {
  Copied,
  CardReadFailed,  // CardOffset: the transfer's first byte
  CreateFailed,    // the partial file next to the output could not be made
  WriteFailed,     // writing, flushing or closing the partial file
  RenameFailed,    // putting it in the output's place
};
using TCopyOutcome = TOutcome<TCopyStep>;

// The line for standard error; the file named is the one the step worked on.
std::string DescribeCopyFailure(const TCopyOutcome& outcome, const fs::path& partial,
                                const fs::path& output) {
  switch (outcome.Result) {
    case TCopyStep::CardReadFailed:
      return "reading the card at byte " + std::to_string(outcome.CardOffset.value_or(0)) + ": " +
             outcome.Error.message();
    case TCopyStep::CreateFailed:
      return partial.string() + ": cannot create the file";
    case TCopyStep::WriteFailed:
      return partial.string() + ": writing failed: " + outcome.Error.message();
    case TCopyStep::RenameFailed:
      return output.string() + ": " + outcome.Error.message();
    case TCopyStep::Copied:
      break;
  }
  return {};
}

// Copies length bytes from the card into a file next to output, then puts it in output's place:
// an output replaced with --force is lost only once the new one is whole.
class TSegmentCopy {
 public:
  TSegmentCopy(TVolume& volume, std::uint64_t firstByte, std::uint32_t length)
      : Volume(volume), FirstByte(firstByte), Length(length) {}

  // Returns the line for standard error, empty on success.
  std::string CopyTo(const fs::path& output) {
    const fs::path partial = PartialPathFor(output);
    TCopyOutcome outcome = CopyInto(partial);
    std::error_code error;
    if (outcome.Result == TCopyStep::Copied) fs::rename(partial, output, error);
    if (error) outcome = {TCopyStep::RenameFailed, error};
    if (outcome.Result != TCopyStep::Copied) fs::remove(partial, error);
    return DescribeCopyFailure(outcome, partial, output);
  }

 private:
  TCopyOutcome CopyInto(const fs::path& partial) {
    // "x": never opens a file that is there already.
    TFile file(std::fopen(partial.string().c_str(), "wbx"), std::fclose);
    if (!file) return {TCopyStep::CreateFailed};
    TAlignedBuffer bytes(ReadTransferSize);  // read by the card without a bounce copy
    for (std::uint64_t done = 0; done < Length;) {
      const std::size_t size =
          static_cast<std::size_t>(std::min<std::uint64_t>(ReadTransferSize, Length - done));
      const std::size_t sectors = (size + SectorSize - 1) / SectorSize * SectorSize;
      if (const std::error_code error = Volume.Read(FirstByte + done, bytes.First(sectors)))
        return {TCopyStep::CardReadFailed, error, FirstByte + done};
      if (std::fwrite(bytes.Bytes().data(), 1, size, file.get()) != size) return WriteFailed();
      done += size;
    }
    // The last bytes reach the file only here, as the buffer is flushed: a full disk shows now.
    if (std::fclose(file.release()) != 0) return WriteFailed();
    return {};
  }

  static TCopyOutcome WriteFailed() {
    return {TCopyStep::WriteFailed, std::error_code(errno, std::generic_category())};
  }

  static fs::path PartialPathFor(const fs::path& output) {
    std::random_device random;
    return output.string() + ".part" + std::to_string(random() % 1000000);
  }

  TVolume& Volume;
  const std::uint64_t FirstByte;
  const std::uint32_t Length;
};

}  // namespace

int RunRead(const TCommandContext& context, TSegment segment, const std::string& drive,
            const std::string& output, bool force) {
  const TTarget target =
      ResolveTargets({drive}, context.RemovableDrives(), TMissingImage::Refuse).front();
  std::error_code error;
  if (fs::exists(fs::symlink_status(output, error)) && !force)
    throw TUsageError(output + ": exists; --force replaces it");
  const TVolumeOpening opening = context.Platform.OpenVolume(target.VolumePath);
  if (!opening.Volume) {
    context.Err << DescribeFailure(target.VolumePath, OpenFailure(opening)) << std::endl;
    return ExitCardFailed;
  }
  const std::uint64_t firstByte = StartByteFor(segment);
  TSector first{};
  const std::error_code readError = opening.Volume->Read(firstByte, first);
  const std::uint32_t length = readError ? 0 : DeclaredWavLength(first);
  if (length == 0) {
    context.Err << target.VolumePath << ": " << DescribeSegment(segment)
                << ": no WAV file starts at " << DescribeSectorOf(firstByte)
                << (readError && readError != EndOfVolumeError() ? ": " + readError.message() : "")
                << std::endl;
    return ExitCardFailed;
  }
  const std::string failure = TSegmentCopy(*opening.Volume, firstByte, length).CopyTo(output);
  if (!failure.empty()) {
    context.Err << target.VolumePath << ": " << DescribeSegment(segment) << ": " << failure
                << std::endl;
    return ExitCardFailed;
  }
  context.Out << target.Name << ": " << DescribeSegment(segment) << ": " << length
              << " bytes written to " << output << std::endl;
  return ExitPassed;
}

}  // namespace vorlane::cli
