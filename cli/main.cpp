// vorlane-cli: programs many cards at once, verifies them and reads back what a card holds,
// with the same card and volume code as the window.
#include <CLI/CLI.hpp>

#include "card/CapacityProof.h"
#include "cli/CommandContext.h"
#include "cli/Commands.h"
#include "cli/Terminal.h"
#include "cli/Usage.h"
#include "cli/report/Report.h"
#include "cli/station/StationOptions.h"
#include "vorlane/Version.h"

namespace {

using namespace vorlane::cli;

struct TArguments {
  TSegmentFiles Files;
  std::vector<std::string> Drives;
  std::string Output;
  bool Json = false;
  bool NoVerify = false;
  bool Yes = false;
  bool Force = false;
  bool Read1 = false;
  bool Read2 = false;
  TStationOptions Station;
  bool WritePresent = false;
  std::optional<std::uint64_t> MinSize;
  std::optional<std::uint64_t> MaxSize;
  std::optional<unsigned> Count;
  bool CheckCapacity = false;
  std::uint64_t CacheSize = vorlane::DefaultProofCacheBytes;
  // The proof's options where it is asked for.
  std::optional<vorlane::TCapacityOptions> Proof() const {
    if (!CheckCapacity) return std::nullopt;
    return vorlane::TCapacityOptions{CacheSize};
  }
  TReportOptions Report;
  bool Csv = false;
  std::optional<double> MinWriteSpeed;
  std::optional<double> MinVerifySpeed;
  unsigned StallSeconds = 30;
};

void AddSegmentFiles(CLI::App& command, TArguments& arguments) {
  command.add_option("-1", arguments.Files.Segment1, "WAV file for segment 1 (sector 8192)");
  command.add_option("-2", arguments.Files.Segment2, "WAV file for segment 2 (sector 839680)");
}

void AddDrives(CLI::App& command, TArguments& arguments) {
  command.add_option("DRIVE", arguments.Drives,
                     "a drive list entry (sdb1), its volume path (/dev/sdb1) or a card image file");
}

// --check-capacity where the command writes segments; check itself always proves.
void AddCapacityProof(CLI::App& command, TArguments& arguments, bool always) {
  CLI::Option* check = nullptr;
  if (!always)
    check = command.add_flag("--check-capacity", arguments.CheckCapacity,
                             "first prove each card keeps every byte it reports (overwrites the "
                             "whole card, including its file system)");
  // A cache is counted in binary units: 64M is 64 MiB.
  CLI::Option* size =
      command
          .add_option("--cache-size", arguments.CacheSize,
                      "the largest card write cache the proof defeats (default 64MiB)")
          ->transform(CLI::AsSizeValue(false))
          ->check(CLI::Range(std::uint64_t{1} << 20, std::uint64_t{1} << 40));
  if (check) size->needs(check);
}

int ReadSegment(const TCommandContext& context, const TArguments& arguments) {
  if (arguments.Read1 == arguments.Read2) throw TUsageError("read: give exactly one of -1 and -2");
  return RunRead(context, arguments.Read1 ? vorlane::TSegment::One : vorlane::TSegment::Two,
                 arguments.Drives.front(), arguments.Output, arguments.Force);
}

void AddStation(CLI::App& app, TArguments& arguments) {
  CLI::App* station = app.add_subcommand(
      "station", "Write every card put in, hands-free, until Ctrl-C or --count cards passed");
  AddSegmentFiles(*station, arguments);
  station->add_option("--log", arguments.Station.Log, "append a JSON line per card to FILE");
  station->add_option("--count", arguments.Count, "stop once N cards have passed")
      ->check(CLI::PositiveNumber);
  // Sizes as card makers count: 8G is 8,000,000,000 bytes, 8GiB 8 x 2^30.
  station->add_option("--min-size", arguments.MinSize, "refuse cards smaller than SIZE")
      ->transform(CLI::AsSizeValue(true));
  station->add_option("--max-size", arguments.MaxSize, "refuse cards larger than SIZE")
      ->transform(CLI::AsSizeValue(true));
  station->add_flag("--present", arguments.WritePresent, "also write the cards in at start");
  station->add_flag("--no-verify", arguments.NoVerify, "skip reading the segments back");
  station->add_flag("--quiet", arguments.Station.Quiet, "no tones");
  AddCapacityProof(*station, arguments, false);
  station->add_option("--operator", arguments.Station.Operator, "the operator, in every record");
  station->add_option("--batch", arguments.Station.Batch, "the batch, in every record");
  station
      ->add_option("--min-write-speed", arguments.MinWriteSpeed,
                   "fail cards written more slowly than MBPS (decimal MB/s)")
      ->check(CLI::PositiveNumber);
  station
      ->add_option("--min-verify-speed", arguments.MinVerifySpeed,
                   "fail cards read back more slowly than MBPS (decimal MB/s)")
      ->check(CLI::PositiveNumber);
  station
      ->add_option("--stall-seconds", arguments.StallSeconds,
                   "show a card without progress this long as stalled")
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
}

int Station(const TCommandContext& context, TArguments& arguments) {
  TStationOptions& options = arguments.Station;
  options.Files = arguments.Files;
  options.Verify = !arguments.NoVerify;
  options.Rules.WritePresent = arguments.WritePresent;
  options.Rules.MinSize = arguments.MinSize.value_or(0);
  options.Rules.MaxSize = arguments.MaxSize;
  options.Rules.Count = arguments.Count;
  options.Capacity = arguments.Proof();
  options.Rules.MinWriteSpeed = arguments.MinWriteSpeed;
  options.Rules.MinVerifySpeed = arguments.MinVerifySpeed;
  options.Rules.Stall = std::chrono::seconds(arguments.StallSeconds);
  if (options.Rules.MaxSize && *options.Rules.MaxSize < options.Rules.MinSize)
    throw TUsageError("station: --max-size is below --min-size");
  if (options.Rules.MinVerifySpeed && !options.Verify)
    throw TUsageError("station: --min-verify-speed grades the read-back that --no-verify skips");
  return RunStation(context, options);
}

}  // namespace

