// The window's behaviour driven as a user drives it, on a recording view: the drive list, the
// scripted open dialogs, the recorded message boxes, the Write checks and a job on a fake card.
#include "window/TFormBehaviour.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include "card/Texts.h"
#include "tests/card/FakeVolume.h"
#include "tests/card/WavFiles.h"
#include "tests/window/RecordingView.h"
#include "window/SupportLink.h"

namespace vorlane {
namespace {

using testing::MakeWavBytes;
using TStrings = std::vector<std::string>;

const std::string NoDisk = NoRemovableDiskText;
const std::string OpenFirst = OpenWavFirstText;
const std::string TooLarge = WavTooLargeText;
const std::string NotWav = NotWavText;
const std::string Writing = WritingText;
const std::string Written = WrittenText;

class FormBehaviour : public ::testing::Test {
 protected:
  std::unique_ptr<TFormBehaviour> MakeForm() {
    TBehaviourServices services;
    services.GetRemovableDrives = [this] {
      ++DriveListings;
      return Drives;
    };
    services.GetRemovableDriveDetails = [this] { return Details; };
    services.Platform = &Platform;
    services.LogJobFailure = [this](const std::string& line) {
      std::lock_guard lock(LogLock);
      Logged.push_back(line);
    };
    auto form = std::make_unique<TFormBehaviour>(View, std::move(services));
    form->FormCreate();
    return form;
  }

  std::string Wav(const std::string& name, std::uint32_t declared, std::size_t size = 44) {
    return Folder.Write(name, MakeWavBytes(declared, size));
  }
  std::string Missing(const std::string& name) const { return (Folder.Path() / name).string(); }

  void Open(TFormBehaviour& form, TSegment segment, std::optional<std::string> answer) {
    View.DialogAnswers[SlotIndex(segment)].push_back(std::move(answer));
    segment == TSegment::One ? form.SpeedButton2Click() : form.SpeedButton1Click();
  }
  static void Write(TFormBehaviour& form, TSegment segment) {
    segment == TSegment::One ? form.SpeedButton4Click() : form.SpeedButton3Click();
  }
  void WaitForJobEnd() {
    ASSERT_TRUE(View.RunPostedUntil([&] { return View.AllButtons(true); }));
  }
  const std::string& Status(TSegment segment) const { return View.StatusTexts[SlotIndex(segment)]; }
  const std::string& PathText(TSegment segment) const { return View.PathTexts[SlotIndex(segment)]; }

