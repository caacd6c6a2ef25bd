// Texts of the boxes every window shows, the same whatever toolkit draws them. UTF-8.
#pragma once

#include <string>

#include "card/CardLayout.h"

namespace vorlane {

// A segment panel's caption: 30 asterisks, the segment's name and 28 asterisks.
std::string SegmentCaption(TSegment segment);

// The program file's name without its folder, cut at its first full stop, its first character
// in upper case and the rest in lower case: "/usr/bin/vorlane" gives "Vorlane", as the program
// file "C:\Program Files\Vorlane\vorlane.exe" does on Windows.
std::string ApplicationTitle(const std::string& programPath);

// The error box's text: the error's own, with a full stop added unless it is empty or already
// ends in a full stop or a character below it.
std::string ErrorBoxText(const std::string& errorText);

}  // namespace vorlane
