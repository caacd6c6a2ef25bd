// The controls' places, texts and states, and what the behaviour changes in them.
#include <algorithm>
#include <stdexcept>
#include <utility>

#include "drives/WideText.h"
#include "window/SlotWiring.h"
#include "window/SupportLink.h"
#include "window/WindowTexts.h"
#include "window/win32/TForm1.h"

namespace vorlane {
namespace {

// A control inside a segment's panel, from its place in the group to the window's.
RECT InPanel(int panelTop, int left, int top, int width, int height) {
  return {left, panelTop + top, left + width, panelTop + top + height};
}

RECT At(int left, int top, int width, int height) {
  return {left, top, left + width, top + height};
}

// Segment 1's panel (GroupBox3) stands above segment 2's (GroupBox1).
int PanelTop(TSegment segment) {
  return segment == TSegment::One ? 6 : 94;
}

}  // namespace

// Each segment's panel, labels and buttons are placed alike; the slot wiring names them.
void TForm1::CreateControls() {
  const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
  Texts = {
      {"Label5", At(64, 200, 193, 13), Utf8ToWide(MakerNameText), Fonts.MakerLine, text, false},
      {"Label6", At(64, 219, 193, 13), Utf8ToWide(MakerNoticeText), Fonts.MakerLine, text, false},
      {"Label7", At(64, 238, 149, 13), Utf8ToWide(SupportLinkText()), Fonts.SupportLink, Purple,
       false},
      {"StaticText1", At(256, 200, 88, 17), Utf8ToWide(DriveListCaption), Fonts.Window, text,
       false},
  };
  for (const TSlotWiring& slot : SlotWiring) {
    const int top = PanelTop(slot.Segment);
    Texts.push_back({slot.Group, At(0, top, 347, 83), Utf8ToWide(SegmentCaption(slot.Segment)),
                     Fonts.Group, text, false});
    Texts.push_back({slot.PathLabel, InPanel(top, 8, 48, 329, 25), L"", Fonts.Window, text, true});
    Texts.push_back(
        {slot.StatusLabel, InPanel(top, 120, 16, 105, 25), L"", Fonts.Window, text, true});
    SpeedButtons[ButtonIndex(slot.OpenButton)] = {slot.OpenButton, InPanel(top, 8, 16, 97, 22),
                                                  Utf8ToWide(OpenButtonCaption), FolderGlyph};
    SpeedButtons[ButtonIndex(slot.WriteButton)] = {slot.WriteButton, InPanel(top, 240, 16, 97, 22),
                                                   Utf8ToWide(WriteButtonCaption), WriteGlyph};
  }
  // The list's height is the open list's: the field and up to 8 entries, then a scroll bar.
  ComboBox1 = CreateWindowExW(0, L"COMBOBOX", L"",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST |
                                  CBS_OWNERDRAWFIXED | CBS_HASSTRINGS,
                              256, 224, 81, 22 + 8 * DriveEntryHeight + 2, Window, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  SendMessageW(ComboBox1, WM_SETFONT, reinterpret_cast<WPARAM>(Fonts.Window), FALSE);
  SendMessageW(ComboBox1, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), DriveEntryHeight);
  SendMessageW(ComboBox1, CB_SETITEMHEIGHT, 0, DriveEntryHeight);
}

const TPaintedText& TForm1::Text(const char* name) const {
  const auto found = std::find_if(Texts.begin(), Texts.end(), [name](const TPaintedText& text) {
    return std::string_view(text.Name) == name;
  });
  if (found == Texts.end()) throw std::logic_error(std::string("no text ") + name);
  return *found;
}

TPaintedText& TForm1::TextFor(const char* name) {
  return const_cast<TPaintedText&>(std::as_const(*this).Text(name));
}

TPaintedText& TForm1::StatusLabel(TSegment segment) {
  return TextFor(WiringOf(segment).StatusLabel);
}

TPaintedText& TForm1::PathLabel(TSegment segment) {
  return TextFor(WiringOf(segment).PathLabel);
}

bool TForm1::ButtonEnabled(TButton button) const {
  return SpeedButtons.at(ButtonIndex(button)).Enabled;
}

void TForm1::SetPathText(TSegment segment, const std::string& text) {
  TPaintedText& label = PathLabel(segment);
  label.Text = Utf8ToWide(text);
  Redraw(label.Place);
}

void TForm1::SetStatusText(TSegment segment, const std::string& text) {
  TPaintedText& label = StatusLabel(segment);
  label.Text = Utf8ToWide(text);
  Redraw(label.Place);
}

void TForm1::SetStatusColor(TSegment segment, TColor color) {
  TPaintedText& label = StatusLabel(segment);
  label.Colour = RGB(color.R, color.G, color.B);
  Redraw(label.Place);
}

// A button that goes while pressed or under the mouse loses those states with it.
void TForm1::SetButtonEnabled(TButton button, bool enabled) {
  TFlatButton& changed = SpeedButtons.at(ButtonIndex(button));
  changed.Enabled = enabled;
  if (!enabled && Hot == &changed) Hot = nullptr;
  if (!enabled && Pressed == &changed) {
    Pressed = nullptr;
    ReleaseCapture();
  }
  Redraw(changed.Place);
}

// Redrawn only when the percentage changes.
void TForm1::SetProgress(int percent) {
  percent = std::clamp(percent, 0, 100);
  if (percent == Gauge1Progress) return;
  Gauge1Progress = percent;
  const RECT gauge{0, 176, 347, 196};
  Redraw(gauge);
}

void TForm1::ClearDriveList() {
  SendMessageW(ComboBox1, CB_RESETCONTENT, 0, 0);
}

// The details (size and reader) have no place in a Win32 combo box's entries.
void TForm1::AddDrive(const std::string& entry, const std::string& /*details*/) {
  SendMessageW(ComboBox1, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(entry).c_str()));
}

int TForm1::DriveCount() const {
  return static_cast<int>(SendMessageW(ComboBox1, CB_GETCOUNT, 0, 0));
}

std::string TForm1::DriveText(int index) const {
  const auto length = SendMessageW(ComboBox1, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(ComboBox1, CB_GETLBTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return WideToUtf8(text);
}

int TForm1::SelectedDrive() const {
  return static_cast<int>(SendMessageW(ComboBox1, CB_GETCURSEL, 0, 0));
}

void TForm1::SelectDrive(int index) {
  SendMessageW(ComboBox1, CB_SETCURSEL, static_cast<WPARAM>(index < DriveCount() ? index : -1), 0);
}

bool TForm1::DriveListOpen() const {
  return SendMessageW(ComboBox1, CB_GETDROPPEDSTATE, 0, 0) != FALSE;
}

}  // namespace vorlane
