#include "drives/windows/RemovableDrivesWindows.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "drives/RemovableDrives.h"

namespace vorlane {
namespace {

// What GetDriveTypeA would answer on a machine with the given drives; other letters have none.
std::vector<std::string> ListOn(const std::map<char, unsigned>& driveTypes,
                                std::vector<std::string>& askedRoots) {
  return ListRemovableDrives([&](const std::string& rootPath) {
    askedRoots.push_back(rootPath);
    const auto found = driveTypes.find(rootPath[0]);
    return found == driveTypes.end() ? unsigned{DRIVE_NO_ROOT_DIR} : found->second;
  });
}

TEST(ListRemovableDrives, ListsTheRemovableLettersFromDToZInOrder) {
  std::vector<std::string> asked;
  const auto entries = ListOn({{'A', DRIVE_REMOVABLE},
                               {'B', DRIVE_REMOVABLE},
                               {'C', DRIVE_FIXED},
                               {'D', DRIVE_CDROM},
                               {'E', DRIVE_REMOVABLE},
                               {'F', DRIVE_FIXED},
                               {'G', DRIVE_REMOVABLE},
                               {'H', DRIVE_REMOTE},
                               {'I', DRIVE_RAMDISK},
                               {'J', DRIVE_UNKNOWN},
                               {'Z', DRIVE_REMOVABLE}},
                              asked);
  EXPECT_EQ(entries, (std::vector<std::string>{"E:", "G:", "Z:"}));
  ASSERT_EQ(asked.size(), 23u) << "every letter from D to Z, and only those";
  EXPECT_EQ(asked.front(), "D:\\");
  EXPECT_EQ(asked.back(), "Z:\\");
}

// A STORAGE_DEVICE_DESCRIPTOR as a USB card reader fills it: the vendor's offset at byte 12, the
// product's at 16, the revision's at 20, the strings blank-padded after the fixed part.
std::vector<std::uint8_t> ReaderDescriptor(std::uint32_t vendorAt, std::uint32_t productAt) {
  std::vector<std::uint8_t> bytes(80, 0);
  const auto put32 = [&](std::size_t at, std::uint32_t value) {
    std::memcpy(bytes.data() + at, &value, sizeof value);
  };
  put32(0, 40);  // Version
  put32(4, 80);  // Size
  put32(12, vendorAt);
  put32(16, productAt);
  put32(20, 66);  // ProductRevisionOffset
  std::memcpy(bytes.data() + 40, "Generic ", 9);
  std::memcpy(bytes.data() + 49, "STORAGE DEVICE  ", 17);
  std::memcpy(bytes.data() + 66, "1.00", 5);
  return bytes;
}

TEST(DeviceNamesFrom, ReadsVendorAndProductWithoutTheirPadding) {
  const TDeviceNames names = DeviceNamesFrom(ReaderDescriptor(40, 49));
  EXPECT_EQ(names.Vendor, "Generic");
  EXPECT_EQ(names.Model, "STORAGE DEVICE");
}

TEST(DeviceNamesFrom, AbsentOrDamagedNamesAreEmpty) {
  const TDeviceNames none = DeviceNamesFrom(ReaderDescriptor(0, 0));
  EXPECT_EQ(none.Vendor, "") << "offset 0: the device has no vendor";
  EXPECT_EQ(none.Model, "");
  const TDeviceNames outside = DeviceNamesFrom(ReaderDescriptor(40, 500));
  EXPECT_EQ(outside.Vendor, "Generic");
  EXPECT_EQ(outside.Model, "") << "an offset past the bytes filled";
  const auto descriptor = ReaderDescriptor(40, 49);
  EXPECT_EQ(DeviceNamesFrom(std::span(descriptor).first(16)).Model, "")
      << "too short to hold the product's offset";
  EXPECT_EQ(DeviceNamesFrom(std::span(descriptor).first(55)).Model, "STORAG")
      << "a name cut off by the end of the bytes";
}

TEST(GetRemovableDriveDetails, DescribesTheSameDrivesInTheSameOrder) {
  std::vector<std::string> entries;
  for (const TDriveDetails& drive : GetRemovableDriveDetails()) entries.push_back(drive.Entry);
  EXPECT_EQ(entries, GetRemovableDrives());
}

}  // namespace
}  // namespace vorlane
