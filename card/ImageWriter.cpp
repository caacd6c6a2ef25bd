#include "card/ImageWriter.h"

namespace vorlane {

TImageWriter::TImageWriter(TVolume& volume, std::uint64_t firstByte)
    : Volume(volume),
      NextByte(firstByte),
      Buffers{std::make_unique<TTransfer>(), std::make_unique<TTransfer>()} {}

// The transfer under way still reads one of the buffers: it must end before they go.
TImageWriter::~TImageWriter() {
  AwaitInFlight();
}

std::span<std::uint8_t> TImageWriter::FillBuffer() {
  return Buffers[FillingIndex]->Bytes;
}

// The transfer under way must have finished with the other buffer before it is filled next.
std::error_code TImageWriter::Submit(std::size_t size) {
  if (AwaitInFlight()) return Failure;
  if (size == 0) return {};
  const std::span<const std::uint8_t> bytes{Buffers[FillingIndex]->Bytes.data(), size};
  InFlightByte = NextByte;
  InFlight = std::async(std::launch::async,
                        [this, bytes, at = NextByte] { return Volume.Write(at, bytes); });
  NextByte += size;
  FillingIndex = 1 - FillingIndex;
  return {};
}

std::error_code TImageWriter::Finish() {
  if (AwaitInFlight()) return Failure;
  if (const std::error_code error = Volume.Sync()) {
    Failure = error;
    FailureByte = NextByte;
  }
  return Failure;
}

// A transfer that threw counts as one that failed: the caller may be the destructor.
std::error_code TImageWriter::AwaitInFlight() {
  if (Failure || !InFlight.valid()) return Failure;
  std::error_code error;
  try {
    error = InFlight.get();
  } catch (const std::system_error& thrown) {
    error = thrown.code();
  } catch (const std::exception&) {
    error = std::make_error_code(std::errc::io_error);
  }
  if (error) {
    Failure = error;
    FailureByte = InFlightByte;
  }
  return Failure;
}

}  // namespace vorlane
