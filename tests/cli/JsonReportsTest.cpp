// list --json and info --json are read by scripts: every field's name, place and type is held
// here, so a rename, a move or a change of type fails.
#include "cli/JsonReports.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vorlane::cli {
namespace {

std::string TypeOf(const nlohmann::ordered_json& value) {
  if (value.is_number_integer()) return "integer";
  if (value.is_number_float()) return "float";
  return value.type_name();
}

// "segments[0].format.channels: integer" for every value in the document, in document order.
void Flatten(const nlohmann::ordered_json& value, const std::string& path,
             std::vector<std::string>& fields) {
  // An array's elements are named by their own fields.
  if (!path.empty() && path.back() != ']') fields.push_back(path + ": " + TypeOf(value));
  if (value.is_object())
    for (const auto& [key, member] : value.items())
      Flatten(member, path.empty() ? key : path + "." + key, fields);
  if (value.is_array())
    for (std::size_t i = 0; i < value.size(); ++i)
      Flatten(value[i], path + "[" + std::to_string(i) + "]", fields);
}

std::vector<std::string> FieldsOf(const nlohmann::ordered_json& document) {
  std::vector<std::string> fields;
  Flatten(document, "", fields);
  return fields;
}

const TTarget Image{"card.img", "card.img", false, true, {}};

TCardReading CardWithWavInSegment1(bool headerWhole) {
  TCardReading reading;
  reading.Info.TestPattern = true;
  TSegmentInfo& segment = reading.Info.Segments[0];
  segment.DeclaredLength = 300044;
  segment.PaddingIntact = true;
  if (headerWhole) {
    segment.Header.Format = TWavFormat{1, 2, 44100, 4, 16};
    segment.Header.DataBytes = 300000;
    segment.Header.Problem = "the data chunk runs past the declared length";
  }
  return reading;
}

const std::vector<std::string> ReportStart = {"drive: string", "volumePath: string",
                                              "removable: boolean", "sizeBytes: integer",
                                              "card: null"};
std::vector<std::string> NoWavIn(int index) {
  const std::string at = "segments[" + std::to_string(index) + "].";
  return {at + "segment: integer", at + "startSector: integer", at + "wav: boolean"};
}
const std::vector<std::string> NoWavInSegment2 = NoWavIn(1);

TCardReading ProvedCard(std::uint64_t reportedBytes) {
  TCardReading reading;
  reading.Info.Proof = TProofSeal{1, reportedBytes, 64 << 20, 0};
  return reading;
}

std::vector<std::string> Join(std::vector<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST(JsonOutput, EveryFieldKeepsItsNameAndType) {
  const struct {
    const char* Name;
    nlohmann::ordered_json Document;
    std::vector<std::string> Fields;
  } cases[] = {
      {"list",
       DriveListJson({{"sdb1", 7948206080, "Generic", "STORAGE DEVICE"}}),
       {"[0].entry: string", "[0].volumePath: string", "[0].sizeBytes: integer",
        "[0].vendor: string", "[0].model: string", "[0].slot: string", "[0].card: null"}},
      {"list, a card in a built-in slot",
       DriveListJson({{.Entry = "mmcblk0p1", .Slot = "mmc0", .Card = {.Cid = "0353445355303847"}}}),
       {"[0].entry: string", "[0].volumePath: string", "[0].sizeBytes: integer",
        "[0].vendor: string", "[0].model: string", "[0].slot: string", "[0].card: object",
        "[0].card.cid: string", "[0].card.serial: string", "[0].card.manfid: string",
        "[0].card.oemid: string", "[0].card.name: string", "[0].card.date: string"}},
      {"info, a whole header", CardReportJson(Image, 1 << 30, CardWithWavInSegment1(true), ""),
       Join({ReportStart,
             {"testPattern: boolean", "foldSuspected: boolean", "capacityProof: null",
              "segments: array", "segments[0].segment: integer", "segments[0].startSector: integer",
              "segments[0].wav: boolean", "segments[0].declaredLength: integer",
              "segments[0].format: object", "segments[0].format.formatTag: integer",
              "segments[0].format.pcm: boolean", "segments[0].format.channels: integer",
              "segments[0].format.sampleRate: integer", "segments[0].format.bitsPerSample: integer",
              "segments[0].dataBytes: integer", "segments[0].durationSeconds: float",
              "segments[0].headerProblem: string", "segments[0].paddingIntact: boolean"},
             NoWavInSegment2})},
      {"info, what a broken header leaves unknown is null",
       CardReportJson(Image, 1 << 30, CardWithWavInSegment1(false), ""),
       Join({ReportStart,
             {"testPattern: boolean", "foldSuspected: boolean", "capacityProof: null",
              "segments: array", "segments[0].segment: integer", "segments[0].startSector: integer",
              "segments[0].wav: boolean", "segments[0].declaredLength: integer",
              "segments[0].format: null", "segments[0].dataBytes: null",
              "segments[0].durationSeconds: null", "segments[0].headerProblem: null",
              "segments[0].paddingIntact: boolean"},
             NoWavInSegment2})},
      {"info, a card the capacity proof passed",
       CardReportJson(Image, 1 << 30, ProvedCard(1 << 30), ""),
       Join({ReportStart,
             {"testPattern: boolean", "foldSuspected: boolean", "capacityProof: object",
              "capacityProof.time: string", "capacityProof.cacheBytes: integer", "segments: array"},
             NoWavIn(0),
             NoWavIn(1)})},
      {"info, a proof's record of another size does not hold",
       CardReportJson(Image, 1 << 30, ProvedCard(2u << 30), ""),
       Join({ReportStart,
             {"testPattern: boolean", "foldSuspected: boolean", "capacityProof: null",
              "segments: array"},
             NoWavIn(0),
             NoWavIn(1)})},
      {"info, a card that could not be read",
       CardReportJson(Image, 0, {}, "card.img: reading the card at byte 0: Input/output error"),
       Join({ReportStart, {"error: string"}})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(FieldsOf(c.Document), c.Fields);
  }
}

// What a device or a command line gives is printed as valid JSON, never as a thrown exception
// or a control character on the terminal.
TEST(JsonOutput, DeviceStringsAreShownSafelyAndBadUtf8NeverThrows) {
  const std::string list = JsonText(DriveListJson({{"sdb1", 0, "\xff\x1b[2J", "SD\nx"}}));
  const nlohmann::json parsed = nlohmann::json::parse(list);
  EXPECT_EQ(parsed[0]["vendor"], "\xEF\xBF\xBD\\x1b[2J");
  EXPECT_EQ(parsed[0]["model"], "SD\\x0ax");

  const TTarget badName{"card\xff.img", "card\xff.img", false, true, {}};
  std::string info;
  EXPECT_NO_THROW(info = JsonText(CardReportJson(badName, 0, {}, "card\xff.img: no card")));
  EXPECT_NE(info.find("card\xEF\xBF\xBD.img"), std::string::npos) << info;
}

}  // namespace
}  // namespace vorlane::cli
