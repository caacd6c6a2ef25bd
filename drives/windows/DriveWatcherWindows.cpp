// Drive list changes from WM_DEVICECHANGE, received by a hidden window on a thread of its own.
//
// A hidden top-level window, not a message-only one: Windows broadcasts volume arrival and
// removal (and a card put into or taken out of a reader that stays plugged in, DBTF_MEDIA) to
// top-level windows only, and message-only windows receive no broadcasts. It is never shown and
// has no taskbar button.
#include "drives/windows/DriveWatcherWindows.h"

#include <dbt.h>

#include <future>
#include <thread>

#include "drives/DriveWatcher.h"

namespace vorlane {
namespace {

constexpr char WindowClass[] = "VorlaneDriveWatcher";

class TWindowsDriveWatcher final : public TDriveWatcher {
 public:
  explicit TWindowsDriveWatcher(std::function<void()> changed) : Changed(std::move(changed)) {}

  // False when the window could not be made; nothing runs then.
  bool Start() {
    std::promise<HWND> created;
    std::future<HWND> window = created.get_future();
    Thread = std::thread([this, &created] { Run(created); });
    Window = window.get();
    if (!Window) Thread.join();
    return Window != nullptr;
  }

  // The window closes on its own thread, which then leaves its message loop.
  ~TWindowsDriveWatcher() override {
    if (!Thread.joinable()) return;
    PostMessageA(Window, WM_CLOSE, 0, 0);
    Thread.join();
  }

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      SetWindowLongPtrA(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    if (message == WM_DEVICECHANGE) {
      auto* self =
          reinterpret_cast<TWindowsDriveWatcher*>(GetWindowLongPtrA(window, GWLP_USERDATA));
      if (self && IsDriveListChange(message, wParam, lParam)) self->Changed();
      return TRUE;  // never stands in the way of a removal the system asks about
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
  }

 private:
  void Run(std::promise<HWND>& created) {
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, WindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), this);
    created.set_value(window);  // created is gone after this
    if (!window) return;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  }

  std::function<void()> Changed;
  std::thread Thread;
  HWND Window = nullptr;
};

bool RegisterWindowClass() {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = TWindowsDriveWatcher::Procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = WindowClass;
  return RegisterClassExA(&windowClass) != 0;
}

}  // namespace

bool IsDriveListChange(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_DEVICECHANGE || lParam == 0) return false;
  if (wParam != DBT_DEVICEARRIVAL && wParam != DBT_DEVICEREMOVECOMPLETE) return false;
  return reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam)->dbch_devicetype == DBT_DEVTYP_VOLUME;
}

std::unique_ptr<TDriveWatcher> WatchDriveChanges(std::function<void()> changed) {
  static const bool registered = RegisterWindowClass();
  if (!registered) return nullptr;
  auto watcher = std::make_unique<TWindowsDriveWatcher>(std::move(changed));
  if (!watcher->Start()) return nullptr;
  return watcher;
}

}  // namespace vorlane
