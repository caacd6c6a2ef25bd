#include "card/CapacityProof.h"

#include <algorithm>
#include <chrono>
#include <numeric>
#include <optional>
#include <string>

#include "card/CapacityPlan.h"
#include "card/CardProof.h"
#include "card/CardTag.h"
#include "card/ProofSeal.h"
#include "drives/AlignedBuffer.h"

namespace vorlane {
namespace {

constexpr std::uint64_t MiB = 1ull << 20;

// What a place read back: its own tag, another place's tag (From), or no tag of this run.
enum class TFound { Own, Other, Nothing };
struct TReadBack {
  TFound Found = TFound::Nothing;
  std::uint64_t From = 0;
};

// A place that read back another place's tag: the card keeps both in one.
struct TFold {
  std::uint64_t ReadAt = 0;
  std::uint64_t TagOf = 0;
  std::uint64_t Distance() const { return ReadAt > TagOf ? ReadAt - TagOf : TagOf - ReadAt; }
};

std::string KeepsLess(std::uint64_t kept, std::uint64_t reported, const std::string& past) {
  return std::string(KeepsFewerBytesDetail) + ": it keeps " + std::to_string(kept) + " of its " +
         std::to_string(reported) + " bytes; writes past them " + past;
}

// Single runs the window covered again leave one run in the list.
std::vector<TSectorRun> WithoutCovered(const std::vector<TSectorRun>& runs) {
  std::vector<TSectorRun> kept;
  for (const TSectorRun& run : runs) {
    const bool covered = std::any_of(runs.begin(), runs.end(), [&run](const TSectorRun& other) {
      return &other != &run && other.Stride == 1 && run.Count == 1 &&
             run.FirstSector >= other.FirstSector &&
             run.FirstSector < other.FirstSector + other.Count;
    });
    if (run.Count > 0 && !covered) kept.push_back(run);
  }
  return kept;
}

class TCapacityRun {
 public:
  TCapacityRun(TVolume& volume, std::uint64_t reportedBytes, const TCapacityOptions& options,
               const std::function<void(int)>& progress, std::stop_token stop)
      : Volume(volume),
        Options(options),
        Plan(TCapacityPlan::For(reportedBytes, options)),
        Progress(progress),
        Stop(std::move(stop)),
        Planned(PlannedProofBytes(reportedBytes, options)) {}

  TCapacityProof Run() {
    Proof.ReportedBytes = Plan.CardEnd;
    if (Plan.CardEnd < SmallestProvableBytes(Options)) {
      Fail({TJobResult::TestCompareFailed, {}, std::nullopt, "the card is too small to prove"});
      return Proof;
    }
    if (SpreadRound()) {
      if (!Folds.empty())
        FoundFold();
      else if (Dropped)
        FoundDrop();
      else
        Seal();
    }
    Proof.Tagged = WithoutCovered(Proof.Tagged);
    return Proof;
  }

 private:
  // Its record is made void first: a proof stopped from here on leaves none. Then the probes,
  // the window over the places folded probes land on, and the flush, all confirmed, then read.
  bool SpreadRound() {
    const std::vector<std::uint64_t> probes = Plan.SpreadProbes();
    if (!WriteProbes(ProofSealByte, 1, SectorSize) ||
        !WriteProbes(probes.front(), probes.size() - 1, Plan.Window) ||
        !WriteProbes(probes.back(), 1, SectorSize) || !WriteTagged({0, Plan.FirstFlush().End}) ||
        !Confirm())
      return false;
    std::vector<std::uint64_t> reads = Plan.WindowReads();
    reads.insert(reads.end(), probes.begin(), probes.end());
    return ReadProbes(reads);
  }

  // In ascending order: the first place that is not its own bounds what the card keeps.
  bool ReadProbes(const std::vector<std::uint64_t>& places) {
    for (const std::uint64_t at : places) {
      const std::optional<TReadBack> back = ReadBack(at);
      if (!back) return false;
      if (back->Found == TFound::Other) Folds.push_back({at, back->From});
      if (Dropped && at >= *Dropped) continue;
      if (back->Found == TFound::Own)
        Kept = at;
      else
        Dropped = at;
    }
    return true;
  }

  void FoundFold() {
    Proof.KeptBytes = std::min(FoldModulus(), Plan.CardEnd);
    // The lowest place that read back a place below it shows where writes past the kept bytes
    // land; on a card that keeps less than the window, every tag read may be from above.
    const TFold* shown = &Folds.front();
    for (const TFold& fold : Folds)
      if (fold.TagOf < fold.ReadAt) {
        shown = &fold;
        break;
      }
    const std::string landing =
        "fold back over its start: byte " + std::to_string(std::max(shown->ReadAt, shown->TagOf)) +
        " lands on byte " + std::to_string(std::min(shown->ReadAt, shown->TagOf));
    Proof.Outcome = {TJobResult::TestCompareFailed,
                     {},
                     shown->ReadAt,
                     KeepsLess(Proof.KeptBytes, Plan.CardEnd, landing)};
  }

  // Every fold's distance is a multiple of the card's real size, and the first probe past it
  // lands in the window, a distance of exactly that size from where it was written.
  std::uint64_t FoldModulus() const {
    std::uint64_t modulus = 0;
    for (const TFold& fold : Folds) modulus = std::gcd(modulus, fold.Distance());
    return modulus;
  }

