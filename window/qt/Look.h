// The window's colours and fonts. The window was laid out for the classic Windows fonts; Linux
// has none of them, so they are asked for by name and fontconfig picks the nearest it has.
#pragma once

#include <QColor>
#include <QFont>

namespace vorlane {

inline const QColor SkyBlue{166, 202, 240};
inline const QColor Blue{0, 0, 255};
inline const QColor Purple{128, 0, 128};
// Qt's palette has no window-frame role; this is the classic colour scheme's.
inline const QColor WindowFrame{0, 0, 0};

// "MS Sans Serif" at the given character height in pixels: the window's font is 11 px high,
// the group captions' 13 px.
QFont SansSerifFont(int pixelHeight);
// The maker's line under the gauge: "新宋体", 12 px.
QFont MakerLineFont();
// The gauge's percentage: bold 11 px "MS Sans Serif" without antialiasing, so that every text
// pixel is either fully on or off and can invert what lies beneath it.
QFont GaugeFont();

// A label's text colour, as the status labels change it after a write.
void SetTextColor(QWidget& widget, const QColor& color);

}  // namespace vorlane
