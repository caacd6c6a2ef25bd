#include "card/TReadWrite.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "card/CardLayout.h"
#include "tests/card/FakeVolume.h"
#include "tests/card/WavFiles.h"

namespace vorlane {
namespace {

using testing::CardFault;
using testing::FirstImageWrite;
using testing::ImageSync;
using testing::MakeWavBytes;
using testing::TFakeCard;
using testing::TRecorder;
using testing::TTempFolder;

TSector Padding() {
  TSector sector;
  sector.fill(PadByte);
  return sector;
}

// The image sector k of a file: its bytes from 512k, padded with 0x80.
TSector ImageSector(const std::vector<std::uint8_t>& file, std::size_t k) {
  TSector sector = Padding();
  for (std::size_t i = 0; i < SectorSize && k * SectorSize + i < file.size(); ++i)
    sector[i] = file[k * SectorSize + i];
  return sector;
}

class WriteJob : public ::testing::Test {
 protected:
  // Runs one job to its end and returns its outcome, checking it was reported exactly once.
  TJobOutcome Run(TSegment segment, const std::string& path, std::uint32_t declaredLength,
                  const std::string& volume = "/dev/sdb1") {
    const std::size_t before = Recorder.Outcomes().size();
    TReadWriteThread job({volume, segment, {path, declaredLength, true}}, Recorder, Recorder, Buf);
    job.WaitFor();
    const auto outcomes = Recorder.Outcomes();
    EXPECT_EQ(outcomes.size(), before + 1) << "one outcome per job";
    EXPECT_EQ(Recorder.Log().back().rfind("outcome ", 0), 0u) << "the outcome comes last";
    return outcomes.back();
  }

