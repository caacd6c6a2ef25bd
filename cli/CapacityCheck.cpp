#include "cli/CapacityCheck.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "card/CardLayout.h"
#include "cli/Usage.h"
#include "cli/station/StationRecord.h"

namespace vorlane::cli {
namespace {

std::string DescribeRun(const TSectorRun& run) {
  const std::uint64_t last = run.FirstSector + (run.Count - 1) * run.Stride;
  if (run.Count == 1) return "sector " + std::to_string(run.FirstSector);
  if (run.Stride == 1)
    return "sectors " + std::to_string(run.FirstSector) + "-" + std::to_string(last);
  return std::to_string(run.Count) + " sectors from " + std::to_string(run.FirstSector) + " to " +
         std::to_string(last) + " every " + std::to_string(run.Stride);
}

// Decimal megabytes, as the rates are given.
std::string MegabytesText(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  return text;
}

std::string MiBText(std::uint64_t bytes) {
  return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MiB";
}

}  // namespace

std::uint64_t ReportedBytesOf(const TTarget& target) {
  if (target.IsDrive) return target.Details.SizeBytes;
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(target.VolumePath, error);
  return error ? 0 : size;
}

std::string ProvableProblem(std::uint64_t reportedBytes, const TCapacityOptions& options) {
  if (reportedBytes == 0) return "the card's size cannot be told";
  const std::uint64_t smallest = SmallestProvableBytes(options);
  if (reportedBytes >= smallest) return {};
  return "the card reports " + std::to_string(reportedBytes) +
         " bytes, too few to prove behind a " + MiBText(options.CacheBytes) +
         " cache (that needs " + std::to_string(smallest) + "; a smaller --cache-size needs less)";
}

void CheckProvable(const std::vector<TTarget>& targets, const TCapacityOptions& options) {
  for (const TTarget& target : targets) {
    const std::string problem = target.Exists ? ProvableProblem(ReportedBytesOf(target), options)
                                              : "no card image there to prove";
    if (!problem.empty()) throw TUsageError(target.Name + ": " + problem + "; nothing written");
  }
}

std::string ProvedWords(const TCapacityProof& proof) {
  return "keeps every byte it reports (" + std::to_string(proof.ReportedBytes) + " bytes)";
}

std::string DescribeProofWork(const TCapacityProof& proof) {
  std::vector<TSectorRun> runs = proof.Tagged;
  std::sort(runs.begin(), runs.end(),
            [](const TSectorRun& a, const TSectorRun& b) { return a.FirstSector < b.FirstSector; });
  std::string text = "the proof wrote " + MegabytesText(proof.BytesWritten) + " and read " +
                     MegabytesText(proof.BytesRead) + "; tags now in ";
  for (std::size_t i = 0; i < runs.size(); ++i) text += (i == 0 ? "" : ", ") + DescribeRun(runs[i]);
  if (runs.empty()) text += "no sector";
  if (proof.Outcome.Result == TJobResult::Succeeded)
    text += "; its record in sector " + std::to_string(ProofSealSector);
  return text;
}

std::string ProofTime(const TProofSeal& seal) {
  return IsoTimeUtc(std::chrono::system_clock::time_point(std::chrono::seconds(seal.UnixSeconds)));
}

std::string DescribeProofRecord(const std::optional<TProofSeal>& seal,
                                std::uint64_t reportedBytes) {
  if (!seal) return "not proved by Vorlane";
  if (!seal->Covers(reportedBytes))
    return "not proved by Vorlane (its record there is of a card reporting " +
           std::to_string(seal->ReportedBytes) + " bytes)";
  return "proved by Vorlane " + ProofTime(*seal) +
         " to keep every byte it reports, behind a cache "
         "of up to " +
         MiBText(seal->CacheBytes);
}

}  // namespace vorlane::cli
