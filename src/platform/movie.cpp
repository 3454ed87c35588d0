#include "platform/movie.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
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
};

Movie& movie() {
  static Movie m;
  return m;
}

// Decodes the next video frame into m.frame.
bool decode(Movie& m) {
  for (int spins = 0; spins < 1 << 20; ++spins) {
    const int r = avcodec_receive_frame(m.codec, m.frame);
    if (r == 0) return true;
    if (r != AVERROR(EAGAIN) || m.draining) return false;
    if (av_read_frame(m.format, m.packet) < 0) {
      avcodec_send_packet(m.codec, nullptr);
      m.draining = true;
      continue;
    }
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

bool movie_is_open() { return movie().codec != nullptr; }

void movie_close() {
  Movie& m = movie();
  if (m.scaler) sws_freeContext(m.scaler);
  if (m.packet) av_packet_free(&m.packet);
  if (m.frame) av_frame_free(&m.frame);
  if (m.codec) avcodec_free_context(&m.codec);
  if (m.format) avformat_close_input(&m.format);
  m = Movie{};
}

}  // namespace platform
