// The desktop side of the platform: SDL video, the main window, its event
// pump, the cursor and the platform message boxes. Nothing here is used in
// a headless run except what says so.
#pragma once

#include <cstdint>
#include <string>

#include "platform/messages.h"

namespace platform {

constexpr int kMaxDisplays = 3;

// Starts SDL video: the desktop's, or headless an offscreen one (Mesa's
// software rasteriser). False when none can be had.
bool video_init(bool headless);
void video_quit();

// Number of displays (at most kMaxDisplays) and the name of display i; the
// first display without a name of its own is "Primary Device".
int display_count();
std::string display_name(int index);

void window_hide();
// Shows the main window again and brings it to the front.
void window_show();
bool window_exists();

// Translates pending desktop events into window messages.
void poll_messages(MessageQueue& out);

void cursor_show(bool show);
// Pointer position in window pixels and the button mask (1 left, 2 right,
// 4 middle).
void mouse_state(int32_t& x, int32_t& y, int32_t& buttons);
// The buttons (same mask) pressed since the last call, held or not: a click
// released before the pointer is read again still shows here.
int32_t take_mouse_presses();
// Held state of the set-1 key codes, read from the desktop.
bool key_held(uint8_t scancode);

// A platform message box; returns the index of the chosen button (0-based),
// or -1 when the box could not be shown.
int message_box(const char* caption, const std::string& text, const char* const* buttons, int count, bool error);

// The system clipboard's text ("" when it holds none). A headless run has
// no desktop: there it is a text kept in the process, so that scripted
// sessions copy and paste as a desktop would.
std::string clipboard_text();
void set_clipboard_text(const std::string& text);

}  // namespace platform
