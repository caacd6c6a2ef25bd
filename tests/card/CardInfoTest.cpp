#include "card/CardInfo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/card/MemoryCard.h"

namespace vorlane {
namespace {

using testing::TMemoryCard;
using testing::TMemoryVolume;

// WAV files built chunk by chunk, so each test shows the layout it is about.
class TWavBuilder {
 public:
  TWavBuilder& Riff(const char* tag = "RIFF") {
    Append(tag, 4);
    SizeAt = Bytes.size();
    Le32(0);
    Append("WAVE", 4);
    return *this;
  }
  TWavBuilder& Format(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                      std::uint32_t chunkSize = 16, std::uint16_t tag = 1) {
    Append("fmt ", 4);
    Le32(chunkSize);
    const std::uint16_t blockAlign = static_cast<std::uint16_t>(channels * ((bits + 7) / 8));
    Le16(tag), Le16(channels), Le32(rate), Le32(rate * blockAlign), Le16(blockAlign), Le16(bits);
    for (std::uint32_t extra = 16; extra < chunkSize; ++extra) Bytes.push_back(0);
    return *this;
  }
  TWavBuilder& Chunk(const char* id, std::uint32_t size) {
    Append(id, 4);
    Le32(size);
    Bytes.resize(Bytes.size() + size + (size & 1), 0x11);
    return *this;
  }
  // A data chunk whose size field says declaredSize; holds actualSize bytes.
  TWavBuilder& Data(std::uint32_t actualSize, std::optional<std::uint32_t> declaredSize = {}) {
    Append("data", 4);
    Le32(declaredSize.value_or(actualSize));
    for (std::uint32_t i = 0; i < actualSize; ++i) Bytes.push_back(static_cast<std::uint8_t>(i));
    if (actualSize & 1) Bytes.push_back(0);  // chunks are padded to even length
    return *this;
  }
  // The RIFF size field covers everything built; the declared length is then the size.
  std::vector<std::uint8_t> Build() {
    const std::uint32_t riffSize = static_cast<std::uint32_t>(Bytes.size() - 8);
    for (int i = 0; i < 4; ++i) Bytes[SizeAt + i] = static_cast<std::uint8_t>(riffSize >> (8 * i));
    return Bytes;
  }

