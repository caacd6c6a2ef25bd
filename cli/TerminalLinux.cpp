#include <sys/ioctl.h>
#include <unistd.h>

#include "cli/Terminal.h"

namespace vorlane::cli {
namespace {

int DescriptorOf(TStream stream) {
  switch (stream) {
    case TStream::Input:
      return STDIN_FILENO;
    case TStream::Output:
      return STDOUT_FILENO;
    case TStream::Error:
      return STDERR_FILENO;
  }
  return -1;
}

}  // namespace

// Linux terminals take UTF-8 and escape sequences as they are.
void PrepareTerminal() {}

bool IsTerminal(TStream stream) {
  return isatty(DescriptorOf(stream)) == 1;
}

int TerminalColumns() {
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return 80;
  return size.ws_col;
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return {argv, argv + argc};
}

}  // namespace vorlane::cli
