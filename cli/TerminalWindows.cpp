#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <initializer_list>

#include "cli/Terminal.h"
#include "drives/WideText.h"

namespace vorlane::cli {
namespace {

int DescriptorOf(TStream stream) {
  switch (stream) {
    case TStream::Input:
      return _fileno(stdin);
    case TStream::Output:
      return _fileno(stdout);
    case TStream::Error:
      return _fileno(stderr);
  }
  return -1;
}

}  // namespace

// The window words are UTF-8, and the live lines move the cursor with escape sequences: the
// console shows both only when asked to.
void PrepareTerminal() {
  SetConsoleOutputCP(CP_UTF8);
  for (const DWORD handle : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    const HANDLE console = GetStdHandle(handle);
    DWORD mode = 0;
    if (GetConsoleMode(console, &mode))
      SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  }
}

bool IsTerminal(TStream stream) {
  return _isatty(DescriptorOf(stream)) != 0;
}

int TerminalColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) return 80;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

// The wide command line, split as the runtime splits it for main().
std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return {argv, argv + argc};
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(WideToUtf8(wide[i]));
  LocalFree(wide);
  return arguments;
}

}  // namespace vorlane::cli
