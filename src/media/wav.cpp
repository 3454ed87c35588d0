#include "media/wav.h"

namespace media {

namespace {

uint32_t le32(std::string_view s, size_t p) {
  return uint32_t(uint8_t(s[p])) | uint32_t(uint8_t(s[p + 1])) << 8 | uint32_t(uint8_t(s[p + 2])) << 16 |
         uint32_t(uint8_t(s[p + 3])) << 24;
}

uint16_t le16(std::string_view s, size_t p) { return static_cast<uint16_t>(uint8_t(s[p]) | uint8_t(s[p + 1]) << 8); }

constexpr uint16_t kFormatPcm = 1;
constexpr int32_t kLowestRate = 100;
constexpr int32_t kHighestRate = 200000;

// A chunk identifier as it may be shown in a message.
std::string shown(std::string_view id) {
  std::string s(id);
  for (char& c : s)
    if (c < ' ' || c > '~') c = '?';
  return s;
}

Wave refuse(std::string why) {
  Wave w;
  w.error = std::move(why);
  return w;
}

}  // namespace

Wave read_wav(std::string_view file) {
  if (file.size() < 12 || file.substr(0, 4) != "RIFF" || file.substr(8, 4) != "WAVE")
    return refuse("not a RIFF/WAVE file");
  // 64-bit offsets: a length near 4 GiB cannot wrap past the end.
  const uint64_t end = file.size();
  uint64_t p = 12;
  std::string_view fmt, data;
  bool have_fmt = false, have_data = false;
  while (!(have_fmt && have_data)) {
    if (p + 8 > end) break;
    const std::string_view id = file.substr(p, 4);
    const uint64_t length = le32(file, p + 4);
    const uint64_t body = p + 8;
    if (length > end - body) return refuse("the \"" + shown(id) + "\" chunk runs past the end of the file");
    if (id == "fmt " && !have_fmt) {
      fmt = file.substr(body, length);
      have_fmt = true;
    } else if (id == "data" && !have_data) {
      data = file.substr(body, length);
      have_data = true;
    }
    p = body + length + (length & 1);
  }
  if (!have_fmt) return refuse("no \"fmt \" chunk");
  if (!have_data) return refuse("no \"data\" chunk");
  if (fmt.size() < 14) return refuse("the \"fmt \" chunk is shorter than 14 bytes");
  if (fmt.size() & 1) return refuse("the \"fmt \" chunk has an odd length");

  const uint16_t tag = le16(fmt, 0), channels = le16(fmt, 2), block = le16(fmt, 12);
  const uint32_t rate = le32(fmt, 4);
  // A 14-byte format has no sample size: it follows from the frame size.
  const uint32_t bits = fmt.size() >= 16 ? le16(fmt, 14) : (channels ? block * 8u / channels : 0u);
  if (tag != kFormatPcm) return refuse("encoding " + std::to_string(tag) + " is not PCM");
  if (channels == 0 || bits == 0) return refuse("no channels or no bits a sample");
  if (channels > 2) return refuse(std::to_string(channels) + " channels (only mono and stereo play)");
  if (bits != 8 && bits != 16) return refuse(std::to_string(bits) + " bits a sample (only 8 and 16 play)");
  if (block != channels * bits / 8) return refuse("a frame size that does not match the channels and bits");
  if (rate < kLowestRate || rate > kHighestRate) return refuse("a sample rate of " + std::to_string(rate) + " Hz");
  const size_t frames = data.size() / block;
  if (frames == 0) return refuse("no samples");

  Wave w;
  w.channels = channels;
  w.bits = static_cast<int32_t>(bits);
  w.rate = static_cast<int32_t>(rate);
  w.samples = data.substr(0, frames * block);
  return w;
}

}  // namespace media
