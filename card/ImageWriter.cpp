#include "card/ImageWriter.h"

#include <utility>

namespace vorlane {

TImageWriter::TImageWriter(TVolume& volume, std::uint64_t firstByte, TTaken taken)
    : Volume(volume),
      FirstByte(firstByte),
      Taken(std::move(taken)),
      NextByte(firstByte),
      Buffers{TAlignedBuffer(TransferSize), TAlignedBuffer(TransferSize),
              TAlignedBuffer(TransferSize)},
      Writer([this](std::stop_token stop) { SendQueued(stop); }) {}

// The stop is asked under the lock, so the writer cannot miss it between its check and its wait.
TImageWriter::~TImageWriter() {
  std::unique_lock lock(Lock);
  Changed.wait(lock, [this] { return Queue.empty() && !Writing; });
  Writer.request_stop();
  lock.unlock();
  Changed.notify_all();
}

// Buffers are used in turn; the one after the queued ones is free once fewer than all are queued.
std::span<std::uint8_t> TImageWriter::FillBuffer() {
  std::unique_lock lock(Lock);
  Changed.wait(lock, [this] { return Queued < BufferCount || Failure; });
  return Buffers[Filling].Bytes();
}

std::error_code TImageWriter::Submit(std::size_t size) {
  std::lock_guard lock(Lock);
  if (Failure || size == 0) return Failure;
  Queue.push_back({Filling, size, NextByte});
  ++Queued;
  NextByte += size;
  Filling = (Filling + 1) % BufferCount;
  Changed.notify_all();
  return {};
}

std::error_code TImageWriter::Finish() {
  std::unique_lock lock(Lock);
  Changed.wait(lock, [this] { return Queue.empty() && !Writing; });
  if (Failure) return Failure;
  lock.unlock();
  const std::error_code error = Volume.Sync();
  if (error) Fail(error, NextByte);
  return error;
}

std::uint64_t TImageWriter::FailedAt() const {
  std::lock_guard lock(Lock);
  return FailureByte;
}

// The writer thread: one transfer at a time, in order. After a failure the rest of the queue
// is dropped unwritten. Whoever listens hears of a transfer while it still counts as being
// written, so Finish returns only after it has heard of the last.
void TImageWriter::SendQueued(std::stop_token stop) {
  std::unique_lock lock(Lock);
  while (true) {
    Changed.wait(lock, [&] { return !Queue.empty() || stop.stop_requested(); });
    if (Queue.empty()) return;
    const TQueued transfer = Queue.front();
    Queue.pop_front();
    Writing = !Failure;
    lock.unlock();
    const std::error_code error = Writing ? WriteOne(transfer) : std::error_code();
    if (Writing && !error && Taken) Taken(transfer.At + transfer.Size - FirstByte);
    lock.lock();
    if (error && !Failure) {
      Failure = error;
      FailureByte = transfer.At;
    }
    Writing = false;
    --Queued;
    Changed.notify_all();
  }
}

// A transfer that threw counts as one that failed.
std::error_code TImageWriter::WriteOne(const TQueued& transfer) {
  try {
    return Volume.Write(transfer.At, std::as_const(Buffers[transfer.Buffer]).First(transfer.Size));
  } catch (const std::system_error& thrown) {
    return thrown.code();
  } catch (const std::exception&) {
    return std::make_error_code(std::errc::io_error);
  }
}

void TImageWriter::Fail(std::error_code error, std::uint64_t at) {
  std::lock_guard lock(Lock);
  Failure = error;
  FailureByte = at;
}

}  // namespace vorlane
