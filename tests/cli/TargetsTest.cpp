// Which card each DRIVE argument names, on a fake drive list: drives by entry or volume path,
// image files created or refused, and everything that could reach a system disk refused.
#include "cli/Targets.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "cli/Usage.h"
#include "drives/Platform.h"
#include "tests/card/WavFiles.h"

namespace vorlane::cli {
namespace {

namespace fs = std::filesystem;
using vorlane::testing::TTempFolder;

const std::vector<TDriveDetails> FakeDrives = {{"sdx", 1ull << 30, "Generic", "STORAGE"},
                                               {"sdy1", 2ull << 30, "Maker", "Reader"}};

// "{tmp}" in an argument stands for the test's folder, which holds card.img and a folder.
struct TResolveCase {
  const char* Name;
  std::vector<std::string> Arguments;
  TMissingImage Missing;
  std::vector<std::string> Names;  // the targets' names, in order; empty: refused
  std::vector<bool> IsDrive;
  std::vector<bool> Exists;
  const char* Refusal = "";  // the usage error contains this
  friend void PrintTo(const TResolveCase& c, std::ostream* out) { *out << c.Name; }
};

std::string InFolder(std::string text, const fs::path& folder) {
  if (const auto at = text.find("{tmp}"); at != std::string::npos)
    text.replace(at, 5, folder.string());
  return text;
}

class Resolve : public ::testing::TestWithParam<TResolveCase> {};

TEST_P(Resolve, KeepsEveryNonRemovableDeviceOutOfReach) {
  const TResolveCase& c = GetParam();
  TTempFolder folder;
  folder.Write("card.img", {0});
  fs::create_directory(folder.Path() / "folder");
  std::vector<std::string> arguments;
  for (const std::string& argument : c.Arguments)
    arguments.push_back(InFolder(argument, folder.Path()));

  if (c.Names.empty()) {
    try {
      ResolveTargets(arguments, FakeDrives, c.Missing);
      ADD_FAILURE() << "not refused";
    } catch (const TUsageError& error) {
      EXPECT_NE(std::string(error.what()).find(c.Refusal), std::string::npos) << error.what();
    }
    return;
  }
  const std::vector<TTarget> targets = ResolveTargets(arguments, FakeDrives, c.Missing);
  ASSERT_EQ(targets.size(), c.Names.size());
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const std::string name = InFolder(c.Names[i], folder.Path());
    EXPECT_EQ(targets[i].Name, name);
    EXPECT_EQ(targets[i].IsDrive, c.IsDrive[i]);
    EXPECT_EQ(targets[i].Exists, c.Exists[i]);
    EXPECT_EQ(targets[i].VolumePath, c.IsDrive[i] ? VolumePathFor(name) : name);
    EXPECT_EQ(targets[i].Details.SizeBytes, c.IsDrive[i] ? (name == "sdx" ? 1ull : 2ull) << 30 : 0);
  }
}

const auto Create = TMissingImage::Create;
const auto Refuse = TMissingImage::Refuse;

INSTANTIATE_TEST_SUITE_P(
    Arguments, Resolve,
    ::testing::Values(
        TResolveCase{
            "DriveEntries", {"sdx", "sdy1"}, Refuse, {"sdx", "sdy1"}, {true, true}, {true, true}},
        TResolveCase{
            "VolumePathOfADrive", {VolumePathFor("sdy1")}, Refuse, {"sdy1"}, {true}, {true}},
        TResolveCase{
            "ExistingImage", {"{tmp}/card.img"}, Refuse, {"{tmp}/card.img"}, {false}, {true}},
        TResolveCase{
            "MissingImageCreated", {"{tmp}/new.img"}, Create, {"{tmp}/new.img"}, {false}, {false}},
        TResolveCase{"MissingImageRefused",
                     {"{tmp}/new.img"},
                     Refuse,
                     {},
                     {},
                     {},
                     "no such removable drive or card image"},
        TResolveCase{"MissingDeviceNeverCreated",
                     {VolumePathFor("sdz9")},
                     Create,
                     {},
                     {},
                     {},
                     "no such removable drive or card image"},
        TResolveCase{"DriveNamedTwice",
                     {"sdx", VolumePathFor("sdx")},
                     Refuse,
                     {},
                     {},
                     {},
                     "the same card is named twice"},
        TResolveCase{"ImageNamedTwice",
                     {"{tmp}/card.img", "{tmp}/folder/../card.img"},
                     Refuse,
                     {},
                     {},
                     {},
                     "the same card is named twice"},
        TResolveCase{"Folder",
                     {"{tmp}/folder"},
                     Create,
                     {},
                     {},
                     {},
                     "neither a removable drive nor a card image file"}),
    [](const auto& test) { return std::string(test.param.Name); });

// A block device of this machine's that the drive list does not hold: its system disk, a loop.
std::optional<std::string> SomeBlockDevice() {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(VolumePathFor(""), error))
    if (fs::is_block_file(entry.status(error))) return entry.path().string();
  return std::nullopt;
}

TEST(Resolve, RefusesABlockDeviceNotInTheDriveList) {
  const std::optional<std::string> device = SomeBlockDevice();
  if (!device) GTEST_SKIP() << "no block device to name";
  const std::string entry = fs::path(*device).filename().string();
  for (const std::string& argument : {*device, entry})
    for (const TMissingImage missing : {Create, Refuse}) {
      try {
        ResolveTargets({argument}, FakeDrives, missing);
        ADD_FAILURE() << argument << " not refused";
      } catch (const TUsageError& error) {
        EXPECT_NE(std::string(error.what()).find("not a removable drive; refused"),
                  std::string::npos)
            << error.what();
      }
    }
}

}  // namespace
}  // namespace vorlane::cli
