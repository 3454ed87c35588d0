// The modal screens that ask for one answer: the menu, the input box, the
// colour-code picker and the display-area setter. Each runs its own loop on
// the tool screen and leaves the screen and the display cleared.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

// Items are one `|`-separated text. The 1-based number of the item chosen
// by a left click or its function key (F1 to F10 items 1 to 10, scan code
// 69 item 11, scan codes 84 to 88 items 11 to 15: F11 14, F12 15), 0 for
// Escape or the close box. Numbers that name no item are not filtered out.
int32_t menu(std::string_view items);

// What the input box lets into the text.
enum class InputStyle : int32_t {
  text = 0,       // any character from 32 up
  number = 1,     // digits, and a "-" at the start
  hidden = 2,     // any character, shown as "*"
  file_name = 3,  // no / \ : * ? " < > |
};

// A line of text under a word-wrapped prompt, in a box at least
// `min_width` pixels wide. Backspace, Delete, Home, End, Left and Right
// edit; a left click in the field moves the cursor. Ends on Enter (and then
// sets *confirmed), Escape, the right button or the close box; answers the
// text as it stands in every case.
std::string input_box(int32_t min_width, std::string_view text, std::string_view prompt,
                      InputStyle style = InputStyle::text, bool* confirmed = nullptr);

// A scrolling list of entries under a title. Up, Down, Page Up, Page Down,
// Home and End move the selection, a letter moves it to the next entry
// starting with that letter, a click in the scroll column turns a page.
// Answers the index of the entry chosen by a click or Enter, or -1 for
// Escape, the right button or the close box (and for an empty list, which
// is not shown).
int32_t list_choice(std::string_view title, const std::vector<std::string>& entries, int32_t selected);

// The 256 colours in a 16 x 16 grid; a left click on one answers it, any
// other button or Escape answers `current`.
int32_t colour_picker(int32_t current);

// Run mode 14: the active display area (left, top, right, bottom on the
// 640 x 480 screen) shown as an XOR rectangle over the whole display; a
// click moves the nearer corner to the 8-pixel grid, holding a button drags
// it; Escape ends. Right and left are kept in 0..639, top and bottom in
// 0..479.
void display_area_setter(int32_t area[4]);

}  // namespace ui
