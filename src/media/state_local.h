// The media subsystem's state: input, the engine settings, the display
// device and the tool-screen presentation, overlay text, and sound.
#pragma once

#include <cstdint>

#include "media/config.h"
#include "media/font.h"
#include "media/input.h"
#include "media/overlay.h"
#include "media/sound_local.h"

namespace media {

struct State {
  Input input;
  EngineSettings settings;
  int32_t display_mode = 1;

  // Tool-screen presentation.
  uint16_t tool_palette16[256] = {};
  uint32_t tool_palette_rgba[256] = {};
  uint8_t pointer[16 * 16] = {};  // the mouse pointer image, colour 0 transparent
  bool pointer_hidden = false;    // while a notice box is shown

  Overlay overlay;

  // The text font of the tool screens: "font.fnt", or the small run-time
  // "font8.fnt" while a test run goes on.
  Font tool_font;
  bool tool_font_small = false;

  uint8_t screenshot[1024 * 768 * 4] = {};

  SoundState sound;
};

State& state();

}  // namespace media
