#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorlane {

// The drive list's entries: the removable drives that can hold a card, in the order the list
// shows them. An entry's raw volume is VolumePathFor(entry). Empty when there is none.
std::vector<std::string> GetRemovableDrives();

// What tells one card from another: the volume's size and the reader's maker and model.
struct TDriveDetails {
  std::string Entry;            // as GetRemovableDrives gives it: "sdb1", "E:"
  std::uint64_t SizeBytes = 0;  // 0 when no card is in the reader
  std::string Vendor;           // "Generic"; may be empty
  std::string Model;            // "STORAGE DEVICE"; may be empty
};

// The same drives as GetRemovableDrives, in the same order, with their details.
std::vector<TDriveDetails> GetRemovableDriveDetails();

// "7.4 GB · Generic STORAGE DEVICE": size in decimal gigabytes (as card makers count), then
// vendor and model where known.
std::string DescribeDrive(const TDriveDetails& drive);

}  // namespace vorlane
