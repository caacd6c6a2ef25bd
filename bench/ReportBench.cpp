// Station logs made up for the report's benchmark, written by the station's own formatter and
// chained as a station chains them, and what the chain costs each record.
//
//   vorlane_report_bench log FILE RECORDS [HOST]   a log of RECORDS cards, a station's day
//   vorlane_report_bench chain RECORDS             the chain's cost per record: time and bytes
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "card/Texts.h"
#include "cli/station/StationRecord.h"

namespace {

using namespace vorlane;
using namespace vorlane::cli;

// Cards as a station sees them: four readers, most cards pass, a few fail at each step, a few
// are refused or stopped; write and read-back speeds spread as real cards spread.
class TCardMaker {
 public:
  TCardRecord Next() {
    TCardRecord record;
    const int slot = static_cast<int>(Random() % 4);
    record.Slot = "1-1." + std::to_string(slot + 2);
    record.Device = std::string("/dev/sd") + static_cast<char>('b' + slot) + "1";
    record.Drive = {.Entry = record.Device.substr(5),
                    .SizeBytes = 7'948'206'080,
                    .Vendor = "Generic",
                    .Model = "STORAGE DEVICE",
                    .Serial = "00000000120" + std::to_string(slot)};
    record.Segments = {{TSegment::One, "hello.wav", 5'424'344, std::string(64, 'a')},
                       {TSegment::Two, "goodbye.wav", 1'025'368, std::string(64, 'b')}};
    const std::uint64_t image = 6'451'712;
    record.Writing = {image / 1e6 / Speed(15, 25), image};
    record.Verifying = {image / 1e6 / Speed(35, 45), image};
    const unsigned roll = Random() % 100;
    record.Verdict = roll < 94   ? TCardVerdict::Passed
                     : roll < 97 ? TCardVerdict::Failed
                     : roll < 99 ? TCardVerdict::Refused
                                 : TCardVerdict::Stopped;
    record.Words = record.Verdict == TCardVerdict::Passed ? std::string(WrittenText) + " (verified)"
                                                          : WriteFailedText;
    if (record.Verdict != TCardVerdict::Passed)
      record.Failure = TCardFailure{{static_cast<TStepKind>(roll % 3), TSegment::One, 0},
                                    4'194'304 + 512 * (roll * 977),
                                    "Input/output error"};
    return record;
  }

 private:
  double Speed(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(Random);
  }
  std::mt19937 Random{27};
};

int WriteLog(const char* path, long records, const char* host) {
  std::ofstream log(path, std::ios::binary);
  TCardMaker cards;
  std::optional<std::string> previous;
  auto time = std::chrono::system_clock::time_point(std::chrono::seconds(1'796'803'200));
  for (long card = 0; card < records; ++card) {
    const std::string line =
        FormatRecord(cards.Next(), {time, host, "1.1.0", "王芳", "B-0412"}, previous);
    log << line;
    previous = LineDigest(std::string_view(line).substr(0, line.size() - 1));
    time += std::chrono::seconds(7);
  }
  return log ? EXIT_SUCCESS : EXIT_FAILURE;
}

// The same records formatted with and without the chain: the difference is the link's cost.
// Without it a record has no previous field at all, as records had before the chain.
int MeasureChain(long records) {
  const double unlinkedField = std::string_view(",\"previous\":null").size();
  const auto format = [records, unlinkedField](bool chained, double& bytes) {
    TCardMaker cards;
    std::optional<std::string> previous;
    const TRecordStamp stamp{std::chrono::system_clock::now(), "bench-3", "1.1.0", "王芳",
                             "B-0412"};
    bytes = 0;
    const auto start = std::chrono::steady_clock::now();
    for (long card = 0; card < records; ++card) {
      const std::string line = FormatRecord(cards.Next(), stamp, previous);
      if (chained) previous = LineDigest(std::string_view(line).substr(0, line.size() - 1));
      bytes += static_cast<double>(line.size()) - (chained ? 0 : unlinkedField);
    }
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    return took.count() / static_cast<double>(records);
  };
  double plainBytes = 0, chainedBytes = 0;
  const double plain = format(false, plainBytes);
  const double chained = format(true, chainedBytes);
  std::printf("record without the chain: %.2f us, %.0f bytes\n", plain, plainBytes / records);
  std::printf("record with the chain:    %.2f us, %.0f bytes\n", chained, chainedBytes / records);
  std::printf("the chain's cost:         %+.2f us, %+.0f bytes a record\n", chained - plain,
              (chainedBytes - plainBytes) / records);
  return EXIT_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "log" && (argc == 4 || argc == 5))
    return WriteLog(argv[2], std::atol(argv[3]), argc == 5 ? argv[4] : "bench-3");
  if (command == "chain" && argc == 3) return MeasureChain(std::atol(argv[2]));
  std::fprintf(stderr,
               "usage: vorlane_report_bench log FILE RECORDS [HOST]\n"
               "       vorlane_report_bench chain RECORDS\n");
  return 2;
}