 private:
  void Append(const char* text, std::size_t size) { Bytes.insert(Bytes.end(), text, text + size); }
  void Le16(std::uint16_t v) { Bytes.push_back(v & 0xFF), Bytes.push_back(v >> 8); }
  void Le32(std::uint32_t v) { Le16(v & 0xFFFF), Le16(v >> 16); }
  std::vector<std::uint8_t> Bytes;
  std::size_t SizeAt = 4;
};

std::uint32_t LengthOf(const std::vector<std::uint8_t>& wav) {
  return static_cast<std::uint32_t>(wav.size());
}

TEST(ParseWavHeader, ReadsTheFormatAndDataOfWholeHeaders) {
  const std::vector<std::uint8_t> plain =
      TWavBuilder().Riff().Format(2, 44100, 16).Data(1000).Build();
  const TWavHeader header = ParseWavHeader(plain, LengthOf(plain));
  EXPECT_EQ(header.Problem, "");
  EXPECT_EQ(header.Format, (TWavFormat{1, 2, 44100, 4, 16}));
  EXPECT_EQ(header.DataBytes, std::optional<std::uint32_t>(1000));

  // Chunks before the format and data chunks, one of odd size (padded to even), a format
  // chunk with an extension: all stepped over.
  const std::vector<std::uint8_t> busy = TWavBuilder()
                                             .Riff()
                                             .Chunk("LIST", 27)
                                             .Format(1, 8000, 8, 18)
                                             .Chunk("fact", 4)
                                             .Data(300)
                                             .Build();
  const TWavHeader busyHeader = ParseWavHeader(busy, LengthOf(busy));
  EXPECT_EQ(busyHeader.Problem, "");
  EXPECT_EQ(busyHeader.Format, (TWavFormat{1, 1, 8000, 1, 8}));
  EXPECT_EQ(busyHeader.DataBytes, std::optional<std::uint32_t>(300));
}

TEST(ParseWavHeader, NamesWhatIsWrongWithBrokenAndTruncatedHeaders) {
  struct TCase {
    const char* Name;
    std::vector<std::uint8_t> Bytes;
    std::uint32_t DeclaredLength;  // 0: the bytes' own length
    std::string Problem;
    bool ExpectFormat;
  };
  const std::vector<std::uint8_t> whole =
      TWavBuilder().Riff().Format(2, 44100, 16).Data(100).Build();
  const std::vector<TCase> cases = {
      {"no format chunk", TWavBuilder().Riff().Data(100).Build(), 0, "no format chunk", false},
      {"no data chunk", TWavBuilder().Riff().Format(2, 44100, 16).Chunk("LIST", 40).Build(), 0,
       "no data chunk", true},
      {"format chunk too short", TWavBuilder().Riff().Format(2, 44100, 16, 14).Data(100).Build(), 0,
       "format chunk shorter than 16 bytes", false},
      {"data chunk past the declared length",
       TWavBuilder().Riff().Format(2, 44100, 16).Data(100, 5000).Build(), 0,
       "the data chunk runs past the declared length", true},
      {"no RIFF tag", TWavBuilder().Riff("RIFX").Format(2, 44100, 16).Data(100).Build(), 0,
       "no RIFF tag", true},
      {"zero channels", TWavBuilder().Riff().Format(0, 44100, 16).Data(100).Build(), 0,
       "the format chunk gives no channels, sample rate or sample size", true},
      {"declared length ends inside the format chunk", whole, 30,
       "header cut off in the format chunk", false},
      {"only the first 32 bytes at hand",
       std::vector<std::uint8_t>(whole.begin(), whole.begin() + 32), LengthOf(whole),
       "the header goes on past its first 32 bytes", false},
      {"only the first 40 bytes at hand",
       std::vector<std::uint8_t>(whole.begin(), whole.begin() + 40), LengthOf(whole),
       "the header goes on past its first 40 bytes", true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TWavHeader header =
        ParseWavHeader(c.Bytes, c.DeclaredLength != 0 ? c.DeclaredLength : LengthOf(c.Bytes));
    EXPECT_EQ(header.Problem, c.Problem);
    EXPECT_EQ(header.Format.has_value(), c.ExpectFormat);
  }
}

TEST(ParseWavHeader, CountsOnlyTheSamplesWithinTheDeclaredLength) {
  // A streaming writer's placeholder: the data chunk claims 4 GiB.
  const std::vector<std::uint8_t> streamed =
      TWavBuilder().Riff().Format(1, 8000, 8).Data(1000, 0xFFFFFFFFu).Build();
  EXPECT_EQ(ParseWavHeader(streamed, LengthOf(streamed)).DataBytes,
            std::optional<std::uint32_t>(1000));
}

TEST(WavHeaderDuration, IsSampleFramesOverTheRate) {
  TWavHeader header;
  header.Format = TWavFormat{1, 2, 44100, 4, 16};
  header.DataBytes = 176400;
  EXPECT_DOUBLE_EQ(header.DurationSeconds().value_or(-1), 1.0);
  header.Format->BlockAlign = 0;  // left out by some writers: channels × bytes per sample
  EXPECT_DOUBLE_EQ(header.DurationSeconds().value_or(-1), 1.0);
  header.Format->BitsPerSample = 24;  // 3 bytes a sample, 6 a frame: 29,400 frames
  EXPECT_DOUBLE_EQ(header.DurationSeconds().value_or(-1), 29400.0 / 44100.0);
  header.Format->SampleRate = 0;
  EXPECT_EQ(header.DurationSeconds(), std::nullopt);
  header.Format.reset();
  EXPECT_EQ(header.DurationSeconds(), std::nullopt);
}

TEST(DeclaredWavLength, AcceptsWhatTheWriteCheckAccepts) {
  const auto sector = [](std::uint32_t sizeField, const char* tag) {
    std::vector<std::uint8_t> bytes(512, 0);
    std::memcpy(bytes.data(), "RIFF", 4);
    for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<std::uint8_t>(sizeField >> (8 * i));
    std::memcpy(bytes.data() + 8, tag, 4);
    return bytes;
  };
  EXPECT_EQ(DeclaredWavLength(sector(36, "WAVE")), 44u);
  EXPECT_EQ(DeclaredWavLength(sector(35, "WAVE")), 0u);
  EXPECT_EQ(DeclaredWavLength(sector(419430392u, "WAVE")), 419430400u);
  EXPECT_EQ(DeclaredWavLength(sector(419430393u, "WAVE")), 0u);
  EXPECT_EQ(DeclaredWavLength(sector(0xFFFFFFFFu, "WAVE")), 0u);  // wraps to 7
  EXPECT_EQ(DeclaredWavLength(sector(36, "wave")), 0u);
  EXPECT_EQ(DeclaredWavLength(std::vector<std::uint8_t>(512, 0)), 0u);
}

// A card as the write job leaves it: the test pattern and both segments' images.
struct TWrittenCard {
  TMemoryCard Card;
  std::vector<std::uint8_t> One = TWavBuilder().Riff().Format(2, 44100, 16).Data(176400).Build();
  std::vector<std::uint8_t> Two = TWavBuilder().Riff().Format(1, 8000, 8).Data(4001).Build();

  TWrittenCard() {
    const TSector pattern = MakeTestPattern();
    Card.Put(std::uint64_t{TestSector} * SectorSize, {pattern.begin(), pattern.end()});
    Card.PutImage(TSegment::One, One, LengthOf(One));
    Card.PutImage(TSegment::Two, Two, LengthOf(Two));
  }
  TCardReading Read() {
    TMemoryVolume volume(Card);
    return ReadCardInfo(volume);
  }
  std::uint64_t SegmentByte(TSegment segment, std::uint64_t offset) const {
    return std::uint64_t{StartSectorFor(segment)} * SectorSize + offset;
  }
};

TEST(ReadCardInfo, ReportsTheTestPatternAndBothSegmentsOfAWrittenCard) {
  TWrittenCard written;
  const TCardReading reading = written.Read();
  ASSERT_FALSE(reading.Outcome.Error);
  EXPECT_TRUE(reading.Info.TestPattern);
  const TSegmentInfo& one = reading.Info.Segments[0];
  EXPECT_EQ(one.Segment, TSegment::One);
  EXPECT_EQ(one.DeclaredLength, 176444u);
  EXPECT_EQ(one.Header.Format, (TWavFormat{1, 2, 44100, 4, 16}));
  EXPECT_DOUBLE_EQ(one.Header.DurationSeconds().value_or(-1), 1.0);
  EXPECT_TRUE(one.PaddingIntact);
  const TSegmentInfo& two = reading.Info.Segments[1];
  EXPECT_EQ(two.Segment, TSegment::Two);
  EXPECT_EQ(two.DeclaredLength, 4046u);  // odd data size: the RIFF size covers the pad byte
  EXPECT_EQ(two.Header.Format, (TWavFormat{1, 1, 8000, 1, 8}));
  EXPECT_TRUE(two.PaddingIntact);
}

TEST(ReadCardInfo, PaddingCountsAsIntactOnlyWhenEveryPaddingByteIs0x80) {
  const struct {
    const char* Name;
    std::uint64_t Offset;  // in segment 2's image, whose declared length is 4046
    bool ExpectIntact;
  } cases[] = {
      {"first padding byte", 4046, false},
      {"last byte of the sector the length ends in", 4095, false},
      {"last byte of the extra sector", 4607, false},
      {"first byte after the image", 4608, true},
      {"last byte of the file", 4045, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TWrittenCard written;
    written.Card.At(written.SegmentByte(TSegment::Two, c.Offset)) = 0x7F;
    EXPECT_EQ(written.Read().Info.Segments[1].PaddingIntact, c.ExpectIntact);
  }
}

TEST(ReadCardInfo, AnUnwrittenCardHoldsNeitherPatternNorWav) {
  TMemoryCard blank;
  TMemoryVolume volume(blank);
  const TCardReading reading = ReadCardInfo(volume);
  EXPECT_FALSE(reading.Outcome.Error);
  EXPECT_FALSE(reading.Info.TestPattern);
  EXPECT_EQ(reading.Info.Segments[0].DeclaredLength, 0u);
  EXPECT_EQ(reading.Info.Segments[1].DeclaredLength, 0u);
  EXPECT_FALSE(reading.Info.FoldSuspected());
}

TEST(ReadCardInfo, OneWrongByteInTheTestSectorIsNoPattern) {
  TWrittenCard written;
  EXPECT_FALSE(written.Read().Info.FoldSuspected());
  written.Card.At(std::uint64_t{TestSector} * SectorSize + 511) ^= 1;
  EXPECT_FALSE(written.Read().Info.TestPattern);
  EXPECT_TRUE(written.Read().Info.FoldSuspected()) << "segments without the pattern before them";
}

TEST(ReadCardInfo, ACardEndingBeforeSegmentTwoHoldsNothingThereWithoutError) {
  TWrittenCard written;
  written.Card.SizeBytes = written.SegmentByte(TSegment::Two, 0);
  const TCardReading reading = written.Read();
  EXPECT_FALSE(reading.Outcome.Error);
  EXPECT_EQ(reading.Info.Segments[0].DeclaredLength, 176444u);
  EXPECT_EQ(reading.Info.Segments[1].DeclaredLength, 0u);
}

TEST(ReadCardInfo, ACardEndingInThePaddingHasNoIntactPadding) {
  TWrittenCard written;
  written.Card.SizeBytes = written.SegmentByte(TSegment::Two, 4096);
  const TSegmentInfo two = written.Read().Info.Segments[1];
  EXPECT_EQ(two.DeclaredLength, 4046u);
  EXPECT_FALSE(two.PaddingIntact);
}

TEST(ReadCardInfo, ARefusedReadEndsTheReadingWithItsError) {
  TWrittenCard written;
  written.Card.FailReadsAt = written.SegmentByte(TSegment::One, 0);
  const TCardReading reading = written.Read();
  EXPECT_EQ(reading.Outcome.Error, std::make_error_code(std::errc::io_error));
  EXPECT_EQ(reading.Outcome.CardOffset, std::optional<std::uint64_t>(4194304));
  EXPECT_TRUE(reading.Info.TestPattern);
  EXPECT_EQ(reading.Info.Segments[1].DeclaredLength, 0u);  // not read after the failure
}

}  // namespace
}  // namespace vorlane
