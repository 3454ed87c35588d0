// The engine a built game runs: a copy of this executable whose 32-byte
// class text (core::kClassText) carries the game's window name, with the
// stretch between the first two editor-strip markers zeroed when the image
// holds one.
#pragma once

#include <string>
#include <string_view>

namespace standalone {

// The 8-byte marker that brackets code a built game does not carry
// (40 48 83 C0 03 83 E8 03). Made at run time, so that this executable
// holds it only where such a stretch is meant to be.
std::string strip_marker();

// The window name: the executable name padded with blanks and cut to 32
// characters.
std::string window_name(std::string_view name);

// Overwrites every occurrence of the class text in image with the window
// name of `name`; returns how many were found.
int patch_window_name(std::string& image, std::string_view name);
// Zeroes the bytes after the first marker's first byte up to the next
// marker (or the end of the image); false when there is no marker.
bool strip_editor(std::string& image);

// Reads engine, patches it and writes it to destination (executable).
bool write_engine_copy(const std::string& engine, const std::string& destination, std::string_view name);

// The script "run" beside the engine copy: starts it from its own folder.
bool write_run_script(const std::string& folder);

}  // namespace standalone
