// What list --json and info --json print. Scripts read these documents, so their field names
// and types are an interface: the man page lists them and a test holds them.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "card/CardInfo.h"
#include "cli/Targets.h"
#include "drives/RemovableDrives.h"

namespace vorlane::cli {

// A card's own identity (the CID register's fields), where the system shows it; else null.
nlohmann::ordered_json CardIdentityJson(const TCardIdentity& card);

// list --json: an array with one object per drive list entry.
nlohmann::ordered_json DriveListJson(const std::vector<TDriveDetails>& drives);

// One card of info --json. failure is why the card could not be read (then reading is not
// shown); empty when it could.
nlohmann::ordered_json CardReportJson(const TTarget& target, std::uint64_t sizeBytes,
                                      const TCardReading& reading, const std::string& failure);

// The document as printed. Bytes that are no UTF-8 (a path given on the command line) become
// U+FFFD instead of throwing.
std::string JsonText(const nlohmann::ordered_json& json);

}  // namespace vorlane::cli