int main(int argc, char** argv) {
  PrepareTerminal();
  TArguments arguments;
  CLI::App app{
      "Programs Vorlane voice cards: many at once, verified, and reads back what a "
      "card holds.",
      "vorlane-cli"};
  app.set_version_flag("--version", std::string("vorlane-cli ") + vorlane::Version);
  app.require_subcommand(1);

  CLI::App* list = app.add_subcommand("list", "List the removable drives");
  list->add_flag("--json", arguments.Json, "JSON output");

  CLI::App* write = app.add_subcommand("write", "Write segments to every DRIVE at once");
  AddSegmentFiles(*write, arguments);
  write->add_flag("--no-verify", arguments.NoVerify, "skip reading the segments back");
  write->add_flag("--yes", arguments.Yes, "write to drives without asking");
  AddCapacityProof(*write, arguments, false);
  AddDrives(*write, arguments);

  CLI::App* check = app.add_subcommand(
      "check", "Prove every DRIVE keeps every byte it reports (overwrites it whole)");
  check->add_flag("--yes", arguments.Yes, "overwrite drives without asking");
  AddCapacityProof(*check, arguments, true);
  AddDrives(*check, arguments);

  CLI::App* verify =
      app.add_subcommand("verify", "Compare the segments on every DRIVE with the files");
  AddSegmentFiles(*verify, arguments);
  AddDrives(*verify, arguments);

  CLI::App* info = app.add_subcommand("info", "Show what each DRIVE holds");
  info->add_flag("--json", arguments.Json, "JSON output");
  AddDrives(*info, arguments);

  AddStation(app, arguments);

  CLI::App* report = app.add_subcommand(
      "report", "Check station logs and sum them up: yield, failures by step, slow cards");
  report->add_option("LOG", arguments.Report.Logs, "a station's --log file")->required();
  report->add_flag("--csv", arguments.Csv, "one CSV row per card")
      ->excludes(report->add_flag("--json", arguments.Json, "the summary as one JSON document"));

  CLI::App* read = app.add_subcommand("read", "Copy the WAV file a segment holds to OUTPUT");
  read->add_flag("-1", arguments.Read1, "segment 1");
  read->add_flag("-2", arguments.Read2, "segment 2");
  read->add_flag("--force", arguments.Force, "replace an existing OUTPUT");
  std::string drive;
  read->add_option("DRIVE", drive, "a drive list entry, its volume path or a card image")
      ->required();
  read->add_option("OUTPUT", arguments.Output, "the file to write")->required();

  try {
    std::vector<std::string> utf8 = ProgramArguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : utf8) pointers.push_back(argument.data());
    app.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::ParseError& error) {
    // Help and version end with 0; every other parse error is a usage error.
    return app.exit(error) == 0 ? ExitPassed : ExitUsage;
  }
  const TCommandContext context = SystemContext();
  return ExitCodeOf(context, [&] {
    if (*list) return RunList(context, arguments.Json);
    if (*write)
      return RunWrite(context, arguments.Files, arguments.Drives, !arguments.NoVerify,
                      arguments.Yes, arguments.Proof());
    if (*check) return RunCheck(context, arguments.Drives, {arguments.CacheSize}, arguments.Yes);
    if (*verify) return RunVerify(context, arguments.Files, arguments.Drives);
    if (*info) return RunInfo(context, arguments.Drives, arguments.Json);
    if (*app.get_subcommand("station")) return Station(context, arguments);
    if (*report) {
      arguments.Report.Format = arguments.Csv    ? TReportFormat::Csv
                                : arguments.Json ? TReportFormat::Json
                                                 : TReportFormat::Summary;
      return RunReport(context, arguments.Report);
    }
    arguments.Drives = {drive};
    return ReadSegment(context, arguments);
  });
}
