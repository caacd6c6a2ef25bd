// The Win32 window under wine's X11 driver: its layout at pixel level, and its behaviour
// through real window messages (clicks, the drive list's notifications, the watcher's posts,
// the job's posted changes), with scripted dialogs and boxes and a fake card.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "card/Texts.h"
#include "drives/WideText.h"
#include "tests/card/WavFiles.h"
#include "tests/window/win32/Win32Harness.h"
#include "window/win32/Look.h"

namespace vorlane {
namespace {

using testing::ClickAt;
using testing::MakeWavBytes;
using testing::PumpUntil;
using testing::TPainted;

constexpr RECT GaugeInside{1, 177, 346, 195};
const COLORREF InvertedSkyBlue = RGB(89, 53, 15);
const COLORREF InvertedBlue = RGB(255, 255, 0);

// Client points inside each button, away from glyph and caption edges.
struct TButtonPoint {
  TButton Button;
  int X, Y;
};
constexpr TButtonPoint SpeedButton1At{TButton::SpeedButton1, 10, 94 + 17};
constexpr TButtonPoint SpeedButton2At{TButton::SpeedButton2, 10, 6 + 17};
constexpr TButtonPoint SpeedButton3At{TButton::SpeedButton3, 242, 94 + 17};
constexpr TButtonPoint SpeedButton4At{TButton::SpeedButton4, 242, 6 + 17};

class Win32Window : public ::testing::Test {
 protected:
  std::unique_ptr<TForm1> MakeForm() {
    auto form = std::make_unique<TForm1>(Harness.Services());
    form->Show(SW_SHOWNOACTIVATE);
    testing::Pump(std::chrono::milliseconds(50));
    return form;
  }
  // Written through the wide path, so a Chinese name is the name on disk.
  std::wstring Wav(const std::wstring& name, std::uint32_t declared, std::size_t size = 44) {
    const std::filesystem::path path = Folder.Path() / name;
    const std::vector<std::uint8_t> bytes = MakeWavBytes(declared, size);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path.wstring();
  }
  static bool AllButtons(const TForm1& form, bool enabled) {
    for (TButton button : {TButton::SpeedButton1, TButton::SpeedButton2, TButton::SpeedButton3,
                           TButton::SpeedButton4})
      if (form.ButtonEnabled(button) != enabled) return false;
    return true;
  }

