// Stand-ins for the card and the OS: a card that records every write into a flat sector map
// and fails on request, and a window and platform that log what the job does to them.
#pragma once

#include <condition_variable>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "card/CardLayout.h"
#include "card/JobOutcome.h"
#include "drives/Platform.h"

namespace vorlane::testing {

// What a card holds and which faults it shows. Shared by every volume opened on it.
struct TFakeCard {
  std::map<std::uint64_t, TSector> Sectors;  // sectors ever written, by number
  int WritesSeen = 0;
  int SyncsSeen = 0;
  int Closes = 0;
  std::optional<int> FailWriteNumber;   // 1-based transfer number that fails
  std::optional<int> ThrowWriteNumber;  // 1-based transfer number that throws
  bool FailSync = false;
  std::optional<int> FailSyncNumber;  // 1-based confirmation that fails
  bool FailRead = false;
  bool ReadBackCorrupted = false;  // the card "forgets": reads return other bytes
  bool FailOpen = false;
  std::string OpenedPath;

  // A counterfeit card: it keeps only this many bytes, and folds every offset past them back
  // over its start, or drops writes there and reads zeros.
  std::optional<std::uint64_t> KeepsBytes;
  bool DropsPastKeep = false;
  // The sector a card byte lands in; none where the write is dropped.
  std::optional<std::uint64_t> SectorAt(std::uint64_t byte) const;
  // What the card reports: a transfer past it fails as at a volume's end. None: no end.
  std::optional<std::uint64_t> ReportsBytes;
  // A write cache of this many bytes in front of the sectors: writes stay in it, and reads of
  // them are answered from it, until newer writes push the least recently written out to where
  // they land. A sync writes it all out, unless the cache ignores flushes, as some counterfeits'
  // do.
  std::uint64_t CacheBytes = 0;
  bool CacheIgnoresFlush = false;
  std::list<std::pair<std::uint64_t, TSector>> Cached;  // by the sector written, oldest first
  std::map<std::uint64_t, decltype(Cached)::iterator> CachedAt;
  void Take(std::uint64_t sector, const std::uint8_t* bytes);
  TSector Give(std::uint64_t sector) const;
  void WriteOut(std::size_t keepSectors);

  // Holding a transfer lets a test act while the job waits on the card.
  std::optional<int> HoldWriteNumber;
  bool Held = false;
  bool Released = false;
  std::mutex Lock;
  std::condition_variable Changed;

  void WaitUntilHeld();
  void Release();
  std::vector<std::uint64_t> WrittenSectorNumbers();
};

class TFakeVolume final : public TVolume {
 public:
  explicit TFakeVolume(TFakeCard& card) : Card(card) {}
  ~TFakeVolume() override;
  std::error_code Write(std::uint64_t byteOffset, std::span<const std::uint8_t> data) override;
  std::error_code Read(std::uint64_t byteOffset, std::span<std::uint8_t> data) override;
  std::error_code Sync() override;

 private:
  TFakeCard& Card;
};

// What the job writes before its image (the test sector, then the fold probe's two tags), and the
// confirmations before the image's own: tests count transfers from these.
inline constexpr int FirstImageWrite = 4;
inline constexpr int ImageSync = 3;

// The error every injected card fault reports.
inline const std::error_code CardFault = std::make_error_code(std::errc::io_error);

// The platform the job and its presenters see, opening volumes on the fake card, and the job's
// observer. One log for progress, outcome and sounds, so their order can be checked together.
class TRecorder : public TPlatform, public TJobObserver {
 public:
  explicit TRecorder(TFakeCard& card) : Card(card) {}
  TVolumeOpening OpenVolume(const std::string& volumePath) override;
  void Beep(unsigned frequencyHz, unsigned durationMs) override;
  void Sleep(unsigned durationMs) override;
  void Progress(int percent) override;
  void Finished(const TJobOutcome& outcome) override;

  std::vector<std::string> Log() const;
  std::vector<int> ProgressValues() const;
  std::vector<TJobOutcome> Outcomes() const;
  void Add(std::string entry);

 private:
  TFakeCard& Card;
  mutable std::mutex Lock;
  std::vector<std::string> Entries;
  std::vector<int> Percentages;
  std::vector<TJobOutcome> Endings;
};

}  // namespace vorlane::testing
