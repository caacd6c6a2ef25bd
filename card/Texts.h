// What a person reads about a card, a chosen WAV file and a write job's end, in the window and on
// the command line alike. Each text is written here once, so the two programs never drift apart.
// UTF-8; the Chinese texts are the device maker's own and stay exactly as they are.
#pragma once

#include <string>
#include <system_error>

#include "card/JobOutcome.h"

namespace vorlane {

// A segment's status label: while its job runs, and where the job ended.
inline constexpr const char* WritingText = "正在写入SD卡....";
inline constexpr const char* WrittenText = "已成功写入SD卡!";
inline constexpr const char* TestFailedText = "测试SD卡失败!";
inline constexpr const char* WriteFailedText = "写入SD卡失败!";
inline constexpr const char* ReadFailedText = "读SD卡失败!";

// The message boxes.
inline constexpr const char* ReinsertDiskText = "请重插移动磁盘";
inline constexpr const char* NoRemovableDiskText = "没找到可移动磁盘";
inline constexpr const char* OpenWavFirstText = "请先打开WAV格式文件";
inline constexpr const char* WavTooLargeText = "WAV文件不能大于400M";
inline constexpr const char* NotWavText = "此文件不是有效的WAV文件";

// Before a chosen file's path in its segment's panel.
inline constexpr const char* PathPrefixText = "路径:";

// A job that was asked to stop; the window shows nothing for it.
inline constexpr const char* StoppedText = "stopped";

// What a job's result is called: the status label's text or the message box's.
const char* TextFor(TJobResult result);

// The error box's text for a chosen file that cannot be opened: "Cannot open file "PATH".
// REASON", where the reason is the system's text without trailing blanks, control characters
// and full stops (Windows ends its texts with ". \r\n"; the error box adds its own stop).
std::string CannotOpenFileText(const std::string& path, std::error_code error);

}  // namespace vorlane
