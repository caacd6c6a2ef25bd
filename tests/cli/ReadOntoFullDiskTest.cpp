// read onto a file system that is full: the copy's writes fail, or, for a WAV file small enough
// to sit in the stdio buffer, only its flush at close. Either way the command fails with the
// system's reason, the OUTPUT that was there stays as it was, and no partial copy is left.
// Needs root for the small tmpfs; skips otherwise.
#include <sys/mount.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "card/CardLayout.h"
#include "cli/Commands.h"
#include "cli/Usage.h"
#include "tests/card/WavFiles.h"

namespace vorlane::cli {
namespace {

namespace fs = std::filesystem;
using testing::MakeWavBytes;
using testing::TTempFolder;

// A 64 KiB tmpfs, unmounted again however the test ends.
class TSmallTmpfs {
 public:
  explicit TSmallTmpfs(const fs::path& at) : At(at) {
    fs::create_directory(At);
    Mounted = mount("tmpfs", At.c_str(), "tmpfs", 0, "size=64k,mode=0700") == 0;
    if (!Mounted) Error = std::strerror(errno);
  }
  ~TSmallTmpfs() {
    if (Mounted) umount2(At.c_str(), 0);
  }
  TSmallTmpfs(const TSmallTmpfs&) = delete;
  TSmallTmpfs& operator=(const TSmallTmpfs&) = delete;

  // Writes a file until the file system has no room left.
  void Fill() const {
    std::FILE* filler = std::fopen((At / "filler").c_str(), "wb");
    ASSERT_NE(filler, nullptr);
    const std::string block(4096, 'f');
    while (std::fwrite(block.data(), 1, block.size(), filler) == block.size()) {
    }
    std::fclose(filler);
  }

  fs::path At;
  bool Mounted = false;
  std::string Error;
};

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(ReadOntoFullDisk, FailsKeepsTheOldOutputAndLeavesNoPartialCopy) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to mount a tmpfs";
  const struct {
    const char* Name;
    std::uint32_t Length;
  } cases[] = {
      {"the flush at close fails", 1000},
      {"a write fails", 1 << 20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempFolder folder;
    const fs::path image = folder.Path() / "card.img";
    {
      std::ofstream out(image, std::ios::binary);
      out.seekp(std::uint64_t{Segment1StartSector} * SectorSize);
      const std::vector<std::uint8_t> wav = MakeWavBytes(c.Length, c.Length);
      out.write(reinterpret_cast<const char*>(wav.data()), static_cast<std::streamsize>(c.Length));
    }
    fs::resize_file(image, 8 << 20);  // the card goes on past the file's last sector
    const TSmallTmpfs disk(folder.Path() / "full");
    if (!disk.Mounted) GTEST_SKIP() << "no tmpfs: " << disk.Error;
    const fs::path output = disk.At / "copy.wav";
    std::ofstream(output) << "old";
    disk.Fill();

    ::testing::internal::CaptureStderr();
    const int exitCode =
        RunRead(SystemContext(), TSegment::One, image.string(), output.string(), true);
    const std::string said = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(exitCode, ExitCardFailed);
    EXPECT_NE(said.find(std::strerror(ENOSPC)), std::string::npos) << said;
    EXPECT_EQ(ReadFile(output), "old") << "the old output was replaced";
    std::vector<std::string> left;
    for (const fs::directory_entry& entry : fs::directory_iterator(disk.At))
      left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"copy.wav", "filler"}));
  }
}

}  // namespace
}  // namespace vorlane::cli
