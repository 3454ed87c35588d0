// Video files decoded frame by frame (FFmpeg): one at a time, each frame
// scaled to the size asked for and handed over as 32-bit RGBA pixels, and
// the sound read along with the frames converted to 16-bit samples. The
// cut-scenes of the stand-alone player and the play built-ins use it.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct MovieFrame {
  int width = 0, height = 0;         // the size given to movie_open
  double seconds = 0;                // when the frame is due, from the start
  const uint32_t* pixels = nullptr;  // width x height, rows top to bottom, valid until the next call
};

// Largest width or height a video or its output may have.
constexpr int kMaxMovieSide = 4096;

// Opens the video stream of a file, closing an earlier one, and decodes its
// first frame: false (nothing open) for a file that is missing, holds no
// video, or whose first frame cannot be decoded. Frames come out at
// width x height (the video's own size when either is not above 0).
bool movie_open(const std::string& path, int width, int height);
// The next frame; false at the end of the video or at a frame that cannot
// be decoded (the video then counts as ended).
bool movie_next(MovieFrame& frame);
// The sound decoded since the last call, as interleaved 16-bit samples
// (mono, or stereo for a video with two channels or more) at the video's
// own rate; valid until the next movie call. 0 frames for a video without
// sound (or whose sound does not decode: the video plays silent).
struct MovieSound {
  const int16_t* samples = nullptr;
  int frames = 0;
  int rate = 0;
  int channels = 0;
};
MovieSound movie_sound();
bool movie_is_open();
void movie_close();

}  // namespace platform
