// A Win32 TForm1 with everything outside it scripted: the drive list and its events, the open
// dialogs, the message boxes, the card and the browser. Messages are pumped on the test's
// thread, which is the window's.
#pragma once

#include <windows.h>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tests/card/FakeVolume.h"
#include "window/win32/TForm1.h"

namespace vorlane::testing {

struct TWin32Harness {
  std::vector<std::string> Drives{"E:"};
  std::deque<std::optional<std::wstring>> DialogAnswers;
  std::vector<std::wstring> OfferedNames;  // what each dialog run offered as the last name
  std::vector<std::wstring> Boxes;         // "error: " before the error box's text
  std::vector<std::wstring> OpenedUrls;
  TFakeCard Card;
  TRecorder Platform{Card};
  std::mutex WatcherLock;
  std::function<void()> DrivesChanged;  // the watcher's callback while the window watches

  TWin32Services Services();
};

// Handles the thread's messages until done() holds or timeout passes; false on timeout.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));
void Pump(std::chrono::milliseconds duration);

// A left click at a point of the window's client area, as the mouse gives it.
void ClickAt(HWND window, int x, int y);

// The client area as the window paints it, pixel by pixel.
class TPainted {
 public:
  explicit TPainted(const TForm1& form);
  COLORREF At(int x, int y) const;
  int Count(const RECT& area, COLORREF colour) const;
  // Bottom-up 24-bit BMP of the client area, for a screenshot.
  void SaveBmp(const std::string& path) const;

 private:
  int Width = 0, Height = 0;
  std::vector<std::uint32_t> Pixels;  // 0x00RRGGBB, top row first
};

}  // namespace vorlane::testing
