#include "card/ImageWriter.h"

#include <cstring>

namespace vorlane {

TImageWriter::TImageWriter(TVolume& volume, std::uint64_t firstByte)
    : Volume(volume),
      FilledStart(firstByte),
      Buffers{std::make_unique<TTransfer>(), std::make_unique<TTransfer>()} {}

// The transfer under way still reads one of the buffers: it must end before they go.
TImageWriter::~TImageWriter() {
  AwaitInFlight();
}

bool TImageWriter::Append(const TSector& sector) {
  if (Failed) return false;
  std::memcpy(Buffers[FillingIndex]->Bytes.data() + Filled, sector.data(), SectorSize);
  Filled += SectorSize;
  return Filled < TransferSize || SubmitFilled();
}

bool TImageWriter::Finish() {
  if (!Failed && Filled > 0) SubmitFilled();
  AwaitInFlight();
  return !Failed && Volume.Sync();
}

// Starts writing the filled buffer and switches to the other one, which the previous transfer
// must have finished with.
bool TImageWriter::SubmitFilled() {
  if (!AwaitInFlight()) return false;
  const std::uint8_t* bytes = Buffers[FillingIndex]->Bytes.data();
  const std::size_t size = Filled;
  const std::uint64_t at = FilledStart;
  InFlight = std::async(std::launch::async, [this, bytes, size, at] {
    return Volume.Write(at, {bytes, size});
  });
  FilledStart += Filled;
  Filled = 0;
  FillingIndex = 1 - FillingIndex;
  return true;
}

// A transfer that threw counts as one that failed: the caller may be the destructor.
bool TImageWriter::AwaitInFlight() {
  if (!InFlight.valid()) return !Failed;
  try {
    if (!InFlight.get()) Failed = true;
  } catch (const std::exception&) {
    Failed = true;
  }
  return !Failed;
}

}  // namespace vorlane
