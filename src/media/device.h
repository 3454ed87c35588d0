// The rendering device at start-up and the presentation of the 640x480 tool
// screen on it.
#pragma once

#include <cstdint>
#include <string>

#include "media/config.h"

namespace media {

struct DisplayMode {
  int width, height, bits;
  int tool_x, tool_y;  // where the tool screen sits
};

// The mode of a display-mode bit (640x480x16 for anything unknown).
DisplayMode display_mode_info(int32_t mode_bit);

// Finds the display drivers, clamps the device choice, settles the display
// mode, writes config.ini and creates the device. False when start-up ends
// (the reason has been shown).
bool start_device(EngineSettings& settings, const std::string& config_path, bool windowed);
void stop_device();

// The current display mode bit.
int32_t current_display_mode();

// Builds the tool screen's colour table from 256 RGB triples: colours pass
// through the 16-bit pixel format of the tool screen in every mode.
void set_tool_palette(const uint8_t* rgb768);
uint16_t tool_pixel16(int index);

// Hides the mouse pointer of the tool screen (while a notice is shown) or
// shows it again; answers whether it was hidden.
bool hide_pointer(bool hidden);
// The mouse pointer image: 16 x 16 palette indices, rows top first, colour 0
// transparent.
void set_pointer(const uint8_t* image16x16);
// Copies the tool screen (with the mouse pointer over it, unless it is
// hidden) onto the display at the mode's placement.
void present_tool_screen();
// The tool screen stretched over the whole display.
void present_tool_screen_stretched();
// Fills the display with black.
void clear_display();

// Writes the last drawn frame as a PNG file.
bool save_screenshot(const std::string& path);

}  // namespace media
