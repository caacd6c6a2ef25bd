#include "window/win32/TForm1.h"

#include <commdlg.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <stdexcept>

#include "drives/WideText.h"
#include "window/SlotWiring.h"
#include "window/SupportLink.h"
#include "window/WindowTexts.h"
#include "window/win32/Resources.h"

namespace vorlane {
namespace {

constexpr const wchar_t* WindowClass = L"VorlaneTForm1";
constexpr UINT CloseUpMessage = WM_APP + 1;        // the drive list has closed; its pick is in
constexpr UINT DrivesChangedMessage = WM_APP + 2;  // from the drive watcher's thread
constexpr UINT PostedChangeMessage = WM_APP + 3;   // from the job's thread
constexpr UINT_PTR DriveChangeTimer = 1;
// Inserting a card gives several events; the list is read once they have died down.
constexpr UINT DriveChangeDelayMs = 300;
constexpr DWORD WindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

HINSTANCE Instance() {
  return GetModuleHandleW(nullptr);
}

std::wstring ProgramTitle() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return Utf8ToWide(ApplicationTitle(WideToUtf8(path)));
}

// The read-only box hidden, resizable; neither file nor folder has to exist.
std::optional<std::wstring> RunFileOpenDialog(HWND owner, const std::wstring& lastName) {
  std::wstring name(32768, L'\0');
  std::copy(lastName.begin(), lastName.begin() + std::min<std::size_t>(lastName.size(), 32767),
            name.begin());
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  // Description and pattern, each ending in a null, and a null after the last pair.
  std::wstring filter = Utf8ToWide(WavFilterName);
  filter += L'\0';
  filter += Utf8ToWide(WavFilterPattern);
  filter += L'\0';
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
  if (!GetOpenFileNameW(&dialog)) return std::nullopt;
  return std::wstring(name.c_str());
}

// Task-modal with no owner: centred on the screen, the window disabled while it is up.
void ShowBox(const std::wstring& text, UINT icon) {
  static const std::wstring title = ProgramTitle();
  MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_OK | MB_TASKMODAL | icon);
}

void OpenInBrowser(HWND owner, const std::wstring& url) {
  ShellExecuteW(owner, nullptr, url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

HBITMAP LoadPicture(int id) {
  return static_cast<HBITMAP>(
      LoadImageW(Instance(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

void RegisterWindowClass() {
  static const ATOM registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;  // replaced by the window's own on creation
    windowClass.hInstance = Instance();
    windowClass.hIcon = LoadIconW(Instance(), MAKEINTRESOURCEW(VORLANE_ICON));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = WindowClass;
    return RegisterClassExW(&windowClass);
  }();
  if (!registered) throw std::runtime_error("RegisterClassExW failed");
}

template <typename T>
T OrDefault(T given, T fallback) {
  return given ? std::move(given) : std::move(fallback);
}

}  // namespace

TForm1::TForm1(TWin32Services services)
    : Services(std::move(services)),
      FolderGlyph(LoadPicture(VORLANE_FOLDER_GLYPH)),
      WriteGlyph(LoadPicture(VORLANE_WRITE_GLYPH)),
      Logo(LoadPicture(VORLANE_LOGO)) {
  Services.OpenDialog =
      OrDefault(std::move(Services.OpenDialog), decltype(Services.OpenDialog)(RunFileOpenDialog));
  Services.MessageBox =
      OrDefault(std::move(Services.MessageBox), decltype(Services.MessageBox)(ShowBox));
  Services.OpenUrl =
      OrDefault(std::move(Services.OpenUrl), decltype(Services.OpenUrl)(OpenInBrowser));
  RegisterWindowClass();
  RECT frame{0, 0, ClientWidth, ClientHeight};
  AdjustWindowRectEx(&frame, WindowStyle, FALSE, 0);
  Window = CreateWindowExW(0, WindowClass, Utf8ToWide(FormCaption).c_str(), WindowStyle, 486, 214,
                           frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                           Instance(), nullptr);
  if (!Window) throw std::runtime_error("CreateWindowExW failed");
  SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc));
  CreateControls();
  // The list shows its entries alone: fetching their details would open every removable volume
  // at each fill for nothing.
  if (!Services.Behaviour.GetRemovableDriveDetails)
    Services.Behaviour.GetRemovableDriveDetails = [] { return std::vector<TDriveDetails>{}; };
  FormBehaviour = std::make_unique<TFormBehaviour>(*this, std::move(Services.Behaviour));
  FormBehaviour->FormCreate();
  const HWND window = Window;
  DriveWatcher = OrDefault(Services.WatchDriveChanges, TWatchDrives(WatchDriveChanges))(
      [window] { PostMessageW(window, DrivesChangedMessage, 0, 0); });
}

TForm1::~TForm1() {
  Shutdown();
  if (Window) DestroyWindow(Window);
  for (HBITMAP picture : {FolderGlyph, WriteGlyph, Logo}) DeleteObject(picture);
  DeleteObject(SkyBlueBrush);
}

// Drive events stop first; a running job is stopped at its next sector and waited for, and
// nothing it still reports reaches the window.
void TForm1::Shutdown() {
  DriveWatcher.reset();
  FormBehaviour.reset();
}

void TForm1::Show(int how) {
  ShowWindow(Window, how);
  UpdateWindow(Window);
}

LRESULT CALLBACK TForm1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* form = reinterpret_cast<TForm1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!form) return DefWindowProcW(window, message, wParam, lParam);
  return form->Handle(message, wParam, lParam);
}

