// Run mode 6: the screen on which the multi-project list is edited (20
// entries a page, 25 pages), kept in data/multilev.ini and in named lists
// multilev/NAME.mlv, and from which the game is built.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "standalone/multilist.h"

namespace standalone {

// What the editor reads and changes of the editor state: the executable
// name (data/curpaths.ini line 17) and the project browser's resource kit
// and page (tarvo.ini lines 16 and 17).
struct EditorSettings {
  std::string executable_name;
  int32_t resource_kit = 2;
  int32_t resource_page = 0;
};

// Runs the editor until the user leaves it or builds the game.
void self_executable_editor(EditorSettings& settings);

// The first characters of a path's file name without its folder and its
// last four characters (the extension), as the rows show them.
std::string row_name(const std::string& path);
// The help text of the line at the top of the editor for the mouse at x
// over the row of `entry` (-1: not over a row).
std::string editor_help(int32_t x, int32_t entry);

// The project browser: the ".prj" files of the resource kits (the folders
// of program folder + "projects/"), 30 a page. Answers the chosen project's
// path, or "" when left with Escape or the close box. The kit and page are
// kept in `settings`.
std::string project_browser(const std::string& start, EditorSettings& settings);

// A row of the browser: the description (the comment line at the start of
// the project file) and the file name.
struct BrowserRow {
  std::string text;  // description, then the file name
  std::string name;  // the file name
};
// The kits (folder names, sorted) and a kit's rows sorted by their text.
std::vector<std::string> resource_kits();
std::vector<BrowserRow> kit_rows(const std::string& kit);
// The first line of the kit's "descrptn.txt", or "Resource description not
// found!".
std::string kit_description(const std::string& kit);

}  // namespace standalone
