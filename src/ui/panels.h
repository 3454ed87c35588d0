// The interface image (panels.pcx): an 8-bit image 128 pixels wide, at most
// 128 rows, held in the panel pool. It carries the frame tiles, the
// interface colours, the title graphic, the minimise and close boxes and the
// mouse pointer (screen.h names the places); its palette is the palette of
// the tool screen.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "media/palette.h"

namespace ui {

constexpr int32_t kPanelsWidth = 128;
constexpr int32_t kPanelsMaxRows = 128;

// Takes a PCX image held in memory: its pixels into the panel pool (rows
// past 128 dropped, missing rows colour 0), its palette as the tool palette
// of the display (media::set_tool_palette), and the pointer cut from
// (0, 40). False, with nothing changed, for anything that is not a usable
// PCX 128 pixels wide.
bool use_panels(std::span<const uint8_t> pcx_file);
// The same for a file; false when it cannot be read or is not usable.
bool load_panels(const std::string& path);

// The palette the interface image brought (black before one is taken).
const media::Palette& tool_palette();

}  // namespace ui
