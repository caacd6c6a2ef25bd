// vorlane.exe: the window and its message loop until the window is closed.
#include <windows.h>

#include "window/win32/TForm1.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  vorlane::TForm1 Form1;
  Form1.Show(show);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
