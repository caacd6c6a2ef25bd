#include "card/TReadWrite.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "card/CardLayout.h"
#include "tests/card/FakeVolume.h"
#include "tests/card/WavFiles.h"

namespace vorlane {
namespace {

using testing::MakeWavBytes;
using testing::TFakeCard;
using testing::TRecorder;
using testing::TTempFolder;
using TLog = std::vector<std::string>;

TLog Concat(std::initializer_list<TLog> parts) {
  TLog all;
  for (const TLog& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

const TLog ReEnabled = {"enable 1", "enable 2", "enable 3", "enable 4"};
const TLog Alarm = {"beep 800 100", "sleep 100", "beep 800 100"};

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
  // Runs one job to its end and returns its ending error text.
  std::string Run(int mode, const std::string& path, std::uint32_t declaredLength,
                  const std::string& drive = "sdb1") {
    TReadWriteThread job({drive, mode, {path, declaredLength, true}}, Recorder, Recorder, Buf);
    job.WaitFor();
    return job.ErrorText();
  }

  TTempFolder Folder;
  TFakeCard Card;
  TRecorder Recorder{Card};
  TSector Buf{};
};

TEST_F(WriteJob, SmallFileGetsTestSectorThenTwoImageSectorsAndNothingElse) {
  const auto file = MakeWavBytes(44, 44);
  EXPECT_EQ(Run(1, Folder.Write("a.wav", file), 44), "");

  EXPECT_EQ(Card.OpenedPath, VolumePathFor("sdb1"));
  EXPECT_EQ(Card.WrittenSectorNumbers(), (std::vector<std::uint64_t>{TestSector, 8192, 8193}));
  EXPECT_EQ(Card.Sectors[TestSector], MakeTestPattern());
  EXPECT_EQ(Card.Sectors[8192], ImageSector(file, 0));
  EXPECT_EQ(Card.Sectors[8193], Padding());
  EXPECT_EQ(Recorder.Log(), Concat({{"gauge 0", "gauge 100", "text 1 已成功写入SD卡!",
                                     "color 1 0,128,0", "gauge 0", "beep 800 200"},
                                    ReEnabled}));
  EXPECT_EQ(Card.Closes, 1);
}

TEST_F(WriteJob, Segment2LandsAt410MiBWithItsOwnLabel) {
  const auto file = MakeWavBytes(1000, 1000);
  EXPECT_EQ(Run(2, Folder.Write("b.wav", file), 1000), "");

  EXPECT_EQ(Card.WrittenSectorNumbers(),
            (std::vector<std::uint64_t>{TestSector, 839680, 839681, 839682}));
  EXPECT_EQ(Card.Sectors[839680], ImageSector(file, 0));
  EXPECT_EQ(Card.Sectors[839681], ImageSector(file, 1));
  EXPECT_EQ(Card.Sectors[839682], Padding());
  EXPECT_EQ(Recorder.Progress(), (std::vector<int>{0, 50, 100, 0}));
  EXPECT_EQ(Recorder.Log()[3], "text 2 已成功写入SD卡!");
}

TEST_F(WriteJob, FileLongerThanItsHeaderSaysFillsThePaddingSectorWithItsFurtherBytes) {
  const auto file = MakeWavBytes(600, 1500);
  Run(1, Folder.Write("long.wav", file), 600);
  ASSERT_EQ(Card.WrittenSectorNumbers().size(), 4u);
  for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(Card.Sectors[8192 + k], ImageSector(file, k)) << k;
}

// Several 1 MiB transfers: every sector in its place across transfer boundaries, and the gauge
// hears each percentage once.
TEST_F(WriteJob, MultiMegabyteSegmentIsExactAndProgressIsHandedOnlyOnChange) {
  const std::uint32_t length = 3 * (1 << 20) + 777;
  const auto file = MakeWavBytes(length, length);
  EXPECT_EQ(Run(1, Folder.Write("big.wav", file), length), "");

  const std::uint32_t imageSectors = SectorCountFor(length) + 1;
  ASSERT_EQ(Card.WrittenSectorNumbers().size(), imageSectors + 1);
  EXPECT_EQ(Card.WrittenSectorNumbers().back(), 8192u + imageSectors - 1);
  for (std::size_t k = 0; k < imageSectors; ++k)
    ASSERT_EQ(Card.Sectors[8192 + k], ImageSector(file, k)) << "image sector " << k;

  std::vector<int> expected;
  for (int p = 0; p <= 100; ++p) expected.push_back(p);
  expected.push_back(0);
  EXPECT_EQ(Recorder.Progress(), expected);
}

struct TFailureCase {
  const char* Name;
  int Mode;
  void (*Break)(TFakeCard&);
  bool FileMissing;
  TLog ExpectedLog;
  std::string ExpectedError;
  bool SegmentWritten;
  friend void PrintTo(const TFailureCase& c, std::ostream* out) { *out << c.Name; }
};

class WriteJobFailure : public WriteJob, public ::testing::WithParamInterface<TFailureCase> {};

TEST_P(WriteJobFailure, ReportsAsTheFailureTableSays) {
  const TFailureCase& c = GetParam();
  const auto file = MakeWavBytes(44, 44);
  const std::string path =
      c.FileMissing ? (Folder.Path() / "gone.wav").string() : Folder.Write("a.wav", file);
  c.Break(Card);

  EXPECT_EQ(Run(c.Mode, path, 44), c.ExpectedError);
  EXPECT_EQ(Recorder.Log(), c.ExpectedLog);
  const auto written = Card.WrittenSectorNumbers();
  EXPECT_EQ(written.size() > 1, c.SegmentWritten);
  EXPECT_EQ(Card.Closes, Card.OpenedPath.empty() || Card.FailOpen ? 0 : 1);
}

const std::string WriteErr = WriteErrorText, ReadErr = ReadErrorText;

INSTANTIATE_TEST_SUITE_P(
    AllRows, WriteJobFailure,
    ::testing::Values(
        TFailureCase{"VolumeOpen", 1, [](TFakeCard& c) { c.FailOpen = true; }, false,
                     Concat({{"message 请重插移动磁盘"}, ReEnabled}), "", false},
        TFailureCase{"TestSectorWrite", 2, [](TFakeCard& c) { c.FailWriteNumber = 1; }, false,
                     Concat({{"text 2 写入SD卡失败!"}, ReEnabled, {"gauge 0"}, Alarm}), WriteErr,
                     false},
        TFailureCase{"TestSectorNotConfirmed", 1, [](TFakeCard& c) { c.FailSync = true; }, false,
                     Concat({{"text 1 写入SD卡失败!"}, ReEnabled, {"gauge 0"}, Alarm}), WriteErr,
                     false},
        TFailureCase{"TestSectorRead", 1, [](TFakeCard& c) { c.FailRead = true; }, false,
                     Concat({{"text 1 读SD卡失败!"}, ReEnabled, {"gauge 0"}, Alarm}), ReadErr,
                     false},
        TFailureCase{
            "TestSectorCompare", 2, [](TFakeCard& c) { c.ReadBackCorrupted = true; }, false,
            Concat({ReEnabled, {"gauge 0"}, Alarm, {"text 2 测试SD卡失败!", "color 2 255,0,0"}}),
            "", false},
        TFailureCase{"ImageSectorWrite", 1, [](TFakeCard& c) { c.FailWriteNumber = 2; }, false,
                     Concat({{"gauge 0", "gauge 100", "text 1 写入SD卡失败!", "color 1 255,0,0"},
                             ReEnabled,
                             {"gauge 0"},
                             Alarm}),
                     WriteErr, false},
        TFailureCase{"ImageTransferThrows", 1, [](TFakeCard& c) { c.ThrowWriteNumber = 2; }, false,
                     Concat({{"gauge 0", "gauge 100", "text 1 写入SD卡失败!", "color 1 255,0,0"},
                             ReEnabled,
                             {"gauge 0"},
                             Alarm}),
                     WriteErr, false},
        TFailureCase{
            "TestSectorWriteThrows", 2, [](TFakeCard& c) { c.ThrowWriteNumber = 1; }, false,
            Concat({{"text 2 写入SD卡失败!", "color 2 255,0,0"}, ReEnabled, {"gauge 0"}, Alarm}),
            WriteErr, false},
        TFailureCase{
            "SegmentFileVanished", 1, [](TFakeCard&) {}, true,
            Concat({{"text 1 写入SD卡失败!", "color 1 255,0,0"}, ReEnabled, {"gauge 0"}, Alarm}),
            WriteErr, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(WriteJob, LengthsNoSegmentCanHoldAreRefusedBeforeTheCardIsOpened) {
  const std::string path = Folder.Write("a.wav", MakeWavBytes(44, 44));
  EXPECT_EQ(Run(1, path, 0), "");
  EXPECT_EQ(Run(2, path, MaxDeclaredLength + 1), "");
  EXPECT_EQ(Recorder.Log(), Concat({{"message 请先打开WAV格式文件"},
                                    ReEnabled,
                                    {"message WAV文件不能大于400M"},
                                    ReEnabled}));
  EXPECT_TRUE(Card.OpenedPath.empty());
}

TEST_F(WriteJob, NoDriveSelectedOpensAPathThatNamesNoVolume) {
  Card.FailOpen = true;
  Run(1, Folder.Write("a.wav", MakeWavBytes(44, 44)), 44, "");
  EXPECT_EQ(Card.OpenedPath, VolumePathFor(""));
}

// Closing the window mid-job: the job stops at the next sector, keeps what it wrote (synced,
// closed) and does not touch the window again.
TEST_F(WriteJob, StopRequestEndsAtTheNextSectorSyncedClosedAndSilent) {
  const std::uint32_t length = 8 << 20;
  Card.HoldWriteNumber = 2;  // the first image transfer
  TReadWriteThread job(
      {"sdb1", 1, {Folder.Write("big.wav", MakeWavBytes(length, length)), length, true}}, Recorder,
      Recorder, Buf);
  Card.WaitUntilHeld();
  job.RequestStop();
  Card.Release();
  job.WaitFor();

  // Before the stop the job only moved the gauge; no ending reached the window after it.
  for (const std::string& entry : Recorder.Log()) EXPECT_EQ(entry.rfind("gauge ", 0), 0u) << entry;
  EXPECT_LT(Recorder.Progress().back(), 100);
  EXPECT_LT(Card.WrittenSectorNumbers().size(), SectorCountFor(length) / 2);
  EXPECT_EQ(Card.SyncsSeen, 2);  // test sector, and the part written before the stop
  EXPECT_EQ(Card.Closes, 1);
}

}  // namespace
}  // namespace vorlane
