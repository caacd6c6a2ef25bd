// The little the program needs to know of its terminal; one backend per OS, chosen in CMake.
#pragma once

namespace vorlane::cli {

enum class TStream { Input, Output, Error };

// Readies the terminal for the program's output (UTF-8 text, cursor movement) where the OS
// needs that asked for.
void PrepareTerminal();

bool IsTerminal(TStream stream);

// The output terminal's width in columns; 80 where it cannot be told.
int TerminalColumns();

}  // namespace vorlane::cli
