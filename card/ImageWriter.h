#pragma once

#include <array>
#include <cstdint>
#include <future>
#include <memory>

#include "card/CardLayout.h"
#include "drives/Volume.h"

namespace vorlane {

// Puts a run of consecutive sectors on the card. Sectors are gathered into 1 MiB transfers,
// and each transfer runs while the next one is filled: a card takes one large write far faster
// than two thousand small ones, and it never waits for the job's file reads.
class TImageWriter {
 public:
  static constexpr std::size_t TransferSize = 1 << 20;

  TImageWriter(TVolume& volume, std::uint64_t firstByte);
  ~TImageWriter();
  TImageWriter(const TImageWriter&) = delete;
  TImageWriter& operator=(const TImageWriter&) = delete;

  // False once any transfer so far has failed.
  bool Append(const TSector& sector);
  // Writes what is gathered and returns true only when the card confirmed the whole run.
  bool Finish();

 private:
  struct alignas(4096) TTransfer {
    std::array<std::uint8_t, TransferSize> Bytes;
  };

  bool SubmitFilled();
  bool AwaitInFlight();

  TVolume& Volume;
  std::uint64_t FilledStart;  // card byte where the buffer being filled belongs
  std::size_t Filled = 0;
  std::array<std::unique_ptr<TTransfer>, 2> Buffers;
  int FillingIndex = 0;
  std::future<bool> InFlight;
  bool Failed = false;
};

}  // namespace vorlane
