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

TFakeVolume::~TFakeVolume() {
  std::lock_guard lock(Card.Lock);
  ++Card.Closes;
}

bool TFakeVolume::Write(std::uint64_t byteOffset, std::span<const std::uint8_t> data) {
  std::unique_lock lock(Card.Lock);
  const int number = ++Card.WritesSeen;
  if (Card.HoldWriteNumber == number) {
    Card.Held = true;
    Card.Changed.notify_all();
    Card.Changed.wait(lock, [this] { return Card.Released; });
  }
  if (Card.FailWriteNumber == number) return false;
  if (Card.ThrowWriteNumber == number) throw std::runtime_error("card driver fault");
  for (std::size_t done = 0; done < data.size(); done += SectorSize) {
    TSector& sector = Card.Sectors[(byteOffset + done) / SectorSize];
    std::copy_n(data.data() + done, SectorSize, sector.begin());
  }
  return true;
}

bool TFakeVolume::Read(std::uint64_t byteOffset, std::span<std::uint8_t> data) {
  std::lock_guard lock(Card.Lock);
  if (Card.FailRead) return false;
  for (std::size_t done = 0; done < data.size(); done += SectorSize) {
    const auto found = Card.Sectors.find((byteOffset + done) / SectorSize);
    TSector sector{};
    if (found != Card.Sectors.end()) sector = found->second;
    if (Card.ReadBackCorrupted) sector[SectorSize - 1] ^= 0xFF;
    std::copy(sector.begin(), sector.end(), data.begin() + static_cast<std::ptrdiff_t>(done));
  }
  return true;
}

bool TFakeVolume::Sync() {
  std::lock_guard lock(Card.Lock);
  ++Card.SyncsSeen;
  return !Card.FailSync;
}

void TRecorder::SetStatusText(int writeMode, const std::string& text) {
  Add("text " + std::to_string(writeMode) + " " + text);
}

void TRecorder::SetStatusColor(int writeMode, TColor color) {
  Add("color " + std::to_string(writeMode) + " " + std::to_string(color.R) + "," +
      std::to_string(color.G) + "," + std::to_string(color.B));
}

void TRecorder::SetProgress(int percent) {
  Add("gauge " + std::to_string(percent));
  std::lock_guard lock(Lock);
  ProgressValues.push_back(percent);
}

void TRecorder::EnableButton(int buttonNumber) {
  Add("enable " + std::to_string(buttonNumber));
}
void TRecorder::ShowMessage(const std::string& text) {
  Add("message " + text);
}

std::unique_ptr<TVolume> TRecorder::OpenVolume(const std::string& volumePath) {
  std::lock_guard lock(Card.Lock);
  Card.OpenedPath = volumePath;
  if (Card.FailOpen) return nullptr;
  return std::make_unique<TFakeVolume>(Card);
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

std::vector<int> TRecorder::Progress() const {
  std::lock_guard lock(Lock);
  return ProgressValues;
}

void TRecorder::Add(std::string entry) {
  std::lock_guard lock(Lock);
  Entries.push_back(std::move(entry));
}

}  // namespace vorlane::testing
