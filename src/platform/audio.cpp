#include "platform/audio.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/state_local.h"

namespace platform {

namespace {

struct Extensions {
  LPALCLOOPBACKOPENDEVICESOFT loopback_open = nullptr;
  LPALCISRENDERFORMATSUPPORTEDSOFT format_supported = nullptr;
  LPALCRENDERSAMPLESSOFT render = nullptr;
  LPALDEFERUPDATESSOFT defer = nullptr;
  LPALPROCESSUPDATESSOFT process = nullptr;
};

template <typename F>
F alc_function(const char* name) {
  return reinterpret_cast<F>(alcGetProcAddress(nullptr, name));
}

Extensions& ext() {
  static Extensions e;
  return e;
}

AudioObjects& audio() { return state().audio; }
ALCdevice* device() { return static_cast<ALCdevice*>(audio().device); }
ALCcontext* context() { return static_cast<ALCcontext*>(audio().context); }
bool open() { return audio().context != nullptr; }

// The engine's left-handed coordinates into OpenAL's right-handed ones.
void to_al(const float in[3], float out[3]) {
  out[0] = in[0];
  out[1] = in[1];
  out[2] = -in[2];
}

ALCdevice* open_loopback(const AudioOpen& how) {
  Extensions& e = ext();
  e.loopback_open = alc_function<LPALCLOOPBACKOPENDEVICESOFT>("alcLoopbackOpenDeviceSOFT");
  e.format_supported = alc_function<LPALCISRENDERFORMATSUPPORTEDSOFT>("alcIsRenderFormatSupportedSOFT");
  e.render = alc_function<LPALCRENDERSAMPLESSOFT>("alcRenderSamplesSOFT");
  if (!e.loopback_open || !e.format_supported || !e.render) return nullptr;
  ALCdevice* d = e.loopback_open(nullptr);
  if (d && !e.format_supported(d, how.rate, ALC_STEREO_SOFT, ALC_FLOAT_SOFT)) {
    alcCloseDevice(d);
    return nullptr;
  }
  return d;
}

// The desktop's output for the monitor of a loopback device: float stereo
// at the mixing rate, primed with a tenth of a second of silence so that
// the queue rides ahead of what is rendered frame by frame.
void open_monitor(int32_t rate) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
  SDL_AudioSpec want{}, have{};
  want.freq = rate;
  want.format = AUDIO_F32SYS;
  want.channels = 2;
  want.samples = 1024;
  const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (id == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return;
  }
  audio().monitor = id;
  audio().monitor_bytes_per_second = static_cast<uint32_t>(rate) * 8;
  static const float silence[512] = {};
  for (int32_t left = rate / 10; left > 0; left -= 256) SDL_QueueAudio(id, silence, std::min<int32_t>(left, 256) * 8);
  SDL_PauseAudioDevice(id, 0);
}

void close_monitor() {
  if (audio().monitor == 0) return;
  SDL_CloseAudioDevice(audio().monitor);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  audio().monitor = 0;
}

}  // namespace

bool audio_open(const AudioOpen& how) {
  audio_close();
  // A program that ends with the device open (a test, a benchmark) closes
  // it before the library goes.
  static const bool closed_at_exit = std::atexit(audio_close) == 0;
  (void)closed_at_exit;
  if (how.rate <= 0) return false;
  ALCdevice* d = how.loopback ? open_loopback(how) : alcOpenDevice(nullptr);
  if (!d) return false;
  const ALCint sources = std::max<ALCint>(how.max_sources, 1);
  // Sources are shared out between mono and stereo buffers; asking for as
  // many of each lets every source play either.
  ALCint attributes[16] = {ALC_MONO_SOURCES, sources, ALC_STEREO_SOURCES, sources, ALC_HRTF_SOFT, ALC_FALSE};
  int n = 6;
  if (how.loopback) {
    const ALCint more[] = {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT,
                           ALC_FLOAT_SOFT,           ALC_FREQUENCY,   how.rate,
                           ALC_OUTPUT_LIMITER_SOFT,  ALC_FALSE};
    for (ALCint v : more) attributes[n++] = v;
  } else {
    attributes[n++] = ALC_FREQUENCY;
    attributes[n++] = how.rate;
  }
  attributes[n] = 0;
  ALCcontext* c = alcCreateContext(d, attributes);
  if (!c || alcMakeContextCurrent(c) != ALC_TRUE) {
    if (c) alcDestroyContext(c);
    alcCloseDevice(d);
    return false;
  }
  AudioObjects& a = audio();
  a.device = d;
  a.context = c;
  a.loopback = how.loopback;
  a.lost = false;
  Extensions& e = ext();
  e.defer = reinterpret_cast<LPALDEFERUPDATESSOFT>(alGetProcAddress("alDeferUpdatesSOFT"));
  e.process = reinterpret_cast<LPALPROCESSUPDATESSOFT>(alGetProcAddress("alProcessUpdatesSOFT"));
  alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
  if (how.loopback && how.monitor) open_monitor(how.rate);
  return true;
}

