#include "window/win32/Look.h"

#include <initializer_list>

namespace vorlane {

HFONT MakeFont(const wchar_t* face, int pixelHeight, BYTE charset, bool bold) {
  return CreateFontW(-pixelHeight, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                     charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, face);
}

TFonts::TFonts()
    : Window(MakeFont(L"MS Sans Serif", 11, DEFAULT_CHARSET)),
      Group(MakeFont(L"MS Sans Serif", 13, DEFAULT_CHARSET)),
      GaugeText(MakeFont(L"MS Sans Serif", 11, DEFAULT_CHARSET, true)),
      MakerLine(MakeFont(L"新宋体", 12, GB2312_CHARSET)),
      SupportLink(MakeFont(L"新宋体", 12, ANSI_CHARSET)) {}

TFonts::~TFonts() {
  for (HFONT font : {Window, Group, GaugeText, MakerLine, SupportLink}) DeleteObject(font);
}

}  // namespace vorlane
