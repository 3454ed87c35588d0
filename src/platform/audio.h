// Sound output through OpenAL Soft: one device with one context, sample
// buffers, sources that play them in 3D, and the listener. A headless run
// (and every test) uses the loopback device, which mixes into memory only
// when asked to, so what it renders depends on nothing but the calls made.
//
// Coordinates are left-handed, as the engine's: x right, y up, z forward;
// a listener facing (0, 0, 1) with up (0, 1, 0) hears a source at +x on
// its right. Distances are in world units, velocities in units a second.
// Every function does nothing (or answers 0 / false) while no device is
// open, and for a source or buffer of 0.
#pragma once

#include <cstdint>

namespace platform {

struct AudioOpen {
  int32_t rate = 22050;        // output frames per second
  bool loopback = false;       // mix into memory (audio_render) instead of a device
  bool monitor = false;        // loopback only: also play what is rendered on the desktop's output
  int32_t max_sources = 1024;  // sources that may play at once
};

// Opens the device and its context (closing an open one first), with the
// inverse clamped distance model. False when no device or context can be
// had.
bool audio_open(const AudioOpen& how);
void audio_close();
bool audio_is_open();
bool audio_is_loopback();
// False once the device has gone (unplugged, the sound server ended).
bool audio_connected();
// Tests: makes the open device answer as a lost one.
void audio_lose_device();

// Loopback only: mixes the next `frames` frames as interleaved float
// stereo (left, right) into `out`; the monitor, when on, plays them too.
// Fills zeros when no loopback device is open.
void audio_render(float* out, int32_t frames);

// A buffer of PCM samples: 8 bits unsigned or 16 bits signed little-endian,
// 1 or 2 channels interleaved. 0 when the device refuses it.
uint32_t audio_buffer_create(const void* data, uint32_t bytes, int32_t channels, int32_t bits, int32_t rate);
void audio_buffer_free(uint32_t buffer);

// A source playing `buffer`, stopped at its start, at full gain and natural
// pitch, with the context's rolloff. 0 when no source can be had.
uint32_t audio_source_create(uint32_t buffer, float rolloff);
// Stops the source and frees it (its buffer stays).
void audio_source_free(uint32_t source);

// Rewinds and plays (restarting a playing source), looping or once.
void audio_source_play(uint32_t source, bool loop);
// Stops and rewinds.
void audio_source_stop(uint32_t source);
bool audio_source_playing(uint32_t source);
// Playback speed: 1 natural, 2 an octave up.
void audio_source_pitch(uint32_t source, float pitch);
void audio_source_gain(uint32_t source, float gain);
// 3D: positioned in the world (true) or fixed on the listener with no
// attenuation (false); minimum and maximum distance of the attenuation.
void audio_source_3d(uint32_t source, bool positioned, float min_distance, float max_distance);
void audio_source_max_distance(uint32_t source, float max_distance);
void audio_source_place(uint32_t source, const float position[3], const float velocity[3]);

// A streaming source (a cut-scene's sound): fed block by block, fixed on
// the listener at full gain. 0 when no source can be had.
uint32_t audio_stream_create();
// Queues a block of interleaved 16-bit samples (1 or 2 channels) after the
// blocks queued before, freeing the blocks already played, and plays the
// source when it has stopped (it stops when it runs out). False when the
// block is refused, or too many are waiting.
bool audio_stream_queue(uint32_t source, const int16_t* samples, int32_t frames, int32_t channels, int32_t rate);
// Stops the source and frees it with every block it holds.
void audio_stream_free(uint32_t source);

void audio_listener(const float position[3], const float front[3], const float up[3]);
void audio_listener_gain(float gain);
void audio_doppler_factor(float factor);

// Changes made while deferred take effect together at audio_commit.
void audio_defer();
void audio_commit();

}  // namespace platform
