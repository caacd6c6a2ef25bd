#include "tests/card/FakeVolume.h"

#include <algorithm>
#include <stdexcept>

namespace vorlane::testing {

void TFakeCard::WaitUntilHeld() {
  std::unique_lock lock(Lock);
  Changed.wait(lock, [this] { return Held; });
}

void TFakeCard::Release() {
  std::lock_guard lock(Lock);
  Released = true;
  Changed.notify_all();
}

std::vector<std::uint64_t> TFakeCard::WrittenSectorNumbers() {
  std::lock_guard lock(Lock);
  std::vector<std::uint64_t> numbers;
  for (const auto& [number, bytes] : Sectors) numbers.push_back(number);
  return numbers;
}

std::optional<std::uint64_t> TFakeCard::SectorAt(std::uint64_t byte) const {
  if (!KeepsBytes || byte < *KeepsBytes) return byte / SectorSize;
  if (DropsPastKeep) return std::nullopt;
  return byte % *KeepsBytes / SectorSize;
}

void TFakeCard::Take(std::uint64_t sector, const std::uint8_t* bytes) {
  if (CacheBytes == 0) {
    if (const auto lands = SectorAt(sector * SectorSize))
      std::copy_n(bytes, SectorSize, Sectors[*lands].begin());
    return;
  }
  if (const auto cached = CachedAt.find(sector); cached != CachedAt.end())
    Cached.erase(cached->second);
  CachedAt[sector] = Cached.insert(Cached.end(), {sector, {}});
  std::copy_n(bytes, SectorSize, Cached.back().second.begin());
  WriteOut(CacheBytes / SectorSize);
}

TSector TFakeCard::Give(std::uint64_t sector) const {
  if (const auto cached = CachedAt.find(sector); cached != CachedAt.end())
    return cached->second->second;
  const auto lands = SectorAt(sector * SectorSize);
  const auto found = lands ? Sectors.find(*lands) : Sectors.end();
  return found != Sectors.end() ? found->second : TSector{};
}

void TFakeCard::WriteOut(std::size_t keepSectors) {
  while (Cached.size() > keepSectors) {
    const auto& [sector, bytes] = Cached.front();
    if (const auto lands = SectorAt(sector * SectorSize)) Sectors[*lands] = bytes;
    CachedAt.erase(sector);
    Cached.pop_front();
  }
}

TFakeVolume::~TFakeVolume() {
  std::lock_guard lock(Card.Lock);
  ++Card.Closes;
}

std::error_code TFakeVolume::Write(std::uint64_t byteOffset, std::span<const std::uint8_t> data) {
  std::unique_lock lock(Card.Lock);
  const int number = ++Card.WritesSeen;
  if (Card.HoldWriteNumber == number) {
    Card.Held = true;
    Card.Changed.notify_all();
    Card.Changed.wait(lock, [this] { return Card.Released; });
  }
  if (Card.FailWriteNumber == number) return CardFault;
  if (Card.ThrowWriteNumber == number) throw std::runtime_error("card driver fault");
  if (Card.ReportsBytes && byteOffset + data.size() > *Card.ReportsBytes) return EndOfVolumeError();
  for (std::size_t done = 0; done < data.size(); done += SectorSize)
    Card.Take((byteOffset + done) / SectorSize, data.data() + done);
  return {};
}

std::error_code TFakeVolume::Read(std::uint64_t byteOffset, std::span<std::uint8_t> data) {
  std::lock_guard lock(Card.Lock);
  if (Card.FailRead) return CardFault;
  if (Card.ReportsBytes && byteOffset + data.size() > *Card.ReportsBytes) return EndOfVolumeError();
  for (std::size_t done = 0; done < data.size(); done += SectorSize) {
    TSector sector = Card.Give((byteOffset + done) / SectorSize);
    if (Card.ReadBackCorrupted) sector[SectorSize - 1] ^= 0xFF;
    std::copy(sector.begin(), sector.end(), data.begin() + static_cast<std::ptrdiff_t>(done));
  }
  return {};
}

std::error_code TFakeVolume::Sync() {
  std::lock_guard lock(Card.Lock);
  ++Card.SyncsSeen;
  if (Card.FailSync || Card.FailSyncNumber == Card.SyncsSeen) return CardFault;
  if (!Card.CacheIgnoresFlush) Card.WriteOut(0);
  return {};
}

TVolumeOpening TRecorder::OpenVolume(const std::string& volumePath) {
  std::lock_guard lock(Card.Lock);
  Card.OpenedPath = volumePath;
  if (Card.FailOpen) return {nullptr, std::make_error_code(std::errc::no_such_device)};
  return {std::make_unique<TFakeVolume>(Card), {}};
}

void TRecorder::Beep(unsigned frequencyHz, unsigned durationMs) {
  Add("beep " + std::to_string(frequencyHz) + " " + std::to_string(durationMs));
}

void TRecorder::Sleep(unsigned durationMs) {
  Add("sleep " + std::to_string(durationMs));
}

std::vector<std::string> TRecorder::Log() const {
  std::lock_guard lock(Lock);
  return Entries;
}

void TRecorder::Progress(int percent) {
  Add("gauge " + std::to_string(percent));
  std::lock_guard lock(Lock);
  Percentages.push_back(percent);
}

void TRecorder::Finished(const TJobOutcome& outcome) {
  Add("outcome " + std::to_string(static_cast<int>(outcome.Result)));
  std::lock_guard lock(Lock);
  Endings.push_back(outcome);
}

std::vector<int> TRecorder::ProgressValues() const {
  std::lock_guard lock(Lock);
  return Percentages;
}

std::vector<TJobOutcome> TRecorder::Outcomes() const {
  std::lock_guard lock(Lock);
  return Endings;
}

void TRecorder::Add(std::string entry) {
  std::lock_guard lock(Lock);
  Entries.push_back(std::move(entry));
}

}  // namespace vorlane::testing
