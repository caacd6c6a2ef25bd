// What a set of station logs adds up to: cards and their results, overall and by batch,
// operator, station and slot; the speeds; the readers that fail more than their neighbours; the
// slowest cards. Fed one record at a time: nothing but the speeds is kept per card.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/report/RecordLine.h"

namespace vorlane::cli {

struct TCardCounts {
  std::uint64_t Cards = 0;
  std::uint64_t Passed = 0;
  std::uint64_t Failed = 0;                 // every failed card, its step told or not
  std::array<std::uint64_t, 4> FailedAt{};  // by TStepKind: check, write, verify, grade
  std::uint64_t Refused = 0;
  std::uint64_t Stopped = 0;

  void Add(const TReportRecord& record);
  // Passed of all cards, in whole percent rounded half up; none without cards.
  std::optional<unsigned> YieldPercent() const;
};

// Where a record stands: the log's place in the list given, and its line.
struct TRecordPlace {
  std::size_t Log = 0;
  std::uint64_t Line = 0;
};

struct TSlowCard {
  double WriteSpeed = 0;
  std::optional<double> VerifySpeed;
  std::string Time, Host, Slot, Device;
  TRecordPlace Place;
};

struct TSpeedFigures {
  std::optional<double> Median;
  std::optional<double> Slowest;
};

// A slot that fails at least twice as often as the rest of its station, with 3 failures or more.
struct TReaderWarning {
  std::string Host, Slot;
  TCardCounts There, Elsewhere;
};

// A station and slot: the slot's name is the reader's place on one station only.
using TSlotKey = std::pair<std::string, std::string>;

class TReportSummary {
 public:
  void Add(const TReportRecord& record, const TRecordPlace& place);

  const TCardCounts& Total() const { return All; }
  const std::map<std::string, TCardCounts>& ByBatch() const { return Batches; }
  const std::map<std::string, TCardCounts>& ByOperator() const { return Operators; }
  const std::map<std::string, TCardCounts>& ByStation() const { return Stations; }
  const std::map<TSlotKey, TCardCounts>& BySlot() const { return Slots; }
  TSpeedFigures WriteSpeeds() const { return FiguresOf(Writes); }
  TSpeedFigures VerifySpeeds() const { return FiguresOf(Verifies); }
  std::vector<TReaderWarning> ReaderWarnings() const;
  // The slowest writes, slowest first.
  std::vector<TSlowCard> SlowestCards() const;

 private:
  static TSpeedFigures FiguresOf(std::vector<float> speeds);

  TCardCounts All;
  std::map<std::string, TCardCounts> Batches, Operators, Stations;
  std::map<TSlotKey, TCardCounts> Slots;
  std::vector<float> Writes, Verifies;  // 4 bytes a card: a million cards in 8 MB
  std::vector<TSlowCard> Slowest;       // a heap, the fastest of the slow on top
};

// How many slowest cards a report lists.
inline constexpr std::size_t SlowCardsListed = 5;

}  // namespace vorlane::cli
