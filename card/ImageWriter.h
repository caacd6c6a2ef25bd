#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <system_error>
#include <thread>

#include "drives/AlignedBuffer.h"
#include "drives/Volume.h"

namespace vorlane {

// Puts a run of consecutive sectors on the card in 1 MiB transfers. A writer thread of its own
// sends them while the next ones are filled, so the card never waits for the job's file reads:
// a card takes one large write far faster than two thousand small ones. A transfer that fails
// stops the run: nothing is written after it.
class TImageWriter {
 public:
  static constexpr std::size_t TransferSize = 1 << 20;
  static constexpr std::size_t BufferCount = 3;  // one being filled, up to two queued

  // Hears, on the writer's thread, of each transfer the card has taken: the bytes of the run it
  // holds so far. Finish and the destructor wait for it to return.
  using TTaken = std::function<void(std::uint64_t bytesTaken)>;

  TImageWriter(TVolume& volume, std::uint64_t firstByte, TTaken taken = {});
  // Waits for the transfers under way; they still read the buffers.
  ~TImageWriter();
  TImageWriter(const TImageWriter&) = delete;
  TImageWriter& operator=(const TImageWriter&) = delete;

  // The buffer to fill for the next transfer: TransferSize bytes, page-aligned. Waits while
  // every buffer is queued.
  std::span<std::uint8_t> FillBuffer();
  // Queues the first size bytes of the fill buffer after everything submitted so far. Returns
  // the error of any transfer so far, which ends the run.
  std::error_code Submit(std::size_t size);
  // Waits for the queued transfers, then has the card confirm the whole run.
  std::error_code Finish();
  // The card byte of the transfer that failed, or of the run's end once the confirmation failed.
  std::uint64_t FailedAt() const;

 private:
  struct TQueued {
    std::size_t Buffer;
    std::size_t Size;
    std::uint64_t At;
  };

  void SendQueued(std::stop_token stop);
  std::error_code WriteOne(const TQueued& transfer);
  void Fail(std::error_code error, std::uint64_t at);

  TVolume& Volume;
  const std::uint64_t FirstByte;
  const TTaken Taken;
  std::uint64_t NextByte;  // card byte where the next submitted transfer goes
  std::array<TAlignedBuffer, BufferCount> Buffers;
  std::size_t Filling = 0;  // the buffer FillBuffer handed out
  std::size_t Queued = 0;   // buffers queued or being written

  mutable std::mutex Lock;
  std::condition_variable Changed;
  std::deque<TQueued> Queue;
  bool Writing = false;
  std::error_code Failure;
  std::uint64_t FailureByte = 0;
  std::jthread Writer;  // last: starts once everything above is ready
};

}  // namespace vorlane