  testing::TWin32Harness Harness;
  testing::TTempFolder Folder;
};

TEST_F(Win32Window, WindowIsFixedSizeWithoutMaximiseAtItsPlace) {
  auto form = MakeForm();
  RECT client, frame;
  GetClientRect(form->Handle(), &client);
  GetWindowRect(form->Handle(), &frame);
  EXPECT_EQ(client.right, 347);
  EXPECT_EQ(client.bottom, 253);
  EXPECT_EQ(frame.left, 486);
  EXPECT_EQ(frame.top, 214);
  const LONG style = GetWindowLongW(form->Handle(), GWL_STYLE);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  wchar_t caption[64] = {};
  GetWindowTextW(form->Handle(), caption, 64);
  EXPECT_EQ(std::wstring(caption), L"Vorlane语音播放系统V1.0");

  RECT list;
  GetWindowRect(form->DriveList(), &list);
  MapWindowPoints(nullptr, form->Handle(), reinterpret_cast<POINT*>(&list), 2);
  EXPECT_EQ(list.left, 256);
  EXPECT_EQ(list.top, 224);
  EXPECT_EQ(SendMessageW(form->DriveList(), CB_GETITEMHEIGHT, 0, 0), DriveEntryHeight);
  EXPECT_EQ(list.bottom - list.top, 22) << "the selection field";
}

// Places and colours a user sees: one row per pixel that tells a control is where it belongs.
TEST_F(Win32Window, ControlsArePaintedAtTheirPlacesInTheirColours) {
  auto form = MakeForm();
  const TPainted painted(*form);
  // The window at start-up, as the README shows it: VORLANE_SCREENSHOT=FILE.bmp keeps it.
  if (const char* screenshot = std::getenv("VORLANE_SCREENSHOT")) painted.SaveBmp(screenshot);
  const COLORREF frame = GetSysColor(COLOR_WINDOWFRAME);
  const struct {
    const char* What;
    int X, Y;
    COLORREF Colour;
  } pixels[] = {
      {"window ground", 200, 2, SkyBlue},
      {"gauge frame, left (its top row is under segment 2's frame)", 0, 186, RGB(0, 0, 0)},
      {"gauge frame, bottom right", 346, 195, RGB(0, 0, 0)},
      {"gauge inside at 0%", 20, 180, SkyBlue},
      {"segment 1 frame, left", 0, 60, frame},
      {"segment 1 frame, right", 346, 60, frame},
      {"segment 1 frame, bottom", 100, 6 + 82, frame},
      {"segment 2 frame, left", 0, 150, frame},
      {"between the panels", 100, 91, SkyBlue},
      {"idle button, no edge", 8, 6 + 16, SkyBlue},
      {"logo's keyed corner", 4, 248, SkyBlue},
  };
  for (const auto& pixel : pixels)
    EXPECT_EQ(painted.At(pixel.X, pixel.Y), pixel.Colour) << pixel.What;
  EXPECT_GT(painted.Count({64, 238, 213, 251}, Purple), 10) << "Label7 in purple";
  EXPECT_GT(painted.Count(GaugeInside, InvertedSkyBlue), 10) << "0% inverted over sky blue";
  EXPECT_GT(painted.Count({8, 94 + 16, 8 + 97, 94 + 38}, RGB(0, 0, 0)), 20) << "Open caption";
  EXPECT_LT(painted.Count({4, 200, 61, 249}, SkyBlue), 57 * 49) << "the logo is drawn";
  for (const char* name : {"Label1", "Label2", "Label3", "Label4"})
    EXPECT_TRUE(form->Text(name).Text.empty()) << name;
  EXPECT_EQ(form->Text("GroupBox3").Text,
            std::wstring(30, L'*') + L"语音段1" + std::wstring(28, L'*'));
}

// With no card the drive list's field is sky blue like the rest of the window, not white.
TEST_F(Win32Window, EmptyDriveListIsSkyBlue) {
  Harness.Drives = {};
  auto form = MakeForm();
  EXPECT_EQ(TPainted(*form).At(280, 235), SkyBlue);
}

// 50% of W = 346 is 173: columns 1 to 172 blue, the rest sky blue; the text inverts both.
TEST_F(Win32Window, GaugeFillsItsShareAndInvertsItsTextOverBarAndGround) {
  auto form = MakeForm();
  for (const auto& [percent, lastBlue] :
       {std::pair{1, 2}, std::pair{50, 172}, std::pair{100, 345}}) {
    form->SetProgress(percent);
    const TPainted painted(*form);
    EXPECT_EQ(painted.At(lastBlue, 178), Blue) << percent;
    if (lastBlue < 345) {
      EXPECT_EQ(painted.At(lastBlue + 1, 178), SkyBlue) << percent;
    }
  }
  form->SetProgress(50);
  const TPainted half(*form);
  EXPECT_GT(half.Count(GaugeInside, InvertedBlue), 5) << "text over the bar";
  EXPECT_GT(half.Count(GaugeInside, InvertedSkyBlue), 5) << "text over the ground";
}

TEST_F(Win32Window, ClickingOpenRunsItsDialogOfferingTheLastNameAndShowsThePath) {
  auto form = MakeForm();
  const std::wstring path = Wav(L"语音.wav", 44);
  Harness.DialogAnswers = {path, std::nullopt};
  ClickAt(form->Handle(), SpeedButton2At.X, SpeedButton2At.Y);
  EXPECT_EQ(form->Text("Label3").Text, Utf8ToWide(PathPrefixText) + path);
  EXPECT_TRUE(form->Behaviour().Segment(TSegment::One).Armed);
  ClickAt(form->Handle(), SpeedButton2At.X, SpeedButton2At.Y);
  EXPECT_EQ(Harness.OfferedNames, (std::vector<std::wstring>{L"", path}));
  EXPECT_TRUE(form->Text("Label1").Text.empty()) << "segment 2's panel untouched";
  EXPECT_TRUE(Harness.Boxes.empty());
}

TEST_F(Win32Window, EachButtonReachesItsOwnHandler) {
  auto form = MakeForm();
  for (const TButtonPoint& at : {SpeedButton1At, SpeedButton2At}) {
    Harness.DialogAnswers = {std::nullopt};
    ClickAt(form->Handle(), at.X, at.Y);
    EXPECT_TRUE(Harness.DialogAnswers.empty()) << static_cast<int>(at.Button);
  }
  ClickAt(form->Handle(), SpeedButton4At.X, SpeedButton4At.Y);
  ClickAt(form->Handle(), SpeedButton3At.X, SpeedButton3At.Y);
  EXPECT_EQ(Harness.Boxes, (std::vector<std::wstring>{Utf8ToWide(OpenWavFirstText),
                                                      Utf8ToWide(OpenWavFirstText)}));
  ClickAt(form->Handle(), 70, 244);
  EXPECT_EQ(Harness.OpenedUrls.size(), 1u) << "Label7";
}

TEST_F(Win32Window, ButtonsAreLockedDuringTheJobAndComeBackAfterIt) {
  auto form = MakeForm();
  Harness.DialogAnswers = {Wav(L"seg.wav", 1000, 1000)};
  ClickAt(form->Handle(), SpeedButton1At.X, SpeedButton1At.Y);
  Harness.Card.HoldWriteNumber = 1;
  const TPainted idle(*form);
  ClickAt(form->Handle(), SpeedButton3At.X, SpeedButton3At.Y);
  EXPECT_TRUE(AllButtons(*form, false));
  EXPECT_EQ(form->Text("Label2").Text, Utf8ToWide(WritingText));
  const TPainted locked(*form);
  const RECT open2{8, 94 + 16, 105, 94 + 38};
  EXPECT_NE(idle.Count(open2, RGB(0, 0, 0)), locked.Count(open2, RGB(0, 0, 0)))
      << "a locked button is drawn greyed";
  Harness.DialogAnswers = {Wav(L"other.wav", 44)};
  ClickAt(form->Handle(), SpeedButton2At.X, SpeedButton2At.Y);
  EXPECT_EQ(Harness.DialogAnswers.size(), 1u) << "a locked button does nothing";

  Harness.Card.WaitUntilHeld();
  Harness.Card.Release();
  ASSERT_TRUE(PumpUntil([&] { return AllButtons(*form, true); }));
  EXPECT_EQ(form->Text("Label2").Text, Utf8ToWide(WrittenText));
  EXPECT_EQ(form->Text("Label2").Colour, RGB(0, 128, 0));
  EXPECT_EQ(form->Progress(), 0);
  EXPECT_EQ(Harness.Card.OpenedPath, VolumePathFor("E:"));
}

// The list's own notifications: opening refreshes it, a pick is remembered, closing without
// one returns to it.
TEST_F(Win32Window, DriveListNotificationsReachTheirHandlers) {
  Harness.Drives = {"E:", "F:", "G:"};
  auto form = MakeForm();
  const HWND list = form->DriveList();
  EXPECT_EQ(form->SelectedDrive(), 0);
  SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
  EXPECT_EQ(form->SelectedDrive(), -1) << "refreshed with nothing selected";
  SendMessageW(list, CB_SETCURSEL, 2, 0);
  SendMessageW(form->Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
  SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);
  testing::Pump(std::chrono::milliseconds(50));
  EXPECT_EQ(form->Behaviour().LastPickedIndex(), 2);
  Harness.Drives = {"E:", "F:", "H:", "I:"};
  SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
  SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);
  testing::Pump(std::chrono::milliseconds(50));
  EXPECT_EQ(form->DriveText(form->SelectedDrive()), "H:");
}

// A burst of events from the watcher's thread gives one reading, keeping the selected card.
TEST_F(Win32Window, DriveListFollowsCardsFromTheWatchersThread) {
  Harness.Drives = {"F:"};
  auto form = MakeForm();
  Harness.Drives = {"E:", "F:"};
  std::thread watcher([&] {
    std::lock_guard lock(Harness.WatcherLock);
    for (int event = 0; event < 3; ++event) Harness.DrivesChanged();
  });
  watcher.join();
  ASSERT_TRUE(PumpUntil([&] { return form->DriveCount() == 2; }, std::chrono::seconds(5)));
  EXPECT_EQ(form->DriveText(form->SelectedDrive()), "F:");
  form.reset();
  std::lock_guard lock(Harness.WatcherLock);
  EXPECT_FALSE(Harness.DrivesChanged) << "watching ends with the window";
}

TEST_F(Win32Window, ClosingTheWindowMidJobStopsTheJobAndClosesTheCard) {
  auto form = MakeForm();
  const std::uint32_t length = 8 << 20;
  Harness.DialogAnswers = {Wav(L"big.wav", length, length)};
  ClickAt(form->Handle(), SpeedButton2At.X, SpeedButton2At.Y);
  Harness.Card.HoldWriteNumber = testing::FirstImageWrite;
  ClickAt(form->Handle(), SpeedButton4At.X, SpeedButton4At.Y);
  Harness.Card.WaitUntilHeld();
  std::thread card([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Harness.Card.Release();
  });
  SendMessageW(form->Handle(), WM_CLOSE, 0, 0);
  card.join();
  EXPECT_FALSE(IsWindow(form->Handle()));
  EXPECT_EQ(Harness.Card.Closes, 1);
  EXPECT_LT(Harness.Card.WrittenSectorNumbers().size(), SectorCountFor(length));
  for (const std::string& entry : Harness.Platform.Log())
    EXPECT_EQ(entry.rfind("beep", 0), std::string::npos) << "no alarm for a closed window";
  MSG quit;
  while (PeekMessageW(&quit, nullptr, 0, 0, PM_REMOVE)) {
  }
}

}  // namespace
}  // namespace vorlane
