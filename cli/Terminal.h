// The little the program needs to know of its terminal; one backend per OS, chosen in CMake.
#pragma once

#include <string>
#include <vector>

namespace vorlane::cli {

enum class TStream { Input, Output, Error };

// Readies the terminal for the program's output (UTF-8 text, cursor movement) where the OS
// needs that asked for.
void PrepareTerminal();

bool IsTerminal(TStream stream);

// The program's arguments in UTF-8, as the rest of the program takes paths and texts. Windows
// hands main() its arguments in the system's code page, which cannot hold every file name.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// The output terminal's width in columns; 80 where it cannot be told.
int TerminalColumns();

}  // namespace vorlane::cli
