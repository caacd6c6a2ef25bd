#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorlane {

// The drive list's entries: the removable drives that can hold a card, in the order the list
// shows them. An entry's raw volume is VolumePathFor(entry). Empty when there is none.
std::vector<std::string> GetRemovableDrives();

// A card's own identity, where the kernel shows it (cards in a built-in slot): the fields of its
// CID register as the mmc driver gives them. Empty elsewhere. The card's words, untrusted.
struct TCardIdentity {
  std::string Cid{};             // the whole register, 32 hex digits
  std::string Serial{};          // "0x1234abcd"
  std::string ManufacturerId{};  // "0x000003"
  std::string OemId{};           // "0x5344"
  std::string Name{};            // "SU08G"
  std::string Date{};            // "07/2019"
};

// What tells one card from another: the volume's size and the reader's maker and model; and
// where it sits, which stays the same across card swaps and restarts.
struct TDriveDetails {
  std::string Entry;            // as GetRemovableDrives gives it: "sdb1", "E:"
  std::uint64_t SizeBytes = 0;  // 0 when no card is in the reader
  std::string Vendor{};         // "Generic"; may be empty
  std::string Model{};          // "STORAGE DEVICE"; may be empty
  // The reader's physical place: its USB port path ("1-1.3", with ":1" for a reader's second
  // slot), a built-in slot ("mmc0"), the drive letter on Windows; else the disk's name.
  std::string Slot{};
  std::string Serial{};  // the USB reader's serial number; may be empty
  // New for each card put into the reader (the kernel's disk sequence number), so a card swapped
  // for one just like it is still another card; 0 where the system does not tell.
  std::uint64_t MediaSequence = 0;
  TCardIdentity Card{};
};

// The same drives as GetRemovableDrives, in the same order, with their details.
std::vector<TDriveDetails> GetRemovableDriveDetails();

// Asks the card readers that stay plugged in whether a card went in or out. Many report it only
// when asked, and until then the system shows the card that was in before: its size, partitions
// and medium number. Returns whether a reader's card changed. A reader may take seconds to
// answer, so it is asked off the window's thread; the drive watcher asks every second.
bool LookForNewMedia();

// "7.4 GB · Generic STORAGE DEVICE": size in decimal gigabytes (as card makers count), then
// vendor and model where known.
std::string DescribeDrive(const TDriveDetails& drive);

}  // namespace vorlane
