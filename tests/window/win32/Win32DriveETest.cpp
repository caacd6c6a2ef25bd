// A job through the real window onto drive E:, with the real drive list, volume and file
// calls; only the open dialog and the boxes are scripted. Runs only where VORLANE_DRIVE_E_IMAGE
// names the card image that E: stands for (scripts/test-windows.sh sets up such a drive under
// wine): on a real Windows machine it would write to drive E:.
#include <gtest/gtest.h>

#include <cstdlib>

#include "card/CardLayout.h"
#include "card/Texts.h"
#include "drives/WideText.h"
#include "tests/card/WavFiles.h"
#include "tests/support/FileBytes.h"
#include "tests/window/win32/Win32Harness.h"

namespace vorlane {
namespace {

TEST(Win32WindowOnDriveE, WriteThroughTheWindowPutsTheSegmentImageOnTheCard) {
  const char* image = std::getenv("VORLANE_DRIVE_E_IMAGE");
  if (!image) GTEST_SKIP() << "VORLANE_DRIVE_E_IMAGE names no card image behind drive E:";
  testing::TWin32Harness harness;
  TWin32Services services = harness.Services();
  services.Behaviour = {};  // the system's drive list, volumes and beeps
  services.WatchDriveChanges = nullptr;
  TForm1 form(std::move(services));
  form.Show(SW_SHOWNOACTIVATE);
  ASSERT_EQ(form.DriveText(form.SelectedDrive()), "E:");

  const testing::TTempFolder folder;
  const std::uint32_t length = 3 * 1024 * 1024 + 100;
  const std::vector<std::uint8_t> wav = testing::MakeWavBytes(length, length);
  harness.DialogAnswers = {Utf8ToWide(folder.Write("segment.wav", wav))};
  testing::ClickAt(form.Handle(), 10, 6 + 17);   // SpeedButton2: open segment 1
  testing::ClickAt(form.Handle(), 242, 6 + 17);  // SpeedButton4: write it
  ASSERT_TRUE(testing::PumpUntil([&] { return form.ButtonEnabled(TButton::SpeedButton4); },
                                 std::chrono::seconds(60)));
  EXPECT_EQ(form.Text("Label4").Text, Utf8ToWide(WrittenText));
  EXPECT_TRUE(harness.Boxes.empty());

  std::vector<std::uint8_t> expected(ImageBytesFor(length), PadByte);
  std::copy(wav.begin(), wav.end(), expected.begin());
  EXPECT_EQ(testing::ReadFileRange(image, std::uint64_t{Segment1StartSector} * SectorSize,
                                   expected.size()),
            expected);
}

}  // namespace
}  // namespace vorlane
