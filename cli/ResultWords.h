// What a person reads about a job's result: the window's own words, so the window and the
// command line say the same thing about the same card.
#pragma once

#include "card/JobOutcome.h"

namespace vorlane::cli {

// "已成功写入SD卡!", "测试SD卡失败!", "写入SD卡失败!", "读SD卡失败!", "请重插移动磁盘", ...
const char* WindowWords(TJobResult result);

// What the window says of a chosen file that is no WAV file.
inline constexpr const char* NotWavWords = "此文件不是有效的WAV文件";

}  // namespace vorlane::cli
