// Cut-scenes: one video at a time, decoded frame by frame and shown centred
// over the frame at a given size. The player starts one behind a level's
// loading image; play, play_task, play_task_status and stop_task reach the
// same video.
#pragma once

#include <cstdint>
#include <string>

namespace standalone {

// Starts the video at path centred in a width x height area (the display
// mode's size when either is not above 0). False, with nothing playing,
// when the file is missing or cannot be decoded; an earlier video is closed
// first either way.
bool cutscene_start(const std::string& path, int32_t width, int32_t height);
// Shows the frames that are due; false once the video has ended or none
// plays.
bool cutscene_update();
bool cutscene_playing();
void cutscene_stop();

// The area play and play_task show their video in: left, top, width and
// height on the 640 x 480 base screen, centred on the display when
// `centred`. The sound system's play_set keeps it; until a source is set
// the whole 640 x 480 screen is used.
struct CutsceneArea {
  int32_t left = 0, top = 0, width = 640, height = 480;
  bool centred = true;
};
using CutsceneAreaSource = CutsceneArea (*)();
void set_cutscene_area_source(CutsceneAreaSource source);
CutsceneArea cutscene_area();

// The cut-scene's sound goes to the sound system through this seam: called
// with each block of decoded samples (interleaved 16-bit, at rate, with
// channels), and with a null block when the video stops. Null: silent.
using CutsceneSound = void (*)(const int16_t* samples, int32_t frames, int32_t rate, int32_t channels);
void set_cutscene_sound(CutsceneSound sink);

}  // namespace standalone
