#include "platform/movie.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <vector>

namespace platform {

namespace {

struct Movie {
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  SwsContext* scaler = nullptr;
  int stream = -1;
  int width = 0, height = 0;  // of the output; 0 until the first frame
  bool own_size = false;      // the output takes each frame's size
  bool draining = false;
  bool pending = false;  // the first frame is decoded but not handed out yet
  double time_base = 0;
  std::vector<uint32_t> rgba;
  // The sound: its decoder, the conversion to 16-bit samples, what was
  // decoded since the last movie_sound and what that call handed out.
  AVCodecContext* audio = nullptr;
  AVFrame* audio_frame = nullptr;
  SwrContext* resampler = nullptr;
  int audio_stream = -1;
  int rate = 0, channels = 0;
  std::vector<int16_t> sound, handed;
};

// Sound held for the caller at most, in seconds: more than that is dropped
// (a caller that never asks).
constexpr int kMaxHeldSoundSeconds = 8;
constexpr int kLowestRate = 1000, kHighestRate = 384000;

Movie& movie() {
  static Movie m;
  return m;
}

void close_sound(Movie& m) {
  if (m.resampler) swr_free(&m.resampler);
  if (m.audio_frame) av_frame_free(&m.audio_frame);
  if (m.audio) avcodec_free_context(&m.audio);
  m.audio_stream = -1;
}

// The best sound stream's decoder and the conversion to 16-bit samples at
// its own rate; without them the video plays silent.
void open_sound(Movie& m) {
  const AVCodec* decoder = nullptr;
  m.audio_stream = av_find_best_stream(m.format, AVMEDIA_TYPE_AUDIO, -1, m.stream, &decoder, 0);
  if (m.audio_stream < 0 || !decoder) {
    m.audio_stream = -1;
    return;
  }
  const AVCodecParameters* p = m.format->streams[m.audio_stream]->codecpar;
  m.audio = avcodec_alloc_context3(decoder);
  m.audio_frame = av_frame_alloc();
  if (!m.audio || !m.audio_frame || avcodec_parameters_to_context(m.audio, p) < 0 ||
      avcodec_open2(m.audio, decoder, nullptr) < 0 || m.audio->sample_rate < kLowestRate ||
      m.audio->sample_rate > kHighestRate || m.audio->ch_layout.nb_channels <= 0) {
    close_sound(m);
    return;
  }
  m.rate = m.audio->sample_rate;
  m.channels = m.audio->ch_layout.nb_channels >= 2 ? 2 : 1;
  AVChannelLayout in{}, out{};
  if (m.audio->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
    av_channel_layout_default(&in, m.audio->ch_layout.nb_channels);
  else
    av_channel_layout_copy(&in, &m.audio->ch_layout);
  av_channel_layout_default(&out, m.channels);
  const int made = swr_alloc_set_opts2(&m.resampler, &out, AV_SAMPLE_FMT_S16, m.rate, &in, m.audio->sample_fmt, m.rate,
                                       0, nullptr);
  av_channel_layout_uninit(&in);
  av_channel_layout_uninit(&out);
  if (made < 0 || !m.resampler || swr_init(m.resampler) < 0) close_sound(m);
}

// Every sound frame the decoder holds, converted and added to m.sound. A
// frame that does not convert ends the sound; the video goes on.
void take_sound(Movie& m) {
  const size_t held = static_cast<size_t>(kMaxHeldSoundSeconds) * m.rate * m.channels;
  while (m.audio && avcodec_receive_frame(m.audio, m.audio_frame) == 0) {
    const AVFrame* f = m.audio_frame;
    const int room = swr_get_out_samples(m.resampler, f->nb_samples);
    if (room < 0) {
      close_sound(m);
      return;
    }
    const size_t at = m.sound.size();
    if (at + static_cast<size_t>(room) * m.channels > held) continue;
    m.sound.resize(at + static_cast<size_t>(room) * m.channels);
    uint8_t* out[1] = {reinterpret_cast<uint8_t*>(m.sound.data() + at)};
    const int got = swr_convert(m.resampler, out, room, const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
    m.sound.resize(at + static_cast<size_t>(std::max(got, 0)) * m.channels);
    if (got < 0) {
      close_sound(m);
      return;
    }
  }
}

void send_sound(Movie& m, const AVPacket* packet) {
  if (!m.audio) return;
  if (avcodec_send_packet(m.audio, packet) < 0 && packet) return;
  take_sound(m);
}

// Decodes the next video frame into m.frame; the sound packets read on the
// way are decoded into m.sound.
bool decode(Movie& m) {
  for (int spins = 0; spins < 1 << 20; ++spins) {
    const int r = avcodec_receive_frame(m.codec, m.frame);
    if (r == 0) return true;
    if (r != AVERROR(EAGAIN) || m.draining) return false;
    if (av_read_frame(m.format, m.packet) < 0) {
      avcodec_send_packet(m.codec, nullptr);
      send_sound(m, nullptr);
      m.draining = true;
      continue;
    }
    if (m.packet->stream_index == m.audio_stream) send_sound(m, m.packet);
    const bool ours = m.packet->stream_index == m.stream;
    const int sent = ours ? avcodec_send_packet(m.codec, m.packet) : 0;
    av_packet_unref(m.packet);
    if (sent < 0 && sent != AVERROR(EAGAIN)) return false;
  }
  return false;
}

// The decoded frame scaled into m.rgba.
bool convert(Movie& m) {
  const AVFrame* f = m.frame;
  if (f->width <= 0 || f->height <= 0 || f->width > kMaxMovieSide || f->height > kMaxMovieSide) return false;
  if (m.own_size) {
    m.width = f->width;
    m.height = f->height;
  }
  m.scaler = sws_getCachedContext(m.scaler, f->width, f->height, static_cast<AVPixelFormat>(f->format), m.width,
                                  m.height, AV_PIX_FMT_RGBA, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!m.scaler) return false;
  m.rgba.assign(static_cast<size_t>(m.width) * m.height, 0);
  uint8_t* planes[4] = {reinterpret_cast<uint8_t*>(m.rgba.data()), nullptr, nullptr, nullptr};
  int strides[4] = {m.width * 4, 0, 0, 0};
  return sws_scale(m.scaler, f->data, f->linesize, 0, f->height, planes, strides) == m.height;
}

void fill(const Movie& m, MovieFrame& out) {
  out.width = m.width;
  out.height = m.height;
  const int64_t pts = m.frame->best_effort_timestamp;
  out.seconds = pts == AV_NOPTS_VALUE ? 0 : static_cast<double>(pts) * m.time_base;
  out.pixels = m.rgba.data();
}

}  // namespace

bool movie_open(const std::string& path, int width, int height) {
  movie_close();
  Movie& m = movie();
  av_log_set_level(AV_LOG_QUIET);
  if (avformat_open_input(&m.format, path.c_str(), nullptr, nullptr) < 0) {
    m.format = nullptr;
    return false;
  }
  const AVCodec* decoder = nullptr;
  if (avformat_find_stream_info(m.format, nullptr) < 0 ||
      (m.stream = av_find_best_stream(m.format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0)) < 0 || !decoder) {
    movie_close();
    return false;
  }
  const AVStream* s = m.format->streams[m.stream];
  m.time_base = av_q2d(s->time_base);
  m.codec = avcodec_alloc_context3(decoder);
  if (!m.codec || avcodec_parameters_to_context(m.codec, s->codecpar) < 0 ||
      avcodec_open2(m.codec, decoder, nullptr) < 0) {
    movie_close();
    return false;
  }
  open_sound(m);
  m.frame = av_frame_alloc();
  m.packet = av_packet_alloc();
  m.own_size = width <= 0 || height <= 0;
  m.width = m.own_size ? 0 : std::min(width, kMaxMovieSide);
  m.height = m.own_size ? 0 : std::min(height, kMaxMovieSide);
  if (!m.frame || !m.packet || !decode(m) || !convert(m)) {
    movie_close();
    return false;
  }
  m.pending = true;
  return true;
}

bool movie_next(MovieFrame& frame) {
  Movie& m = movie();
  if (!m.codec) return false;
  if (m.pending) {
    m.pending = false;
    fill(m, frame);
    return true;
  }
  if (!decode(m) || !convert(m)) return false;
  fill(m, frame);
  return true;
}

MovieSound movie_sound() {
  Movie& m = movie();
  m.handed.swap(m.sound);
  m.sound.clear();
  MovieSound out;
  if (m.handed.empty() || m.channels <= 0) return out;
  out.samples = m.handed.data();
  out.frames = static_cast<int>(m.handed.size() / static_cast<size_t>(m.channels));
  out.rate = m.rate;
  out.channels = m.channels;
  return out;
}

bool movie_is_open() { return movie().codec != nullptr; }

void movie_close() {
  Movie& m = movie();
  close_sound(m);
  if (m.scaler) sws_freeContext(m.scaler);
  if (m.packet) av_packet_free(&m.packet);
  if (m.frame) av_frame_free(&m.frame);
  if (m.codec) avcodec_free_context(&m.codec);
  if (m.format) avformat_close_input(&m.format);
  m = Movie{};
}

}  // namespace platform
