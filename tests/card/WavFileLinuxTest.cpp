#include <sys/stat.h>

#include <gtest/gtest.h>

#include "card/WavFile.h"
#include "tests/card/WavFiles.h"

namespace vorlane {
namespace {

using testing::TTempFolder;

// A name ending in ".wav" can be a named pipe: opening it must not wait for a writer (that
// froze the window for good), and it is no WAV file.
TEST(CheckWavHeader, NamedPipeIsRefusedWithoutBlocking) {
  TTempFolder folder;
  const std::string path = (folder.Path() / "pipe.wav").string();
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  EXPECT_EQ(CheckWavHeader(path), (TWavCheck{TWavCheck::TProblem::NotWav, 0, {}}));
  std::vector<std::uint8_t> sectors(512);
  EXPECT_TRUE(ReadWavSectors(path, 0, sectors)) << "the job must not read a pipe either";
}

}  // namespace
}  // namespace vorlane
