// Resource numbers shared by vorlane.rc and the code that loads them.
#pragma once

#define VORLANE_ICON 1
#define VORLANE_FOLDER_GLYPH 101
#define VORLANE_WRITE_GLYPH 102
#define VORLANE_LOGO 103