  TTempFolder Folder;
  TFakeCard Card;
  TRecorder Recorder{Card};
  TSector Buf{};
};

TEST_F(WriteJob, SmallFileGetsTestSectorThenTwoImageSectorsAndNothingElse) {
  const auto file = MakeWavBytes(44, 44);
  EXPECT_EQ(Run(TSegment::One, Folder.Write("a.wav", file), 44).Result, TJobResult::Succeeded);

  EXPECT_EQ(Card.OpenedPath, "/dev/sdb1");
  EXPECT_EQ(Card.WrittenSectorNumbers(), (std::vector<std::uint64_t>{8190, 8192, 8193}));
  EXPECT_EQ(Card.Sectors[TestSector], MakeTestPattern());
  EXPECT_EQ(Card.Sectors[8190][0], 1);
  EXPECT_EQ(Card.Sectors[8190][255], 0);
  EXPECT_EQ(Card.Sectors[8190][511], 0);
  EXPECT_EQ(Card.Sectors[8192], ImageSector(file, 0));
  EXPECT_EQ(Card.Sectors[8193], Padding());
  EXPECT_EQ(Recorder.ProgressValues(), (std::vector<int>{0, 100}));
  EXPECT_EQ(Card.SyncsSeen, ImageSync)
      << "the test sector, the probe and the segment each confirmed";
  EXPECT_EQ(Card.Closes, 1);
}

TEST_F(WriteJob, Segment2LandsAt410MiB) {
  const auto file = MakeWavBytes(1000, 1000);
  EXPECT_EQ(Run(TSegment::Two, Folder.Write("b.wav", file), 1000).Result, TJobResult::Succeeded);

  EXPECT_EQ(Card.WrittenSectorNumbers(),
            (std::vector<std::uint64_t>{8190, 839680, 839681, 839682}));
  EXPECT_EQ(Card.Sectors[839680], ImageSector(file, 0));
  EXPECT_EQ(Card.Sectors[839681], ImageSector(file, 1));
  EXPECT_EQ(Card.Sectors[839682], Padding());
  EXPECT_EQ(Recorder.ProgressValues(), (std::vector<int>{0, 50, 100}));
}

TEST_F(WriteJob, FileLongerThanItsHeaderSaysFillsThePaddingSectorWithItsFurtherBytes) {
  const auto file = MakeWavBytes(600, 1500);
  Run(TSegment::One, Folder.Write("long.wav", file), 600);
  ASSERT_EQ(Card.WrittenSectorNumbers().size(), 4u);
  for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(Card.Sectors[8192 + k], ImageSector(file, k)) << k;
}

// Several 1 MiB transfers: every sector in its place across transfer boundaries, and the
// observer hears each percentage once.
TEST_F(WriteJob, MultiMegabyteSegmentIsExactAndProgressIsHandedOnlyOnChange) {
  const std::uint32_t length = 3 * (1 << 20) + 777;
  const auto file = MakeWavBytes(length, length);
  EXPECT_EQ(Run(TSegment::One, Folder.Write("big.wav", file), length).Result,
            TJobResult::Succeeded);

  const std::uint32_t imageSectors = SectorCountFor(length) + 1;
  EXPECT_EQ(imageSectors, 6147u);
  ASSERT_EQ(Card.WrittenSectorNumbers().size(), imageSectors + 1);
  EXPECT_EQ(Card.WrittenSectorNumbers().back(), 8192u + imageSectors - 1);
  for (std::size_t k = 0; k < imageSectors; ++k)
    ASSERT_EQ(Card.Sectors[8192 + k], ImageSector(file, k)) << "image sector " << k;
  EXPECT_EQ(Card.WritesSeen, FirstImageWrite - 1 + 4)
      << "before the image, then three whole transfers and a part";

  std::vector<int> expected;
  for (int p = 0; p <= 100; ++p) expected.push_back(p);
  EXPECT_EQ(Recorder.ProgressValues(), expected);
}

// The gauge follows the card, not the file: a recording under 1 MiB is one transfer, and while
// the card is still busy with it the gauge has not moved.
TEST_F(WriteJob, GaugeStaysBelow100UntilTheCardHasTheLastTransfer) {
  Card.HoldWriteNumber = FirstImageWrite;
  TReadWriteThread job(
      {"/dev/sdb1", TSegment::One, {Folder.Write("a.wav", MakeWavBytes(1000, 1000)), 1000, true}},
      Recorder, Recorder, Buf);
  Card.WaitUntilHeld();
  EXPECT_EQ(Recorder.ProgressValues(), std::vector<int>{}) << "shown before the card had it";
  Card.Release();
  job.WaitFor();
  EXPECT_EQ(Recorder.ProgressValues(), (std::vector<int>{0, 50, 100}));
}

struct TFailureCase {
  const char* Name;
  void (*Break)(TFakeCard&);
  bool FileMissing;
  TJobOutcome Expected;
  friend void PrintTo(const TFailureCase& c, std::ostream* out) { *out << c.Name; }
};

class WriteJobFailure : public WriteJob, public ::testing::WithParamInterface<TFailureCase> {};

// Every way a job can fail, with the system's error and the card byte it happened at. A test
// sector fault leaves the segment's sectors alone.
TEST_P(WriteJobFailure, EndsWithTheRightOutcomeErrorAndOffset) {
  const TFailureCase& c = GetParam();
  const auto file = MakeWavBytes(44, 44);
  const std::string path =
      c.FileMissing ? (Folder.Path() / "gone.wav").string() : Folder.Write("a.wav", file);
  c.Break(Card);

  const TJobOutcome outcome = Run(TSegment::One, path, 44);
  EXPECT_EQ(outcome.Result, c.Expected.Result);
  EXPECT_EQ(outcome.Error.default_error_condition(), c.Expected.Error.default_error_condition())
      << outcome.Error.message();
  EXPECT_EQ(outcome.CardOffset, c.Expected.CardOffset);
  EXPECT_TRUE(IsFailure(outcome.Result));
  const auto written = Card.WrittenSectorNumbers();
  if (outcome.Result != TJobResult::ImageWriteFailed) {
    EXPECT_LE(written.size(), 1u);
  }
  EXPECT_EQ(Card.Closes, Card.FailOpen ? 0 : 1);
}

const std::error_code NoDevice = std::make_error_code(std::errc::no_such_device);
const std::error_code NoFile = std::make_error_code(std::errc::no_such_file_or_directory);
constexpr std::uint64_t TestByte = 0x3FFC00, Segment1Byte = 0x400000;

INSTANTIATE_TEST_SUITE_P(
    AllRows, WriteJobFailure,
    ::testing::Values(TFailureCase{"VolumeOpen",
                                   [](TFakeCard& c) { c.FailOpen = true; },
                                   false,
                                   {TJobResult::VolumeOpenFailed, NoDevice, std::nullopt}},
                      TFailureCase{"TestSectorWrite",
                                   [](TFakeCard& c) { c.FailWriteNumber = 1; },
                                   false,
                                   {TJobResult::TestWriteFailed, CardFault, TestByte}},
                      TFailureCase{"TestSectorNotConfirmed",
                                   [](TFakeCard& c) { c.FailSyncNumber = 1; },
                                   false,
                                   {TJobResult::TestWriteFailed, CardFault, TestByte}},
                      TFailureCase{"TestSectorRead",
                                   [](TFakeCard& c) { c.FailRead = true; },
                                   false,
                                   {TJobResult::TestReadFailed, CardFault, TestByte}},
                      TFailureCase{"TestSectorCompare",
                                   [](TFakeCard& c) { c.ReadBackCorrupted = true; },
                                   false,
                                   {TJobResult::TestCompareFailed, {}, TestByte}},
                      TFailureCase{"ImageSectorWrite",
                                   [](TFakeCard& c) { c.FailWriteNumber = FirstImageWrite; },
                                   false,
                                   {TJobResult::ImageWriteFailed, CardFault, Segment1Byte}},
                      TFailureCase{
                          "ImageNotConfirmed",
                          [](TFakeCard& c) { c.FailSyncNumber = ImageSync; },
                          false,
                          {TJobResult::ImageWriteFailed, CardFault, Segment1Byte + 2 * 512}},
                      TFailureCase{"ImageTransferThrows",
                                   [](TFakeCard& c) { c.ThrowWriteNumber = FirstImageWrite; },
                                   false,
                                   {TJobResult::ImageWriteFailed,
                                    std::make_error_code(std::errc::io_error), Segment1Byte}},
                      TFailureCase{"TestSectorWriteThrows",
                                   [](TFakeCard& c) { c.ThrowWriteNumber = 1; },
                                   false,
                                   {TJobResult::ImageWriteFailed,
                                    std::make_error_code(std::errc::io_error), std::nullopt}},
                      TFailureCase{"SegmentFileVanished",
                                   [](TFakeCard&) {},
                                   true,
                                   {TJobResult::ImageWriteFailed, NoFile, Segment1Byte}}),
    [](const auto& row) { return std::string(row.param.Name); });

TEST_F(WriteJob, LengthsNoSegmentCanHoldAreRefusedBeforeTheCardIsOpened) {
  const std::string path = Folder.Write("a.wav", MakeWavBytes(44, 44));
  EXPECT_EQ(Run(TSegment::One, path, 0).Result, TJobResult::NoFile);
  EXPECT_EQ(Run(TSegment::Two, path, MaxDeclaredLength + 1).Result, TJobResult::TooLarge);
  EXPECT_TRUE(Card.OpenedPath.empty());
}

// The card accepts every transfer and only fails to confirm them at the end: a failure, never
// a success.
TEST_F(WriteJob, FailedFinalConfirmationIsAFailedWrite) {
  const std::uint32_t length = 2 << 20;
  Card.FailSyncNumber = ImageSync;
  const TJobOutcome outcome =
      Run(TSegment::Two, Folder.Write("s.wav", MakeWavBytes(length, length)), length);
  EXPECT_EQ(outcome.Result, TJobResult::ImageWriteFailed);
  EXPECT_EQ(outcome.Error, CardFault);
  EXPECT_EQ(Card.WrittenSectorNumbers().size(), 1u + SectorCountFor(length) + 1);
}

// A transfer fails in the middle of an 8 MiB segment: nothing goes to the card after it.
TEST_F(WriteJob, FailedTransferMidSegmentEndsTheWritingThere) {
  const std::uint32_t length = 8 << 20;
  Card.FailWriteNumber = FirstImageWrite + 2;  // two whole transfers, then this one
  const TJobOutcome outcome =
      Run(TSegment::One, Folder.Write("s.wav", MakeWavBytes(length, length)), length);
  EXPECT_EQ(outcome.Result, TJobResult::ImageWriteFailed);
  EXPECT_EQ(outcome.CardOffset, Segment1Byte + 2 * (1 << 20));
  EXPECT_EQ(Card.WritesSeen, FirstImageWrite + 2) << "no transfer after the failed one";
  const auto written = Card.WrittenSectorNumbers();
  ASSERT_EQ(written.back(), 8192u + SectorCountFor(length)) << "the probe's tag, last sector";
  EXPECT_EQ(written[written.size() - 2], 8192u + 2 * 2048 - 1);
  EXPECT_EQ(Card.Closes, 1);
}

// The file is deleted while the card is busy with the first transfer: the job ends at the next
// transfer it reads, and no made-up sector reaches the card.
TEST_F(WriteJob, FileThatVanishesMidJobEndsItAtTheNextTransfer) {
  const std::uint32_t length = 8 << 20;
  const std::string path = Folder.Write("s.wav", MakeWavBytes(length, length));
  Card.HoldWriteNumber = FirstImageWrite;
  TReadWriteThread job({"/dev/sdb1", TSegment::One, {path, length, true}}, Recorder, Recorder, Buf);
  struct TReleaseOnExit {
    TFakeCard& Card;
    ~TReleaseOnExit() { Card.Release(); }
  } release{Card};
  Card.WaitUntilHeld();
  // Where files open unshared (Windows), the job may be reading it right now; it lets go
  // between transfers.
  std::error_code error;
  for (int tries = 0; tries < 500 && !std::filesystem::remove(path, error); ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_FALSE(std::filesystem::exists(path)) << error.message();
  Card.Release();
  job.WaitFor();

  ASSERT_EQ(Recorder.Outcomes().size(), 1u);
  const TJobOutcome outcome = Recorder.Outcomes()[0];
  EXPECT_EQ(outcome.Result, TJobResult::ImageWriteFailed);
  EXPECT_EQ(outcome.Error, std::errc::no_such_file_or_directory);
  ASSERT_TRUE(outcome.CardOffset);
  EXPECT_GT(*outcome.CardOffset, Segment1Byte);
  EXPECT_LT(*outcome.CardOffset, Segment1Byte + length);
  const auto written = Card.WrittenSectorNumbers();
  ASSERT_EQ(written.back(), 8192u + SectorCountFor(length)) << "the probe's tag, last sector";
  EXPECT_LT(written[written.size() - 2], *outcome.CardOffset / 512);
}

TEST_F(WriteJob, NoDriveSelectedOpensAPathThatNamesNoVolume) {
  Card.FailOpen = true;
  Run(TSegment::One, Folder.Write("a.wav", MakeWavBytes(44, 44)), 44, VolumePathFor(""));
  EXPECT_EQ(Card.OpenedPath, VolumePathFor(""));
}

// Closing the window mid-job: the job stops at the next sector and keeps what it wrote,
// confirmed and closed.
TEST_F(WriteJob, StopRequestEndsAtTheNextSectorConfirmedAndClosed) {
  const std::uint32_t length = 8 << 20;
  Card.HoldWriteNumber = FirstImageWrite;
  TReadWriteThread job({"/dev/sdb1",
                        TSegment::One,
                        {Folder.Write("big.wav", MakeWavBytes(length, length)), length, true}},
                       Recorder, Recorder, Buf);
  Card.WaitUntilHeld();
  job.RequestStop();
  Card.Release();
  job.WaitFor();

  ASSERT_EQ(Recorder.Outcomes().size(), 1u);
  EXPECT_EQ(Recorder.Outcomes()[0].Result, TJobResult::Stopped);
  EXPECT_FALSE(IsFailure(TJobResult::Stopped));
  EXPECT_LT(Recorder.ProgressValues().back(), 100);
  EXPECT_LT(Card.WrittenSectorNumbers().size(), SectorCountFor(length) / 2);
  EXPECT_EQ(Card.SyncsSeen, ImageSync);  // before the image, and the part before the stop
  EXPECT_EQ(Card.Closes, 1);
}

TEST(JobOutcome, FailureLineNamesTheDriveTheStepAndTheSystemMessage) {
  const TJobOutcome outcome{TJobResult::ImageWriteFailed, std::make_error_code(std::errc::io_error),
                            4194304};
  EXPECT_EQ(DescribeFailure("/dev/sdb1", outcome),
            "/dev/sdb1: writing the segment at byte 4194304: " + outcome.Error.message());
  EXPECT_EQ(DescribeFailure("/dev/sdc",
                            {TJobResult::VolumeOpenFailed,
                             std::make_error_code(std::errc::permission_denied), std::nullopt}),
            "/dev/sdc: opening the volume: " +
                std::make_error_code(std::errc::permission_denied).message());
}

}  // namespace
}  // namespace vorlane
