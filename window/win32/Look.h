// The window's colours, fonts and places, as the Qt window has them.
#pragma once

#include <windows.h>

namespace vorlane {

inline constexpr COLORREF SkyBlue = RGB(166, 202, 240);
inline constexpr COLORREF Blue = RGB(0, 0, 255);
inline constexpr COLORREF Purple = RGB(128, 0, 128);

inline constexpr int ClientWidth = 347;
inline constexpr int ClientHeight = 253;
inline constexpr int DriveEntryHeight = 16;

// A font asked for by name and pixel height; Windows, or wine, substitutes what it lacks.
// Sharp edges: the gauge inverts its text pixel by pixel.
HFONT MakeFont(const wchar_t* face, int pixelHeight, BYTE charset, bool bold = false);

// The window's fonts, made once for its lifetime.
struct TFonts {
  HFONT Window;       // "MS Sans Serif" 11, the default character set
  HFONT Group;        // "MS Sans Serif" 13
  HFONT GaugeText;    // "MS Sans Serif" 11, bold
  HFONT MakerLine;    // "新宋体" 12, simplified Chinese
  HFONT SupportLink;  // "新宋体" 12, Western
  TFonts();
  ~TFonts();
  TFonts(const TFonts&) = delete;
  TFonts& operator=(const TFonts&) = delete;
};

}  // namespace vorlane
