// Painting the window: everything but the drive list is drawn here, into a buffer first so
// nothing flickers.
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "window/SlotWiring.h"
#include "window/win32/TForm1.h"

namespace vorlane {
namespace {

constexpr int GlyphSize = 24;
constexpr int GlyphGap = 4;

SIZE TextSize(HDC dc, const std::wstring& text) {
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

void FillColour(HDC dc, const RECT& place, COLORREF colour) {
  const HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &place, brush);
  DeleteObject(brush);
}

// One line, left-aligned, no wrap, cut off at the right edge without an ellipsis.
void PaintText(HDC dc, const TPaintedText& text) {
  SelectObject(dc, text.Font);
  SetTextColor(dc, text.Colour);
  SetBkMode(dc, TRANSPARENT);
  RECT place = text.Place;
  const UINT vertical = text.CentredVertically ? DT_VCENTER : DT_TOP;
  DrawTextW(dc, text.Text.c_str(), static_cast<int>(text.Text.size()), &place,
            DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | vertical);
}

// The picture with the colour of its bottom-left pixel left out, stretched to place.
void PaintKeyedPicture(HDC dc, HBITMAP picture, const RECT& place) {
  BITMAP size{};
  GetObjectW(picture, sizeof size, &size);
  const HDC source = CreateCompatibleDC(dc);
  const HGDIOBJ previous = SelectObject(source, picture);
  const COLORREF key = GetPixel(source, 0, size.bmHeight - 1);
  TransparentBlt(dc, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 source, 0, 0, size.bmWidth, size.bmHeight, key);
  SelectObject(source, previous);
  DeleteDC(source);
}

// A disabled button's glyph: its darker pixels embossed, highlight under shadow.
void PaintGreyedGlyph(HDC dc, HBITMAP glyph, int left, int top) {
  const HDC source = CreateCompatibleDC(dc);
  const HGDIOBJ previous = SelectObject(source, glyph);
  const COLORREF key = GetPixel(source, 0, GlyphSize - 1);
  for (const auto& [offset, colour] :
       {std::pair{1, GetSysColor(COLOR_BTNHIGHLIGHT)}, std::pair{0, GetSysColor(COLOR_BTNSHADOW)}})
    for (int y = 0; y < GlyphSize; ++y)
      for (int x = 0; x < GlyphSize; ++x) {
        const COLORREF pixel = GetPixel(source, x, y);
        if (pixel != key && GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel) < 3 * 192)
          SetPixel(dc, left + x + offset, top + y + offset, colour);
      }
  SelectObject(source, previous);
  DeleteDC(source);
}

}  // namespace

void TForm1::Paint(HDC target) const {
  const HDC dc = CreateCompatibleDC(target);
  const HBITMAP buffer = CreateCompatibleBitmap(target, ClientWidth, ClientHeight);
  const HGDIOBJ previous = SelectObject(dc, buffer);
  FillColour(dc, {0, 0, ClientWidth, ClientHeight}, SkyBlue);
  PaintGauge(dc);
  PaintKeyedPicture(dc, Logo, {4, 200, 61, 249});  // Image1
  PaintGroups(dc);
  for (const TPaintedText& text : Texts)
    if (std::string_view(text.Name).rfind("GroupBox", 0) != 0) PaintText(dc, text);
  for (const TFlatButton& button : SpeedButtons) PaintButton(dc, button);
  BitBlt(target, 0, 0, ClientWidth, ClientHeight, dc, 0, 0, SRCCOPY);
  SelectObject(dc, previous);
  DeleteObject(buffer);
  DeleteDC(dc);
}

// A one-pixel frame whose top edge is at half the caption's height less one, the caption over
// it at 8 pixels from the left on the group's sky blue.
void TForm1::PaintGroups(HDC dc) const {
  for (const TSlotWiring& slot : SlotWiring) {
    const TPaintedText& group = Text(slot.Group);
    SelectObject(dc, group.Font);
    const SIZE caption = TextSize(dc, group.Text);
    RECT frame = group.Place;
    frame.top += caption.cy / 2 - 1;
    FrameRect(dc, &frame, GetSysColorBrush(COLOR_WINDOWFRAME));
    SetTextColor(dc, group.Colour);
    SetBkColor(dc, SkyBlue);
    SetBkMode(dc, OPAQUE);
    TextOutW(dc, group.Place.left + 8, group.Place.top, group.Text.c_str(),
             static_cast<int>(group.Text.size()));
  }
}

