#include "cli/ResultWords.h"

#include <gtest/gtest.h>

#include <string>

namespace vorlane::cli {
namespace {

// The command line says what the window says about the same card.
TEST(WindowWords, AreTheWindowsOwnTextForEachResult) {
  const struct {
    TJobResult Result;
    const char* Words;
  } cases[] = {
      {TJobResult::Succeeded, "已成功写入SD卡!"},
      {TJobResult::NoFile, "请先打开WAV格式文件"},
      {TJobResult::TooLarge, "WAV文件不能大于400M"},
      {TJobResult::VolumeOpenFailed, "请重插移动磁盘"},
      {TJobResult::TestWriteFailed, "写入SD卡失败!"},
      {TJobResult::TestReadFailed, "读SD卡失败!"},
      {TJobResult::TestCompareFailed, "测试SD卡失败!"},
      {TJobResult::ImageWriteFailed, "写入SD卡失败!"},
      {TJobResult::Stopped, "stopped"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Result));
    EXPECT_EQ(std::string(WindowWords(c.Result)), c.Words);
  }
}

}  // namespace
}  // namespace vorlane::cli
