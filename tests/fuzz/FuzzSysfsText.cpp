// Sysfs attribute text for a set of disks, as a reader's firmware or a card fills it in: the
// removable flag, `dev`, sizes, bus and type, and the vendor and model strings the drive list
// shows. The decisions run on what the attributes say, and whatever a device named itself
// comes out showable: valid UTF-8, no control character, no longer than the limit.
#include <fuzzer/FuzzedDataProvider.h>

#include <nlohmann/json.hpp>

#include "drives/RemovableDrives.h"
#include "drives/ShowableText.h"
#include "drives/linux/CardAccessPlan.h"
#include "drives/linux/RemovableDrivesLinux.h"
#include "tests/fuzz/FuzzCheck.h"

namespace vorlane::fuzz {
namespace {

// An attribute file's first line, as reading it line by line gives it.
std::string AttributeLine(FuzzedDataProvider& input) {
  const std::string text = input.ConsumeRandomLengthString(80);
  return text.substr(0, text.find('\n'));
}

TDiskAttributes ReadDisk(FuzzedDataProvider& input) {
  TDiskAttributes disk;
  disk.Name = input.ConsumeRandomLengthString(16);
  disk.Removable = LeadingNumber(AttributeLine(input)) == 1;
  const std::string dev = AttributeLine(input);
  disk.Major = static_cast<unsigned>(LeadingNumber(dev));
  if (const auto number = ParseDeviceNumber(dev))
    Check(number->Major == disk.Major, "the device number's major leads its text");
  disk.SizeSectors = LeadingNumber(AttributeLine(input));
  disk.Bus = input.PickValueInArray({"scsi", "mmc", "nvme", "virtio", ""});
  disk.DeviceType = AttributeLine(input);
  disk.Vendor = TrimBlanks(AttributeLine(input));
  disk.Model = TrimBlanks(AttributeLine(input));
  for (int count = input.ConsumeIntegralInRange(0, 4); count > 0; --count)
    disk.Partitions.push_back({input.ConsumeRandomLengthString(16),
                               static_cast<unsigned>(LeadingNumber(AttributeLine(input))),
                               LeadingNumber(AttributeLine(input))});
  return disk;
}

// Counted as characters on screen: every byte that does not continue a UTF-8 sequence.
std::size_t CharactersIn(std::string_view text) {
  std::size_t characters = 0;
  for (const char c : text) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return characters;
}

void CheckShowable(const std::string& deviceText) {
  const std::string shown = ShowableText(deviceText);
  Check(IsShowableUtf8(shown), "shown text is valid UTF-8 without control characters");
  Check(CharactersIn(shown) <= ShowableTextLimit, "shown text keeps to the limit");
  // What list --json prints: its strict dump throws on anything but valid UTF-8.
  const std::string json = nlohmann::json(shown).dump();
  Check(!json.empty(), "shown text goes into JSON");
}

}  // namespace
}  // namespace vorlane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vorlane;
  FuzzedDataProvider input(data, size);
  std::vector<TDiskAttributes> disks;
  for (int count = input.ConsumeIntegralInRange(0, 6); count > 0; --count)
    disks.push_back(fuzz::ReadDisk(input));
  for (const TDriveDetails& drive : ChooseDriveDetails(disks)) {
    fuzz::CheckShowable(drive.Vendor);
    fuzz::CheckShowable(drive.Model);
    fuzz::Check(fuzz::IsShowableUtf8(DescribeDrive(drive)), "a drive's description is showable");
  }
  fuzz::CheckShowable(input.ConsumeRemainingBytesAsString());
  return 0;
}
