// The rendering device: an OpenGL 3.3 core context on the main window (or,
// headless, on an offscreen surface of Mesa's software rasteriser), and the
// frame the engine renders into at the display mode's size. The frame is
// scaled onto the window with its aspect ratio kept.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct DeviceRequest {
  bool software = false;  // the software rasteriser even with a display
  bool windowed = false;  // a window of the frame's size instead of full screen
  int frame_width = 640;
  int frame_height = 480;
  const char* caption = "";
  bool colour16 = false;  // a 16-bit display mode: frames are cut to 5-6-5
};

// Creates the window, the context and the frame; false with the platform's
// error text.
bool device_create(const DeviceRequest& request, std::string& error);
void device_destroy();
bool device_exists();
int frame_width();
int frame_height();
const char* device_renderer();

// Fills the frame with black.
void frame_clear();
// Draws an 8-bit image through a 256-entry palette (0xAABBGGRR entries) into
// the frame: source rows top first, placed with its top-left corner at
// (x, y) frame pixels and scaled to w x h.
void frame_draw_indexed(const uint8_t* pixels, int width, int height, const uint32_t* palette, int x, int y, int w,
                        int h);
// Shows the frame on the window (in a 16-bit mode after cutting its colours
// to 5-6-5 in place, as a 16-bit surface would hold them).
void frame_present();
// Switches the 5-6-5 cut of presented frames.
void frame_set_colour16(bool on);
// Waits until every drawing command has reached the frame.
void frame_finish();
// Reads the frame as RGBA rows, top first (width x height x 4 bytes).
bool frame_read(uint8_t* rgba, int width, int height);

// Window pixels to frame pixels (the inverse of the letterboxed scaling).
void window_to_frame(int wx, int wy, int& fx, int& fy);
// Moves the desktop pointer to frame pixel (fx, fy). Nothing headless.
void warp_pointer_to_frame(int fx, int fy);

}  // namespace platform
