#pragma once

#include <array>
#include <cstdint>
#include <future>
#include <memory>
#include <span>
#include <system_error>

#include "drives/Volume.h"

namespace vorlane {

// Puts a run of consecutive sectors on the card in 1 MiB transfers, each running while the
// next is filled: a card takes one large write far faster than two thousand small ones, and it
// never waits for the job's file reads. A transfer that fails stops the run: nothing is written
// after it.
class TImageWriter {
 public:
  static constexpr std::size_t TransferSize = 1 << 20;

  TImageWriter(TVolume& volume, std::uint64_t firstByte);
  ~TImageWriter();
  TImageWriter(const TImageWriter&) = delete;
  TImageWriter& operator=(const TImageWriter&) = delete;

  // The buffer to fill for the next transfer: TransferSize bytes, page-aligned.
  std::span<std::uint8_t> FillBuffer();
  // Starts writing the first size bytes of the fill buffer after everything submitted so far.
  // Returns the error of any transfer so far, which ends the run.
  std::error_code Submit(std::size_t size);
  // Waits for the transfer under way, then has the card confirm the whole run.
  std::error_code Finish();
  // The card byte of the transfer that failed, or of the run's end once Finish failed.
  std::uint64_t FailedAt() const { return FailureByte; }

 private:
  struct alignas(4096) TTransfer {
    std::array<std::uint8_t, TransferSize> Bytes;
  };
  std::error_code AwaitInFlight();

  TVolume& Volume;
  std::uint64_t NextByte;  // card byte where the next submitted transfer goes
  std::array<std::unique_ptr<TTransfer>, 2> Buffers;
  int FillingIndex = 0;
  std::future<std::error_code> InFlight;
  std::uint64_t InFlightByte = 0;
  std::error_code Failure;
  std::uint64_t FailureByte = 0;
};

}  // namespace vorlane