LRESULT TForm1::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(Window, &paint);
      Paint(dc);
      EndPaint(Window, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wParam));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_MEASUREITEM:
      reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = DriveEntryHeight;
      return TRUE;
    case WM_DRAWITEM:
      DrawDriveEntry(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    // The drive list (its field, and its open list) is the one child control: its ground is
    // sky blue too where no entry is drawn, as in an empty list, enabled or not.
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
      SetBkColor(reinterpret_cast<HDC>(wParam), SkyBlue);
      return reinterpret_cast<LRESULT>(SkyBlueBrush);
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lParam) == ComboBox1) HandleDriveListCommand(HIWORD(wParam));
      return 0;
    case CloseUpMessage:
      if (FormBehaviour) FormBehaviour->ComboBox1CloseUp();
      return 0;
    case DrivesChangedMessage:
      SetTimer(Window, DriveChangeTimer, DriveChangeDelayMs, nullptr);
      return 0;
    case WM_TIMER:
      KillTimer(Window, DriveChangeTimer);
      if (FormBehaviour && !FormBehaviour->DrivesChanged())
        SetTimer(Window, DriveChangeTimer, DriveChangeDelayMs, nullptr);
      return 0;
    case PostedChangeMessage:
      ApplyPostedChanges();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) SetFocus(ComboBox1);
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        POINT point;
        GetCursorPos(&point);
        ScreenToClient(Window, &point);
        const bool onLink = PtInRect(&Text("Label7").Place, point);
        SetCursor(LoadCursorW(nullptr, onLink ? IDC_HAND : IDC_ARROW));
        return TRUE;
      }
      break;
    case WM_CLOSE:
      Shutdown();
      DestroyWindow(Window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      Window = nullptr;
      return 0;
    default:
      if (HandleMouse(message, lParam)) return 0;
  }
  return DefWindowProcW(Window, message, wParam, lParam);
}

// A pick comes as a selection change; the closing is handled after it, from the queue, so the
// pick is already the current entry.
void TForm1::HandleDriveListCommand(WORD code) {
  if (!FormBehaviour) return;
  if (code == CBN_DROPDOWN) FormBehaviour->ComboBox1DropDown();
  if (code == CBN_SELCHANGE) FormBehaviour->ComboBox1Click();
  if (code == CBN_CLOSEUP) PostMessageW(Window, CloseUpMessage, 0, 0);
}

// Hover raises a button, a press sinks it; the click comes when the mouse is let go over it.
bool TForm1::HandleMouse(UINT message, LPARAM lParam) {
  const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  TFlatButton* under = ButtonAt(point);
  const bool onLink = PtInRect(&Text("Label7").Place, point);
  switch (message) {
    case WM_MOUSEMOVE: {
      if (under == Hot) return true;
      TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Window, 0};
      TrackMouseEvent(&track);
      for (TFlatButton* changed : {Hot, under})
        if (changed) Redraw(changed->Place);
      Hot = under;
      return true;
    }
    case WM_MOUSELEAVE:
      if (Hot) Redraw(Hot->Place);
      Hot = nullptr;
      return true;
    case WM_LBUTTONDOWN:
      SupportLinkPressed = onLink;
      Pressed = under;
      if (Pressed) {
        SetCapture(Window);
        Redraw(Pressed->Place);
      }
      return true;
    case WM_LBUTTONUP: {
      TFlatButton* released = Pressed;
      Pressed = nullptr;
      if (released) {
        ReleaseCapture();
        Redraw(released->Place);
        if (released == under && FormBehaviour) FormBehaviour->ButtonClick(released->Id);
      } else if (SupportLinkPressed && onLink && FormBehaviour) {
        FormBehaviour->Label7Click();
      }
      SupportLinkPressed = false;
      return true;
    }
    default:
      return false;
  }
}

TFlatButton* TForm1::ButtonAt(POINT point) {
  for (TFlatButton& button : SpeedButtons)
    if (button.Enabled && PtInRect(&button.Place, point)) return &button;
  return nullptr;
}

void TForm1::Redraw(const RECT& place) const {
  InvalidateRect(Window, &place, FALSE);
}

void TForm1::ApplyPostedChanges() {
  for (;;) {
    std::function<void()> change;
    {
      std::lock_guard lock(PostedLock);
      if (Posted.empty()) return;
      change = std::move(Posted.front());
      Posted.pop_front();
    }
    change();
  }
}

void TForm1::PostToWindowThread(std::function<void()> change) {
  {
    std::lock_guard lock(PostedLock);
    Posted.push_back(std::move(change));
  }
  PostMessageW(Window, PostedChangeMessage, 0, 0);
}

void TForm1::ShowMessage(const std::string& text) {
  Services.MessageBox(Utf8ToWide(text), 0);
}

void TForm1::ShowError(const std::string& text) {
  Services.MessageBox(Utf8ToWide(ErrorBoxText(text)), MB_ICONERROR);
}

void TForm1::OpenUrl(const std::string& url) {
  Services.OpenUrl(Window, Utf8ToWide(url));
}

std::optional<std::string> TForm1::RunOpenDialog(TSegment segment) {
  std::wstring& lastName = LastFileNames[WiringOf(segment).OpenDialog - 1];
  const std::optional<std::wstring> chosen = Services.OpenDialog(Window, lastName);
  if (!chosen) return std::nullopt;
  lastName = *chosen;
  return WideToUtf8(*chosen);
}

}  // namespace vorlane
