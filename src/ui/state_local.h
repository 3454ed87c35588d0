// The tool screen's state: the button table, the title-bar hot spots, the
// text state, the print file, the interface palette with its nearest-colour
// table, and what the tool loops remember between passes.
#pragma once

#include <cstdint>
#include <string>

#include "media/palette.h"
#include "ui/screen.h"

namespace ui {

struct Button {
  Rect rect{-1, -1, -1, -1};  // all -1 while the entry is free
  bool field = false;         // an input field
  bool used = false;
};

struct State {
  Button buttons[kButtonCount];
  Rect close_box{-1, -1, -1, -1};
  Rect minimise_box{-1, -1, -1, -1};
  bool close_active = false;

  uint8_t text_colour = 255;
  int32_t text_x = 0, text_y = 0;
  bool printing = false;  // print lines go to print_path
  std::string print_path;
  std::string print_text;

  // The palette of the interface image; nearest[] maps 5-5-5 colours to it.
  media::Palette palette{};
  bool nearest_ready = false;
  uint8_t nearest[32768] = {};

  // Tool loops.
  bool dirty = true;
  bool stretched = false;
  int32_t shown_x = -1, shown_y = -1;
  int32_t last_buttons = 0;
  bool notice_shown = false;

  // The picture selector's page, kept between calls (1-based).
  int32_t picture_page = 1;
};

State& state();

// The palette index nearest to a colour (through a 5-5-5 table of the
// interface palette, made at the first use after the palette changes).
uint8_t nearest_colour(uint8_t r, uint8_t g, uint8_t b);

}  // namespace ui