void audio_close() {
  close_monitor();
  AudioObjects& a = audio();
  if (a.context) {
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context());
  }
  if (a.device) alcCloseDevice(device());
  a.device = a.context = nullptr;
  a.loopback = a.lost = false;
}

bool audio_is_open() { return open(); }
bool audio_is_loopback() { return open() && audio().loopback; }

bool audio_connected() {
  if (!open() || audio().lost) return false;
  ALCint connected = ALC_TRUE;
  if (alcIsExtensionPresent(device(), "ALC_EXT_disconnect")) alcGetIntegerv(device(), ALC_CONNECTED, 1, &connected);
  return connected == ALC_TRUE;
}

void audio_lose_device() {
  if (open()) audio().lost = true;
}

void audio_render(float* out, int32_t frames) {
  if (frames <= 0) return;
  if (!audio_is_loopback() || !ext().render) {
    std::memset(out, 0, static_cast<size_t>(frames) * 2 * sizeof(float));
    return;
  }
  ext().render(device(), out, frames);
  const AudioObjects& a = audio();
  if (a.monitor == 0) return;
  // Never more than a quarter of a second behind: a stall's catch-up is
  // dropped rather than heard late.
  if (SDL_GetQueuedAudioSize(a.monitor) > a.monitor_bytes_per_second / 4) SDL_ClearQueuedAudio(a.monitor);
  SDL_QueueAudio(a.monitor, out, static_cast<uint32_t>(frames) * 8);
}

uint32_t audio_buffer_create(const void* data, uint32_t bytes, int32_t channels, int32_t bits, int32_t rate) {
  if (!open() || bytes == 0 || rate <= 0) return 0;
  ALenum format;
  if (channels == 1 && bits == 8)
    format = AL_FORMAT_MONO8;
  else if (channels == 1 && bits == 16)
    format = AL_FORMAT_MONO16;
  else if (channels == 2 && bits == 8)
    format = AL_FORMAT_STEREO8;
  else if (channels == 2 && bits == 16)
    format = AL_FORMAT_STEREO16;
  else
    return 0;
  alGetError();
  ALuint b = 0;
  alGenBuffers(1, &b);
  if (alGetError() != AL_NO_ERROR) return 0;
  alBufferData(b, format, data, static_cast<ALsizei>(bytes), rate);
  if (alGetError() != AL_NO_ERROR) {
    alDeleteBuffers(1, &b);
    return 0;
  }
  return b;
}

void audio_buffer_free(uint32_t buffer) {
  if (!open() || buffer == 0) return;
  const ALuint b = buffer;
  alDeleteBuffers(1, &b);
}

uint32_t audio_source_create(uint32_t buffer, float rolloff) {
  if (!open() || buffer == 0) return 0;
  alGetError();
  ALuint s = 0;
  alGenSources(1, &s);
  if (alGetError() != AL_NO_ERROR) return 0;
  alSourcei(s, AL_BUFFER, static_cast<ALint>(buffer));
  alSourcef(s, AL_ROLLOFF_FACTOR, rolloff);
  if (alGetError() != AL_NO_ERROR) {
    alDeleteSources(1, &s);
    return 0;
  }
  return s;
}

void audio_source_free(uint32_t source) {
  if (!open() || source == 0) return;
  const ALuint s = source;
  alSourceStop(s);
  alSourcei(s, AL_BUFFER, 0);
  alDeleteSources(1, &s);
}

