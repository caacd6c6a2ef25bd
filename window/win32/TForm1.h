// The Win32 window: the same controls, look and behaviour as the Qt window, drawn by the
// window itself except for the drive list (an owner-drawn combo box). Wide-character calls
// throughout; the behaviour's UTF-8 texts are converted at the calls.
#pragma once

#include <windows.h>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "window/TFormBehaviour.h"
#include "window/TFormView.h"
#include "window/win32/Look.h"

namespace vorlane {

// What the window is given rather than makes itself, so tests can script it. Anything left
// empty is replaced by the real thing.
struct TWin32Services {
  TBehaviourServices Behaviour;
  TWatchDrives WatchDriveChanges;
  // Runs a segment's open dialog offering lastName; the confirmed path, or nothing for Cancel.
  std::function<std::optional<std::wstring>(HWND owner, const std::wstring& lastName)> OpenDialog;
  // A modal box: MB_ICONERROR for the error box, 0 for a message.
  std::function<void(const std::wstring& text, UINT icon)> MessageBox;
  std::function<void(HWND owner, const std::wstring& url)> OpenUrl;
};

// A label, the static text and the group captions: painted text in a fixed place.
struct TPaintedText {
  const char* Name;
  RECT Place;  // in the window's client area
  std::wstring Text;
  HFONT Font;
  COLORREF Colour;
  bool CentredVertically;
};

struct TFlatButton {
  TButton Id;
  RECT Place;
  std::wstring Caption;
  HBITMAP Glyph;
  bool Enabled = true;
};

// The serial port's settings, made and dropped with the window; the port is never opened.
struct TComPortSettings {
  const wchar_t* Port = L"COM1";
  DWORD BaudRate = CBR_115200;
  BYTE DataBits = 8;
  BYTE Parity = NOPARITY;
  BYTE StopBits = ONESTOPBIT;
  bool HardwareHandshake = false;
  bool XonXoff = false;
  bool Dtr = false;
  bool Rts = false;
  DWORD LineEvents =
      EV_BREAK | EV_CTS | EV_DSR | EV_ERR | EV_RING | EV_RLSD | EV_RXCHAR | EV_RXFLAG | EV_TXEMPTY;
};

class TForm1 final : public TFormView {
 public:
  // Creates the window hidden and runs FormCreate; Show() shows it.
  explicit TForm1(TWin32Services services = {});
  // Stops a running write job at its next sector and waits for it, then destroys the window.
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  void Show(int how = SW_SHOWNORMAL);
  HWND Handle() const { return Window; }
  HWND DriveList() const { return ComboBox1; }
  const TFormBehaviour& Behaviour() const { return *FormBehaviour; }
  const TPaintedText& Text(const char* name) const;
  bool ButtonEnabled(TButton button) const;
  int Progress() const { return Gauge1Progress; }
  // Draws the client area into dc, as WM_PAINT puts it on the screen.
  void Paint(HDC dc) const;

  void ClearDriveList() override;
  void AddDrive(const std::string& entry, const std::string& details) override;
  int DriveCount() const override;
  std::string DriveText(int index) const override;
  int SelectedDrive() const override;
  void SelectDrive(int index) override;
  bool DriveListOpen() const override;
  std::optional<std::string> RunOpenDialog(TSegment segment) override;
  void SetPathText(TSegment segment, const std::string& text) override;
  void SetStatusText(TSegment segment, const std::string& text) override;
  void SetStatusColor(TSegment segment, TColor color) override;
  void SetButtonEnabled(TButton button, bool enabled) override;
  void SetProgress(int percent) override;
  void ShowMessage(const std::string& text) override;
  void ShowError(const std::string& text) override;
  void OpenUrl(const std::string& url) override;
  void PostToWindowThread(std::function<void()> change) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  bool HandleMouse(UINT message, LPARAM lParam);
  void HandleDriveListCommand(WORD code);
  void DrawDriveEntry(const DRAWITEMSTRUCT& item) const;
  void ApplyPostedChanges();
  void Shutdown();
  void CreateControls();
  TPaintedText& TextFor(const char* name);
  TPaintedText& StatusLabel(TSegment segment);
  TPaintedText& PathLabel(TSegment segment);
  TFlatButton* ButtonAt(POINT point);
  void Redraw(const RECT& place) const;

  void PaintGauge(HDC dc) const;
  void PaintButton(HDC dc, const TFlatButton& button) const;
  void PaintGroups(HDC dc) const;

  TWin32Services Services;
  TFonts Fonts;
  HBITMAP FolderGlyph = nullptr;
  HBITMAP WriteGlyph = nullptr;
  HBITMAP Logo = nullptr;
  HBRUSH SkyBlueBrush = CreateSolidBrush(SkyBlue);  // the drive list's ground
  HWND Window = nullptr;
  HWND ComboBox1 = nullptr;
  std::vector<TPaintedText> Texts;            // Label1..7, StaticText1, the group captions
  std::array<TFlatButton, 4> SpeedButtons{};  // SpeedButton1..4
  int Gauge1Progress = 0;
  TFlatButton* Hot = nullptr;      // under the mouse
  TFlatButton* Pressed = nullptr;  // held down
  bool SupportLinkPressed = false;
  std::array<std::wstring, 2> LastFileNames;  // OpenDialog1, OpenDialog2
  TComPortSettings ComPort1;

  std::mutex PostedLock;
  std::deque<std::function<void()>> Posted;
  std::unique_ptr<TFormBehaviour> FormBehaviour;
  std::unique_ptr<TDriveWatcher> DriveWatcher;
};

}  // namespace vorlane
