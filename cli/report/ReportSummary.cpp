#include "cli/report/ReportSummary.h"

#include <algorithm>

namespace vorlane::cli {
namespace {

// A log is input from disk: a hostile one naming a million batches must not cost a million
// groups, nor one group a key of 64 KiB.
constexpr std::size_t MostGroups = 10'000;
constexpr std::size_t LongestKey = 128;
const std::string OtherGroups = "(others)";

template <typename TKey>
TCardCounts& GroupFor(std::map<TKey, TCardCounts>& groups, TKey key, const TKey& others) {
  const auto found = groups.find(key);
  if (found != groups.end()) return found->second;
  return groups[groups.size() < MostGroups ? std::move(key) : others];
}

std::string KeyOf(const std::string& text) {
  return text.substr(0, LongestKey);
}

TCardCounts Without(TCardCounts all, const TCardCounts& part) {
  all.Cards -= part.Cards;
  all.Passed -= part.Passed;
  all.Failed -= part.Failed;
  for (std::size_t step = 0; step < all.FailedAt.size(); ++step)
    all.FailedAt[step] -= part.FailedAt[step];
  all.Refused -= part.Refused;
  all.Stopped -= part.Stopped;
  return all;
}

bool SlowerFirst(const TSlowCard& a, const TSlowCard& b) {
  return a.WriteSpeed < b.WriteSpeed;
}

}  // namespace

void TCardCounts::Add(const TReportRecord& record) {
  ++Cards;
  switch (record.Result) {
    case TCardVerdict::Passed:
      ++Passed;
      break;
    case TCardVerdict::Failed:
      ++Failed;
      if (record.FailedStep) ++FailedAt[static_cast<std::size_t>(*record.FailedStep)];
      break;
    case TCardVerdict::Refused:
      ++Refused;
      break;
    case TCardVerdict::Stopped:
      ++Stopped;
      break;
  }
}

std::optional<unsigned> TCardCounts::YieldPercent() const {
  if (Cards == 0) return std::nullopt;
  return static_cast<unsigned>((Passed * 100 + Cards / 2) / Cards);
}

void TReportSummary::Add(const TReportRecord& record, const TRecordPlace& place) {
  All.Add(record);
  GroupFor(Batches, KeyOf(record.Batch), OtherGroups).Add(record);
  GroupFor(Operators, KeyOf(record.Operator), OtherGroups).Add(record);
  GroupFor(Stations, KeyOf(record.Host), OtherGroups).Add(record);
  GroupFor(Slots, TSlotKey{KeyOf(record.Host), KeyOf(record.Slot)}, {OtherGroups, OtherGroups})
      .Add(record);
  if (record.Verify.Measured())
    Verifies.push_back(static_cast<float>(record.Verify.MegabytesPerSecond));
  if (!record.Write.Measured()) return;
  Writes.push_back(static_cast<float>(record.Write.MegabytesPerSecond));
  if (Slowest.size() == SlowCardsListed &&
      record.Write.MegabytesPerSecond >= Slowest.front().WriteSpeed)
    return;
  TSlowCard card{
      record.Write.MegabytesPerSecond,
      record.Verify.Measured() ? std::optional(record.Verify.MegabytesPerSecond) : std::nullopt,
      record.Time,
      KeyOf(record.Host),
      KeyOf(record.Slot),
      KeyOf(record.Device),
      place};
  if (Slowest.size() == SlowCardsListed) {
    std::ranges::pop_heap(Slowest, SlowerFirst);
    Slowest.pop_back();
  }
  Slowest.push_back(std::move(card));
  std::ranges::push_heap(Slowest, SlowerFirst);
}

std::vector<TReaderWarning> TReportSummary::ReaderWarnings() const {
  std::vector<TReaderWarning> warnings;
  for (const auto& [key, there] : Slots) {
    const auto station = Stations.find(key.first);
    if (there.Failed < 3 || station == Stations.end()) continue;
    const TCardCounts elsewhere = Without(station->second, there);
    // Refused and stopped cards say nothing of the reader: only the cards it wrote count.
    const std::uint64_t taken = there.Passed + there.Failed;
    const std::uint64_t takenElsewhere = elsewhere.Passed + elsewhere.Failed;
    // there.Failed / taken >= 2 * elsewhere.Failed / takenElsewhere, without a division
    if (takenElsewhere == 0 || there.Failed * takenElsewhere < 2 * elsewhere.Failed * taken)
      continue;
    warnings.push_back({key.first, key.second, there, elsewhere});
  }
  return warnings;
}

std::vector<TSlowCard> TReportSummary::SlowestCards() const {
  std::vector<TSlowCard> cards = Slowest;
  std::ranges::sort(cards, SlowerFirst);
  return cards;
}

TSpeedFigures TReportSummary::FiguresOf(std::vector<float> speeds) {
  if (speeds.empty()) return {};
  const auto middle = speeds.begin() + static_cast<std::ptrdiff_t>(speeds.size() / 2);
  std::nth_element(speeds.begin(), middle, speeds.end());
  double median = *middle;
  if (speeds.size() % 2 == 0) median = (median + *std::max_element(speeds.begin(), middle)) / 2;
  return {median, *std::min_element(speeds.begin(), speeds.end())};
}

}  // namespace vorlane::cli
