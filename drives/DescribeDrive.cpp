#include <cstdio>

#include "drives/RemovableDrives.h"
#include "drives/ShowableText.h"

namespace vorlane {

std::string DescribeDrive(const TDriveDetails& drive) {
  char size[32];
  std::snprintf(size, sizeof size, "%.1f GB", static_cast<double>(drive.SizeBytes) / 1e9);
  std::string text = drive.SizeBytes == 0 ? "no card" : size;
  // Vendor and model are the device's own words: shown only as ShowableText makes them.
  std::string maker = ShowableText(drive.Vendor);
  if (!drive.Model.empty()) {
    if (!maker.empty()) maker.push_back(' ');
    maker.append(ShowableText(drive.Model));
  }
  if (!maker.empty()) text.append(" \u00b7 ").append(maker);
  return text;
}

}  // namespace vorlane