// No face: the panel shows through. A raised edge under the mouse, a sunken one while pressed
// with glyph and caption one pixel right and down; disabled, a greyed glyph and an embossed
// caption. Glyph and caption, 4 pixels apart, are centred together.
void TForm1::PaintButton(HDC dc, const TFlatButton& button) const {
  RECT place = button.Place;
  const bool pressed = button.Enabled && Pressed == &button && Hot == &button;
  if (pressed)
    DrawEdge(dc, &place, BDR_SUNKENOUTER, BF_RECT);
  else if (button.Enabled && (Hot == &button || Pressed == &button))
    DrawEdge(dc, &place, BDR_RAISEDINNER, BF_RECT);
  SelectObject(dc, Fonts.Window);
  const std::wstring& caption = button.Caption;
  const SIZE text = TextSize(dc, caption);
  const int width = place.right - place.left, height = place.bottom - place.top;
  const int shift = pressed ? 1 : 0;
  const int glyphLeft = place.left + (width - (GlyphSize + GlyphGap + text.cx)) / 2 + shift;
  const int glyphTop = place.top + (height - GlyphSize) / 2 + shift;
  const int textLeft = glyphLeft + GlyphSize + GlyphGap;
  const int textTop = place.top + (height - text.cy) / 2 + shift;
  SetBkMode(dc, TRANSPARENT);
  if (button.Enabled) {
    PaintKeyedPicture(dc, button.Glyph,
                      {glyphLeft, glyphTop, glyphLeft + GlyphSize, glyphTop + GlyphSize});
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    TextOutW(dc, textLeft, textTop, caption.c_str(), static_cast<int>(caption.size()));
    return;
  }
  PaintGreyedGlyph(dc, button.Glyph, glyphLeft, glyphTop);
  SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
  TextOutW(dc, textLeft + 1, textTop + 1, caption.c_str(), static_cast<int>(caption.size()));
  SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
  TextOutW(dc, textLeft, textTop, caption.c_str(), static_cast<int>(caption.size()));
}

// A black frame; inside, sky blue with the first F - 1 columns blue, F = trunc(W x percent x
// 0.01) where W is the inside's width plus 1; the percentage centred, inverting what it covers.
void TForm1::PaintGauge(HDC dc) const {
  const RECT gauge{0, 176, 347, 196};
  FrameRect(dc, &gauge, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  const RECT inside{gauge.left + 1, gauge.top + 1, gauge.right - 1, gauge.bottom - 1};
  const int insideWidth = inside.right - inside.left, insideHeight = inside.bottom - inside.top;
  FillColour(dc, inside, SkyBlue);
  const int w = insideWidth + 1;
  const int f = std::min(w, static_cast<int>(std::trunc(w * Gauge1Progress * 0.01)));
  if (f > 1) FillColour(dc, {inside.left, inside.top, inside.left + f - 1, inside.bottom}, Blue);

  const std::wstring text = std::to_wstring(Gauge1Progress) + L"%";
  SelectObject(dc, Fonts.GaugeText);
  const SIZE size = TextSize(dc, text);
  // The text in white on black, laid over the gauge with XOR: white pixels invert.
  const HDC mask = CreateCompatibleDC(dc);
  const HBITMAP maskBits = CreateCompatibleBitmap(dc, size.cx, size.cy);
  const HGDIOBJ previousBits = SelectObject(mask, maskBits);
  const HGDIOBJ previousFont = SelectObject(mask, Fonts.GaugeText);
  FillColour(mask, {0, 0, size.cx, size.cy}, RGB(0, 0, 0));
  SetTextColor(mask, RGB(255, 255, 255));
  SetBkMode(mask, TRANSPARENT);
  TextOutW(mask, 0, 0, text.c_str(), static_cast<int>(text.size()));
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, inside.left, inside.top, inside.right, inside.bottom);
  BitBlt(dc, gauge.left + (insideWidth + 1 - size.cx) / 2,
         gauge.top + (insideHeight + 1 - size.cy) / 2, size.cx, size.cy, mask, 0, 0, SRCINVERT);
  RestoreDC(dc, saved);
  SelectObject(mask, previousFont);
  SelectObject(mask, previousBits);
  DeleteObject(maskBits);
  DeleteDC(mask);
}

// An entry: sky blue (highlight colours when selected), its text 2 pixels from the left at the
// top, a focus rectangle while the list has the keyboard.
void TForm1::DrawDriveEntry(const DRAWITEMSTRUCT& item) const {
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const HDC dc = item.hDC;
  FillColour(dc, item.rcItem, selected ? GetSysColor(COLOR_HIGHLIGHT) : SkyBlue);
  if (item.itemID == static_cast<UINT>(-1)) return;
  const auto length = SendMessageW(ComboBox1, CB_GETLBTEXTLEN, item.itemID, 0);
  std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
  SendMessageW(ComboBox1, CB_GETLBTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(std::max<LRESULT>(length, 0)));
  SelectObject(dc, Fonts.Window);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  TextOutW(dc, item.rcItem.left + 2, item.rcItem.top, text.c_str(), static_cast<int>(text.size()));
  if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &item.rcItem);
}

}  // namespace vorlane
