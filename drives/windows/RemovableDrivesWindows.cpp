#include "drives/windows/RemovableDrivesWindows.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "drives/Platform.h"
#include "drives/RemovableDrives.h"
#include "drives/windows/HandleWindows.h"

namespace vorlane {
namespace {

std::uint32_t DescriptorField(std::span<const std::uint8_t> descriptor, std::size_t offset) {
  std::uint32_t value = 0;
  if (offset + sizeof value <= descriptor.size())
    std::memcpy(&value, descriptor.data() + offset, sizeof value);
  return value;
}

std::string DescriptorString(std::span<const std::uint8_t> descriptor, std::uint32_t offset) {
  if (offset == 0 || offset >= descriptor.size()) return {};
  const auto begin = descriptor.begin() + offset;
  std::string text(begin, std::find(begin, descriptor.end(), std::uint8_t{0}));
  text.erase(text.find_last_not_of(' ') + 1);
  text.erase(0, text.find_first_not_of(' '));
  return text;
}

// The card reader's descriptor; FILE_ANY_ACCESS, so a handle without access rights will do.
TDeviceNames QueryDeviceNames(HANDLE volume) {
  STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = StorageDeviceProperty;
  query.QueryType = PropertyStandardQuery;
  std::uint8_t descriptor[1024];
  DWORD filled = 0;
  if (!DeviceIoControl(volume, IOCTL_STORAGE_QUERY_PROPERTY, &query, sizeof query, descriptor,
                       sizeof descriptor, &filled, nullptr))
    return {};
  return DeviceNamesFrom(std::span(descriptor, filled));
}

// The volume's own length needs read access (an administrator's); the size of the file system
// on it comes close, and neither exists with no card in the reader.
std::uint64_t QuerySize(HANDLE volume, const std::string& entry) {
  GET_LENGTH_INFORMATION length{};
  DWORD filled = 0;
  if (volume && DeviceIoControl(volume, IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length,
                                sizeof length, &filled, nullptr))
    return static_cast<std::uint64_t>(length.Length.QuadPart);
  ULARGE_INTEGER total{};
  if (GetDiskFreeSpaceExA((entry + "\\").c_str(), nullptr, &total, nullptr)) return total.QuadPart;
  return 0;
}

TDriveDetails QueryDetails(const std::string& entry) {
  TKernel32& calls = SystemKernel32();
  const std::string path = VolumePathFor(entry);
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  TOwnedHandle volume = OpenExisting(calls, path, GENERIC_READ, share, 0);
  if (!volume) volume = OpenExisting(calls, path, 0, share, 0);
  TDriveDetails details;
  details.Entry = entry;
  details.Slot = entry;  // a reader keeps its drive letter across card swaps
  details.SizeBytes = QuerySize(volume.get(), entry);
  if (volume) {
    TDeviceNames names = QueryDeviceNames(volume.get());
    details.Vendor = std::move(names.Vendor);
    details.Model = std::move(names.Model);
  }
  return details;
}

// An empty reader must not make Windows ask for a disk in a box of its own.
class TNoCriticalErrorBoxes {
 public:
  TNoCriticalErrorBoxes() { SetThreadErrorMode(SEM_FAILCRITICALERRORS, &Previous); }
  ~TNoCriticalErrorBoxes() { SetThreadErrorMode(Previous, nullptr); }

 private:
  DWORD Previous = 0;
};

}  // namespace

// A: and B: are the floppy letters and C: the system drive: none of them holds a card, so they
// are never asked. Card readers report DRIVE_REMOVABLE whether or not a card is in them.
std::vector<std::string> ListRemovableDrives(const TDriveTypeQuery& driveTypeOf) {
  std::vector<std::string> entries;
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    if (driveTypeOf(std::string{letter, ':', '\\'}) == DRIVE_REMOVABLE)
      entries.push_back(std::string{letter, ':'});
  }
  return entries;
}

TDeviceNames DeviceNamesFrom(std::span<const std::uint8_t> descriptor) {
  return {
      DescriptorString(descriptor, DescriptorField(descriptor, offsetof(STORAGE_DEVICE_DESCRIPTOR,
                                                                        VendorIdOffset))),
      DescriptorString(descriptor, DescriptorField(descriptor, offsetof(STORAGE_DEVICE_DESCRIPTOR,
                                                                        ProductIdOffset)))};
}

std::vector<std::string> GetRemovableDrives() {
  return ListRemovableDrives(
      [](const std::string& rootPath) { return GetDriveTypeA(rootPath.c_str()); });
}

// Windows asks a reader for its medium whenever a volume on it is looked at, and tells of a
// change by itself.
bool LookForNewMedia() {
  return false;
}

std::vector<TDriveDetails> GetRemovableDriveDetails() {
  const TNoCriticalErrorBoxes quiet;
  std::vector<TDriveDetails> drives;
  for (const std::string& entry : GetRemovableDrives()) drives.push_back(QueryDetails(entry));
  return drives;
}

}  // namespace vorlane
