#include "tests/window/win32/Win32Harness.h"

#include <fstream>

namespace vorlane::testing {
namespace {

class TScriptedWatcher final : public TDriveWatcher {
 public:
  explicit TScriptedWatcher(TWin32Harness& harness) : Harness(harness) {}
  ~TScriptedWatcher() override {
    std::lock_guard lock(Harness.WatcherLock);
    Harness.DrivesChanged = nullptr;
  }

 private:
  TWin32Harness& Harness;
};

// The child controls (the drive list) over the window's own painting, each at its place and
// bottom of the z-order first, as the screen shows them.
void PrintChildren(HWND window, HDC dc) {
  for (HWND child = GetWindow(GetWindow(window, GW_CHILD), GW_HWNDLAST); child;
       child = GetWindow(child, GW_HWNDPREV)) {
    if (!IsWindowVisible(child)) continue;
    RECT place;
    GetWindowRect(child, &place);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
    POINT origin;
    SetViewportOrgEx(dc, place.left, place.top, &origin);
    SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(dc),
                 PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
    SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
  }
}

}  // namespace

TWin32Services TWin32Harness::Services() {
  TWin32Services services;
  services.Behaviour.GetRemovableDrives = [this] { return Drives; };
  services.Behaviour.GetRemovableDriveDetails = [] { return std::vector<TDriveDetails>{}; };
  services.Behaviour.Platform = &Platform;
  services.Behaviour.LogJobFailure = [](const std::string&) {};
  services.WatchDriveChanges = [this](std::function<void()> changed) {
    std::lock_guard lock(WatcherLock);
    DrivesChanged = std::move(changed);
    return std::make_unique<TScriptedWatcher>(*this);
  };
  services.OpenDialog = [this](HWND, const std::wstring& lastName) {
    OfferedNames.push_back(lastName);
    std::optional<std::wstring> answer;
    if (!DialogAnswers.empty()) {
      answer = DialogAnswers.front();
      DialogAnswers.pop_front();
    }
    return answer;
  };
  services.MessageBox = [this](const std::wstring& text, UINT icon) {
    Boxes.push_back((icon == MB_ICONERROR ? L"error: " : L"") + text);
  };
  services.OpenUrl = [this](HWND, const std::wstring& url) { OpenedUrls.push_back(url); };
  return services;
}

void Pump(std::chrono::milliseconds duration) {
  PumpUntil([] { return false; }, duration);
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (done()) return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void ClickAt(HWND window, int x, int y) {
  const LPARAM point = MAKELPARAM(x, y);
  SendMessageW(window, WM_MOUSEMOVE, 0, point);
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, point);
  SendMessageW(window, WM_LBUTTONUP, 0, point);
}

TPainted::TPainted(const TForm1& form) {
  RECT client;
  GetClientRect(form.Handle(), &client);
  Width = client.right;
  Height = client.bottom;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), Width, -Height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const HDC screen = GetDC(nullptr);
  const HDC dc = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ previous = SelectObject(dc, bitmap);
  SendMessageW(form.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  PrintChildren(form.Handle(), dc);
  GdiFlush();
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  Pixels.assign(pixels, pixels + Width * Height);
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

COLORREF TPainted::At(int x, int y) const {
  const std::uint32_t pixel = Pixels.at(static_cast<std::size_t>(y * Width + x));
  return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

int TPainted::Count(const RECT& area, COLORREF colour) const {
  int count = 0;
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x) count += At(x, y) == colour;
  return count;
}

void TPainted::SaveBmp(const std::string& path) const {
  const int stride = (Width * 3 + 3) & ~3;
  std::vector<char> rows(static_cast<std::size_t>(stride * Height));
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      const COLORREF pixel = At(x, Height - 1 - y);
      char* out = &rows[static_cast<std::size_t>(y * stride + x * 3)];
      out[0] = static_cast<char>(GetBValue(pixel));
      out[1] = static_cast<char>(GetGValue(pixel));
      out[2] = static_cast<char>(GetRValue(pixel));
    }
  BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(54 + rows.size()), 0, 0, 54};
  BITMAPINFOHEADER info{sizeof info, Width, Height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(rows.data(), static_cast<std::streamsize>(rows.size()));
}

}  // namespace vorlane::testing
