#include "cli/ResultWords.h"

namespace vorlane::cli {

const char* WindowWords(TJobResult result) {
  switch (result) {
    case TJobResult::Succeeded:
      return "已成功写入SD卡!";
    case TJobResult::NoFile:
      return "请先打开WAV格式文件";
    case TJobResult::TooLarge:
      return "WAV文件不能大于400M";
    case TJobResult::VolumeOpenFailed:
      return "请重插移动磁盘";
    case TJobResult::TestWriteFailed:
      return "写入SD卡失败!";
    case TJobResult::TestReadFailed:
      return "读SD卡失败!";
    case TJobResult::TestCompareFailed:
      return "测试SD卡失败!";
    case TJobResult::ImageWriteFailed:
      return "写入SD卡失败!";
    case TJobResult::Stopped:
      return "stopped";
  }
  return "?";
}

}  // namespace vorlane::cli