  void FoundDrop() {
    for (auto probes = NarrowingProbes(Kept, *Dropped); !probes.empty();
         probes = NarrowingProbes(Kept, *Dropped)) {
      const std::optional<TByteRange> flush = Plan.NarrowingFlush(probes.front(), probes.back());
      if (!flush) break;
      if (!NarrowingRound(probes, *flush)) return;
    }
    Proof.KeptBytes = *Dropped;
    Proof.Outcome = {TJobResult::TestCompareFailed,
                     {},
                     *Dropped,
                     KeepsLess(Proof.KeptBytes, Plan.CardEnd,
                               "are dropped: byte " + std::to_string(*Dropped) +
                                   " did not keep what was written there")};
  }

  bool NarrowingRound(const std::vector<std::uint64_t>& probes, TByteRange flush) {
    Planned += probes.size() * 2 * SectorSize + (flush.End - flush.Begin);
    const std::uint64_t stride = probes.size() > 1 ? probes[1] - probes[0] : SectorSize;
    return WriteProbes(probes.front(), probes.size(), stride) && WriteTagged(flush) && Confirm() &&
           ReadProbes(probes);
  }

  void Seal() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const TSector seal =
        MakeProofSeal({Token, Plan.CardEnd, Options.CacheBytes,
                       std::chrono::duration_cast<std::chrono::seconds>(now).count()});
    std::copy(seal.begin(), seal.end(), Buffer.Bytes().begin());
    if (const std::error_code error = Volume.Write(ProofSealByte, Buffer.First(SectorSize)))
      return void(Fail({TJobResult::TestWriteFailed, error, ProofSealByte}));
    Moved(SectorSize, true);
    if (!Confirm()) return;
    Proof.KeptBytes = Plan.CardEnd;
    if (Progress) Progress(100);
  }

  bool WriteProbes(std::uint64_t first, std::uint64_t count, std::uint64_t stride) {
    Proof.Tagged.push_back({first / SectorSize, 0, stride / SectorSize});
    for (std::uint64_t i = 0; i < count; ++i) {
      const std::uint64_t at = first + i * stride;
      if (Stopping()) return false;
      const TSector tag = MakeTag(at, Token);
      std::copy(tag.begin(), tag.end(), Buffer.Bytes().begin());
      if (const std::error_code error = Volume.Write(at, Buffer.First(SectorSize)))
        return Fail({TJobResult::TestWriteFailed, error, at});
      ++Proof.Tagged.back().Count;
      Moved(SectorSize, true);
    }
    return true;
  }

  bool WriteTagged(TByteRange range) {
    Proof.Tagged.push_back({range.Begin / SectorSize, 0, 1});
    for (std::uint64_t at = range.Begin; at < range.End; at += MiB) {
      if (Stopping()) return false;
      const std::size_t bytes = static_cast<std::size_t>(std::min(MiB, range.End - at));
      FillWithTags(Buffer.First(bytes), at, Token);
      if (const std::error_code error = Volume.Write(at, Buffer.First(bytes)))
        return Fail({TJobResult::TestWriteFailed, error, at});
      Proof.Tagged.back().Count += bytes / SectorSize;
      Moved(bytes, true);
    }
    return true;
  }

  bool Confirm() {
    if (const std::error_code error = Volume.Sync())
      return Fail({TJobResult::TestWriteFailed, error, std::nullopt});
    return true;
  }

  std::optional<TReadBack> ReadBack(std::uint64_t at) {
    if (Stopping()) return std::nullopt;
    if (const std::error_code error = Volume.Read(at, Buffer.First(SectorSize))) {
      Fail({TJobResult::TestReadFailed, error, at});
      return std::nullopt;
    }
    Moved(SectorSize, false);
    const std::optional<std::uint64_t> from = TaggedByte(Buffer.First(SectorSize), Token);
    if (!from) return TReadBack{};
    return TReadBack{*from == at ? TFound::Own : TFound::Other, *from};
  }

  // Asked to stop: what was written is confirmed, as a write job leaves its card.
  bool Stopping() {
    if (!Stop.stop_requested()) return false;
    Volume.Sync();
    Fail({TJobResult::Stopped});
    return true;
  }

  bool Fail(TJobOutcome outcome) {
    Proof.Outcome = std::move(outcome);
    return false;
  }

  void Moved(std::uint64_t bytes, bool written) {
    (written ? Proof.BytesWritten : Proof.BytesRead) += bytes;
    const std::uint64_t done = Proof.BytesWritten + Proof.BytesRead;
    const int percent = static_cast<int>(std::min<std::uint64_t>(99, done * 100 / Planned));
    if (percent <= Percent) return;
    Percent = percent;
    if (Progress) Progress(percent);
  }

  TVolume& Volume;
  const TCapacityOptions Options;
  const TCapacityPlan Plan;
  const std::function<void(int)>& Progress;
  const std::stop_token Stop;
  const std::uint64_t Token = NewProbeToken();
  TAlignedBuffer Buffer{MiB};
  TCapacityProof Proof;
  std::vector<TFold> Folds;
  std::optional<std::uint64_t> Kept;     // the highest place found kept, below Dropped
  std::optional<std::uint64_t> Dropped;  // the lowest place found not kept
  std::uint64_t Planned;
  int Percent = -1;
};

}  // namespace

TCapacityProof ProveCapacity(TVolume& volume, std::uint64_t reportedBytes,
                             const TCapacityOptions& options,
                             const std::function<void(int)>& progress, std::stop_token stop) {
  return TCapacityRun(volume, reportedBytes, options, progress, std::move(stop)).Run();
}

}  // namespace vorlane
