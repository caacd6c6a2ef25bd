// vorlane-cli writes one recording to several cards at once: every card's job reads the same
// file at the same time, and each card must end with the whole image.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "card/CardLayout.h"
#include "cli/CommandContext.h"
#include "cli/Commands.h"
#include "cli/Usage.h"
#include "tests/card/WavFiles.h"
#include "tests/support/FileBytes.h"

namespace vorlane::cli {
namespace {

using vorlane::testing::MakeWavBytes;
using vorlane::testing::ReadFileRange;
using vorlane::testing::TTempFolder;

// Several 1 MiB transfers per card, so the cards' reads of the file overlap.
constexpr std::uint32_t RecordingBytes = 6 * 1024 * 1024 + 300;
constexpr int Cards = 4;

TEST(WriteManyCards, EveryCardWrittenFromOneFileAtOnceHoldsTheWholeImage) {
  const TTempFolder folder;
  const std::vector<std::uint8_t> wav = MakeWavBytes(RecordingBytes, RecordingBytes);
  const std::string recording = folder.Write("one.wav", wav);
  std::vector<std::string> images;
  for (int card = 0; card < Cards; ++card)
    images.push_back((folder.Path() / ("card" + std::to_string(card) + ".img")).string());

  ASSERT_EQ(RunWrite(SystemContext(), {recording, std::nullopt}, images, /*verify=*/true,
                     /*assumeYes=*/true),
            ExitPassed);

  std::vector<std::uint8_t> expected(ImageBytesFor(RecordingBytes), PadByte);
  std::copy(wav.begin(), wav.end(), expected.begin());
  for (const std::string& image : images) {
    SCOPED_TRACE(image);
    EXPECT_EQ(
        ReadFileRange(image, std::uint64_t{Segment1StartSector} * SectorSize, expected.size()),
        expected);
  }
}

}  // namespace
}  // namespace vorlane::cli