  TStrings Drives{"sdb1"};
  std::vector<TDriveDetails> Details;
  int DriveListings = 0;
  testing::TFakeCard Card;
  testing::TRecorder Platform{Card};
  std::mutex LogLock;
  TStrings Logged;
  testing::TRecordingView View;
  testing::TTempFolder Folder;
};

TEST_F(FormBehaviour, StartUpWithoutRemovableDriveSaysSoAndLeavesTheListEmpty) {
  Drives = {};
  auto form = MakeForm();
  EXPECT_EQ(View.Boxes, TStrings{NoDisk});
  EXPECT_TRUE(View.Drives.empty());
  EXPECT_EQ(View.Selected, -1);
}

TEST_F(FormBehaviour, StartUpListsTheDrivesWithTheirDetailsAndSelectsTheFirst) {
  Drives = {"sdb1", "sdc"};
  Details = {{"sdb1", 7'400'000'000, "Generic", "STORAGE DEVICE"}};
  auto form = MakeForm();
  EXPECT_TRUE(View.Boxes.empty());
  EXPECT_EQ(View.Drives, (std::vector<testing::TShownDrive>{
                             {"sdb1", "7.4 GB · Generic STORAGE DEVICE"}, {"sdc", ""}}));
  EXPECT_EQ(View.Selected, 0);
  EXPECT_EQ(form->SectorBuffer(), TSector{});
}

// The list refreshes on every drop-down with nothing selected; closing it without a pick
// returns to the last picked index, or to none where the refreshed list is shorter.
TEST_F(FormBehaviour, DropDownRefreshesAndCloseUpRestoresTheLastPickedIndex) {
  Drives = {"sdb", "sdc", "sdd"};
  auto form = MakeForm();
  const auto dropAndClose = [&](int pick) {
    form->ComboBox1DropDown();
    EXPECT_EQ(View.Selected, -1) << "a refreshed list has no selection";
    if (pick >= 0) {
      View.Selected = pick;
      form->ComboBox1Click();
    }
    form->ComboBox1CloseUp();
  };

  dropAndClose(-1);
  EXPECT_EQ(View.Selected, 0) << "before any pick the index is 0";
  dropAndClose(2);
  EXPECT_EQ(form->LastPickedIndex(), 2);
  Drives = {"sde", "sdf", "sdg", "sdh"};
  dropAndClose(-1);
  EXPECT_EQ(View.DriveText(View.Selected), "sdg");
  Drives = {"sde"};
  dropAndClose(-1);
  EXPECT_EQ(View.Selected, -1);
  Drives = {};
  dropAndClose(-1);
  EXPECT_TRUE(View.Drives.empty());
  EXPECT_TRUE(View.Boxes.empty()) << "an empty drop-down says nothing";
}

// Cards coming and going: the selection follows its entry by name, details come along, and
// the open list is left as the user sees it.
TEST_F(FormBehaviour, DrivesChangingKeepTheSelectedCardAndWaitForAnOpenListToClose) {
  Drives = {"sdb1", "sdc1"};
  auto form = MakeForm();
  View.Selected = 1;
  Drives = {"sda1", "sdb1", "sdc1"};
  Details = {{"sda1", 31'900'000'000, "", ""}};
  View.ListOpen = true;
  EXPECT_FALSE(form->DrivesChanged());
  EXPECT_EQ(View.Entries(), (TStrings{"sdb1", "sdc1"}));
  View.ListOpen = false;
  EXPECT_TRUE(form->DrivesChanged());
  EXPECT_EQ(View.Entries(), (TStrings{"sda1", "sdb1", "sdc1"}));
  EXPECT_EQ(View.Drives[0].Details, "31.9 GB");
  EXPECT_EQ(View.Selected, 2);
}

// The card put in after start-up is written without the list ever being opened.
TEST_F(FormBehaviour, CardArrivingAfterAnEmptyStartIsSelectedAndWritten) {
  Drives = {};
  auto form = MakeForm();
  Drives = {"sdb1"};
  ASSERT_TRUE(form->DrivesChanged());
  EXPECT_EQ(View.Selected, 0);
  Open(*form, TSegment::One, Wav("a.wav", 44));
  Write(*form, TSegment::One);
  WaitForJobEnd();
  EXPECT_EQ(Card.OpenedPath, VolumePathFor("sdb1"));
  EXPECT_EQ(View.Boxes, TStrings{NoDisk}) << "no further message";
}

TEST_F(FormBehaviour, OpeningAValidFileArmsTheSlotAndShowsItsPath) {
  auto form = MakeForm();
  View.StatusTexts[0] = "old status";
  const std::string path = Wav("a.wav", 44);
  Open(*form, TSegment::One, path);
  EXPECT_TRUE(form->Segment(TSegment::One).Armed);
  EXPECT_EQ(form->Segment(TSegment::One).DeclaredLength, 44u);
  EXPECT_FALSE(form->Segment(TSegment::Two).Armed);
  EXPECT_EQ(PathText(TSegment::One), PathPrefixText + path);
  EXPECT_TRUE(Status(TSegment::One).empty());
  EXPECT_TRUE(View.Boxes.empty());
}

TEST_F(FormBehaviour, CancelOrAnUpperCaseEndingChangesNothingAndSaysNothing) {
  auto form = MakeForm();
  Open(*form, TSegment::Two, std::nullopt);
  Open(*form, TSegment::Two, Wav("loud.WAV", 44));
  EXPECT_FALSE(form->Segment(TSegment::Two).Armed);
  EXPECT_TRUE(form->Segment(TSegment::Two).File.empty());
  EXPECT_TRUE(PathText(TSegment::Two).empty());
  EXPECT_TRUE(View.Boxes.empty());
}

TEST_F(FormBehaviour, FileFailingTheWaveCheckShowsItsPathAndKeepsAnArmedSlotArmed) {
  auto form = MakeForm();
  Open(*form, TSegment::One, Wav("good.wav", 44));
  std::vector<std::uint8_t> notWav = MakeWavBytes(44, 44);
  notWav[8] = 'w';
  const std::string bad = Folder.Write("bad.wav", notWav);
  Open(*form, TSegment::One, bad);
  EXPECT_EQ(View.Boxes, TStrings{NotWav});
  EXPECT_TRUE(form->Segment(TSegment::One).Armed);
  EXPECT_EQ(form->Segment(TSegment::One).DeclaredLength, 0u);
  EXPECT_EQ(PathText(TSegment::One), PathPrefixText + bad);
}

TEST_F(FormBehaviour, EachSlotIsJudgedAgainstTheLimitByItsOwnLength) {
  auto form = MakeForm();
  Open(*form, TSegment::One, Wav("limit.wav", MaxDeclaredLength));
  EXPECT_TRUE(View.Boxes.empty());
  EXPECT_FALSE(PathText(TSegment::One).empty());

  View.StatusTexts[1] = "kept";
  Open(*form, TSegment::Two, Wav("over.wav", MaxDeclaredLength + 1));
  EXPECT_EQ(View.Boxes, TStrings{TooLarge});
  EXPECT_TRUE(form->Segment(TSegment::Two).Armed) << "a file over the limit still arms the slot";
  EXPECT_EQ(form->Segment(TSegment::Two).DeclaredLength, MaxDeclaredLength + 1);
  EXPECT_TRUE(PathText(TSegment::Two).empty());
  EXPECT_EQ(Status(TSegment::Two), "kept");
}

TEST_F(FormBehaviour, FileThatCannotBeOpenedGoesToTheErrorBoxAndTheSlotStaysAsItWas) {
  auto form = MakeForm();
  const std::string good = Wav("good.wav", 1000, 1000);
  Open(*form, TSegment::One, good);
  const std::string gone = Missing("gone.wav");
  Open(*form, TSegment::One, gone);
  ASSERT_EQ(View.Boxes.size(), 1u);
  EXPECT_EQ(View.Boxes[0],
            "error: Cannot open file \"" + gone + "\". " + testing::MissingFileText());
  EXPECT_EQ(form->Segment(TSegment::One).DeclaredLength, 1000u);
  EXPECT_EQ(form->Segment(TSegment::One).File, good);
  EXPECT_EQ(PathText(TSegment::One), PathPrefixText + good);
}

TEST_F(FormBehaviour, WriteRefusalsComeInOrderAndStartNoJob) {
  auto form = MakeForm();
  Drives = {};
  Write(*form, TSegment::One);
  Drives = {"sdb1"};
  Write(*form, TSegment::One);
  Open(*form, TSegment::One, Wav("good.wav", 44));
  Open(*form, TSegment::One, Folder.Write("bad.wav", std::vector<std::uint8_t>(44, 0)));
  Write(*form, TSegment::One);
  Open(*form, TSegment::Two, Wav("over.wav", MaxDeclaredLength + 1));
  Write(*form, TSegment::Two);
  EXPECT_EQ(View.Boxes, (TStrings{NoDisk, OpenFirst, NotWav, OpenFirst, TooLarge, TooLarge}));
  EXPECT_TRUE(Card.OpenedPath.empty());
  EXPECT_TRUE(View.AllButtons(true));
}

TEST_F(FormBehaviour, WriteLocksTheButtonsWhileTheJobRunsAndTheJobReleasesThem) {
  Drives = {"sdb1", "sdc1"};
  auto form = MakeForm();
  View.Selected = 1;
  Open(*form, TSegment::Two, Wav("seg.wav", 1000, 1000));
  Card.HoldWriteNumber = 1;
  Write(*form, TSegment::Two);

  EXPECT_EQ(Status(TSegment::Two), Writing);
  EXPECT_EQ(View.StatusColors[1], StatusBlack);
  EXPECT_TRUE(View.AllButtons(false));
  EXPECT_EQ(form->LastWriteMode(), TSegment::Two);
  View.Selected = 0;  // a running job keeps the drive it was given
  Card.WaitUntilHeld();
  Card.Release();
  WaitForJobEnd();

  EXPECT_EQ(Card.OpenedPath, VolumePathFor("sdc1"));
  EXPECT_EQ(Status(TSegment::Two), Written);
  EXPECT_EQ(View.StatusColors[1], StatusGreen);
  EXPECT_EQ(View.Progress, 0);
  EXPECT_EQ(Card.Sectors.count(Segment2StartSector + 2), 1u);
  EXPECT_TRUE(Logged.empty());
}

TEST_F(FormBehaviour, SuccessTextStaysUntilTheNextOpenOrWriteOnThatSlot) {
  auto form = MakeForm();
  Open(*form, TSegment::One, Wav("a.wav", 44));
  Write(*form, TSegment::One);
  WaitForJobEnd();
  ASSERT_EQ(Status(TSegment::One), Written);

  Open(*form, TSegment::Two, Wav("b.wav", 44));
  Open(*form, TSegment::One, Wav("c.WAV", 44));
  EXPECT_EQ(Status(TSegment::One), Written) << "other slot, or an open that stopped early";
  Open(*form, TSegment::One, Wav("d.wav", 44));
  EXPECT_TRUE(Status(TSegment::One).empty());
  Write(*form, TSegment::One);
  EXPECT_EQ(Status(TSegment::One), Writing);
  WaitForJobEnd();
}

// A later pick that was never checked must not reach the card under the checked file's
// length while the path label still names the checked file.
TEST_F(FormBehaviour, WriteAlwaysPutsTheCheckedFileOnTheCard) {
  auto form = MakeForm();
  const auto checked = MakeWavBytes(600, 600);
  Open(*form, TSegment::One, Folder.Write("checked.wav", checked));
  Open(*form, TSegment::One, Wav("other.WAV", 44, 600));
  Open(*form, TSegment::One, Missing("gone.wav"));
  Write(*form, TSegment::One);
  WaitForJobEnd();
  const TSector& first = Card.Sectors[Segment1StartSector];
  EXPECT_TRUE(std::equal(first.begin(), first.end(), checked.begin()));
}

TEST_F(FormBehaviour, WriteWithNoDriveSelectedEndsAtTheVolumeWithButtonsBackAndALogLine) {
  Card.FailOpen = true;
  auto form = MakeForm();
  View.Selected = -1;
  Open(*form, TSegment::One, Wav("a.wav", 44));
  Write(*form, TSegment::One);
  WaitForJobEnd();
  EXPECT_EQ(Card.OpenedPath, VolumePathFor(""));
  EXPECT_EQ(View.Boxes, TStrings{ReinsertDiskText});
  EXPECT_EQ(Status(TSegment::One), Writing);
  std::lock_guard lock(LogLock);
  ASSERT_EQ(Logged.size(), 1u);
  EXPECT_EQ(Logged[0].rfind(VolumePathFor("") + ": opening the volume: ", 0), 0u) << Logged[0];
}

// Nothing the job reports after the window has gone is applied: the test's "event loop" never
// runs again, and nothing sounds.
TEST_F(FormBehaviour, ClosingTheWindowMidJobStopsTheJobAndClosesTheCard) {
  auto form = MakeForm();
  const std::uint32_t length = 8 << 20;  // longer than the transfers the job queues ahead
  Open(*form, TSegment::One, Wav("big.wav", length, length));
  Card.HoldWriteNumber = testing::FirstImageWrite;
  Write(*form, TSegment::One);
  Card.WaitUntilHeld();
  std::thread card([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Card.Release();
  });
  form.reset();
  card.join();
  EXPECT_EQ(Card.Closes, 1);
  EXPECT_LT(Card.WrittenSectorNumbers().size(), SectorCountFor(length));
  for (const std::string& entry : Platform.Log())
    EXPECT_EQ(entry.rfind("beep", 0), std::string::npos) << "no alarm for a closed window";
}

TEST_F(FormBehaviour, SupportLabelOpensTheSupportPage) {
  auto form = MakeForm();
  form->Label7Click();
  EXPECT_EQ(View.OpenedUrls, TStrings{SupportUrl});
}

TEST(SupportLink, HostIsWhatStandsBetweenTheSlashesAndThePathOrPort) {
  const struct {
    const char* Url;
    const char* Host;
  } cases[] = {{"https://vorlane.test/support", "vorlane.test"},
               {"http://example.com", "example.com"},
               {"https://host.test:8443/x", "host.test"},
               {"https://host.test?q=1", "host.test"},
               {"no-scheme", ""}};
  for (const auto& c : cases) EXPECT_EQ(HostOf(c.Url), c.Host) << c.Url;
}

}  // namespace
}  // namespace vorlane
