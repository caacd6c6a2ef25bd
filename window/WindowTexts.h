// The window's own texts, the same whatever toolkit draws them: its caption, the controls' texts
// and the boxes' captions. UTF-8.
#pragma once

#include <string>

#include "card/CardLayout.h"

namespace vorlane {

inline constexpr const char* FormCaption = "Vorlane语音播放系统V1.0";
inline constexpr const char* MakerNameText = "Vorlane语音系统 Versioon 1.0";  // Label5
inline constexpr const char* MakerNoticeText = "© 2026 Vorlane 语音设备";     // Label6
inline constexpr const char* OpenButtonCaption = "打开(Open)";
inline constexpr const char* WriteButtonCaption = "写入(Write)";
inline constexpr const char* DriveListCaption = "选择您的移动盘";  // StaticText1
// The open dialogs' one filter: its description, and the names it shows.
inline constexpr const char* WavFilterName = "WAV文件";
inline constexpr const char* WavFilterPattern = "*.wav";

// A segment panel's caption: 30 asterisks, the segment's name and 28 asterisks.
std::string SegmentCaption(TSegment segment);

// The program file's name without its folder, cut at its first full stop, its first character
// as it stands and the rest in lower case: "/usr/bin/vorlane" gives "vorlane", as the program
// file "C:\Program Files\Vorlane\vorlane.exe" does on Windows, and "VORLANE.EXE" "Vorlane".
std::string ApplicationTitle(const std::string& programPath);

// The error box's text: the error's own, with a full stop added unless it is empty or already
// ends in a full stop or a character below it.
std::string ErrorBoxText(const std::string& errorText);

}  // namespace vorlane