void audio_source_play(uint32_t source, bool loop) {
  if (!open() || source == 0) return;
  alSourceRewind(source);
  alSourcei(source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
  alSourcePlay(source);
}

void audio_source_stop(uint32_t source) {
  if (!open() || source == 0) return;
  alSourceStop(source);
  alSourceRewind(source);
}

bool audio_source_playing(uint32_t source) {
  if (!open() || source == 0) return false;
  ALint st = AL_STOPPED;
  alGetSourcei(source, AL_SOURCE_STATE, &st);
  return st == AL_PLAYING;
}

void audio_source_pitch(uint32_t source, float pitch) {
  if (open() && source != 0 && pitch > 0) alSourcef(source, AL_PITCH, pitch);
}

void audio_source_gain(uint32_t source, float gain) {
  if (open() && source != 0) alSourcef(source, AL_GAIN, std::max(gain, 0.0f));
}

void audio_source_3d(uint32_t source, bool positioned, float min_distance, float max_distance) {
  if (!open() || source == 0) return;
  alSourcei(source, AL_SOURCE_RELATIVE, positioned ? AL_FALSE : AL_TRUE);
  if (!positioned) {
    const float zero[3] = {0, 0, 0};
    alSourcefv(source, AL_POSITION, zero);
    alSourcefv(source, AL_VELOCITY, zero);
  }
  alSourcef(source, AL_REFERENCE_DISTANCE, std::max(min_distance, 0.0f));
  alSourcef(source, AL_MAX_DISTANCE, std::max(max_distance, 0.0f));
}

void audio_source_max_distance(uint32_t source, float max_distance) {
  if (open() && source != 0) alSourcef(source, AL_MAX_DISTANCE, std::max(max_distance, 0.0f));
}

void audio_source_place(uint32_t source, const float position[3], const float velocity[3]) {
  if (!open() || source == 0) return;
  float p[3], v[3];
  to_al(position, p);
  to_al(velocity, v);
  alSourcefv(source, AL_POSITION, p);
  alSourcefv(source, AL_VELOCITY, v);
}

namespace {

// Blocks a stream may hold, played or waiting.
constexpr ALint kMaxStreamBlocks = 512;

void free_played_blocks(ALuint s) {
  ALint played = 0;
  alGetSourcei(s, AL_BUFFERS_PROCESSED, &played);
  while (played-- > 0) {
    ALuint b = 0;
    alSourceUnqueueBuffers(s, 1, &b);
    if (b != 0) alDeleteBuffers(1, &b);
  }
}

}  // namespace

uint32_t audio_stream_create() {
  if (!open()) return 0;
  alGetError();
  ALuint s = 0;
  alGenSources(1, &s);
  if (alGetError() != AL_NO_ERROR) return 0;
  const float zero[3] = {0, 0, 0};
  alSourcei(s, AL_SOURCE_RELATIVE, AL_TRUE);
  alSourcefv(s, AL_POSITION, zero);
  alSourcef(s, AL_ROLLOFF_FACTOR, 0.0f);
  return s;
}

bool audio_stream_queue(uint32_t source, const int16_t* samples, int32_t frames, int32_t channels, int32_t rate) {
  if (!open() || source == 0 || !samples || frames <= 0 || rate <= 0 || (channels != 1 && channels != 2)) return false;
  const ALuint s = source;
  free_played_blocks(s);
  ALint queued = 0;
  alGetSourcei(s, AL_BUFFERS_QUEUED, &queued);
  if (queued >= kMaxStreamBlocks) return false;
  alGetError();
  ALuint b = 0;
  alGenBuffers(1, &b);
  if (alGetError() != AL_NO_ERROR) return false;
  alBufferData(b, channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16, samples,
               static_cast<ALsizei>(frames) * channels * 2, rate);
  if (alGetError() == AL_NO_ERROR) alSourceQueueBuffers(s, 1, &b);
  if (alGetError() != AL_NO_ERROR) {
    alDeleteBuffers(1, &b);
    return false;
  }
  ALint st = AL_STOPPED;
  alGetSourcei(s, AL_SOURCE_STATE, &st);
  if (st != AL_PLAYING) alSourcePlay(s);
  return true;
}

void audio_stream_free(uint32_t source) {
  if (!open() || source == 0) return;
  const ALuint s = source;
  alSourceStop(s);
  free_played_blocks(s);
  alSourcei(s, AL_BUFFER, 0);
  alDeleteSources(1, &s);
}

void audio_listener(const float position[3], const float front[3], const float up[3]) {
  if (!open()) return;
  float p[3], orientation[6];
  to_al(position, p);
  to_al(front, orientation);
  to_al(up, orientation + 3);
  alListenerfv(AL_POSITION, p);
  alListenerfv(AL_ORIENTATION, orientation);
}

void audio_listener_gain(float gain) {
  if (open()) alListenerf(AL_GAIN, std::max(gain, 0.0f));
}

void audio_doppler_factor(float factor) {
  if (open()) alDopplerFactor(std::max(factor, 0.0f));
}

void audio_defer() {
  if (open() && ext().defer) ext().defer();
}

void audio_commit() {
  if (open() && ext().process) ext().process();
}

}  // namespace platform
