// The WAV reader: the forms that play, the hostile ones it refuses without
// reading or allocating past the file, and the shared sample files.
#include "media/wav.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "core/files.h"

namespace {

void put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>(v >> 8 & 0xFF);
}

void put32(std::string& s, uint32_t v) {
  put16(s, v & 0xFFFF);
  put16(s, v >> 16);
}

std::string chunk(const std::string& id, const std::string& body, uint32_t length) {
  std::string c = id;
  put32(c, length);
  c += body;
  if (body.size() & 1) c += '\0';
  return c;
}
std::string chunk(const std::string& id, const std::string& body) {
  return chunk(id, body, static_cast<uint32_t>(body.size()));
}

std::string fmt_body(uint32_t tag, uint32_t channels, uint32_t rate, uint32_t bits, uint32_t block = 0,
                     size_t size = 16) {
  std::string f;
  put16(f, tag);
  put16(f, channels);
  put32(f, rate);
  put32(f, rate * (block ? block : channels * bits / 8));
  put16(f, block ? block : channels * bits / 8);
  put16(f, bits);
  f.resize(size, '\0');
  return f;
}

std::string riff(const std::string& chunks) {
  std::string w = "RIFF";
  put32(w, static_cast<uint32_t>(chunks.size() + 4));
  return w + "WAVE" + chunks;
}

std::string pcm(uint32_t channels, uint32_t bits, uint32_t rate, const std::string& data) {
  return riff(chunk("fmt ", fmt_body(1, channels, rate, bits)) + chunk("data", data));
}

TEST(WavReader, ReadsPcmOfEightAndSixteenBitsMonoAndStereo) {
  const std::string data(64, '\x40');
  for (uint32_t channels : {1u, 2u})
    for (uint32_t bits : {8u, 16u}) {
      const std::string file = pcm(channels, bits, 22050, data);
      const media::Wave w = media::read_wav(file);
      ASSERT_TRUE(w.ok()) << w.error;
      EXPECT_EQ(w.channels, static_cast<int32_t>(channels));
      EXPECT_EQ(w.bits, static_cast<int32_t>(bits));
      EXPECT_EQ(w.rate, 22050);
      EXPECT_EQ(w.samples.size(), data.size());
      EXPECT_EQ(w.samples.data(), file.data() + file.size() - data.size());
    }
}

TEST(WavReader, WalksOtherChunksWithTheirEvenPaddingInAnyOrder) {
  // A three-byte LIST chunk (padded to four), then data before fmt.
  const std::string file = riff(chunk("LIST", "abc") + chunk("data", std::string(10, '\x01')) +
                                chunk("fmt ", fmt_body(1, 1, 8000, 8)));
  const media::Wave w = media::read_wav(file);
  ASSERT_TRUE(w.ok()) << w.error;
  EXPECT_EQ(w.samples, std::string(10, '\x01'));
  // A 14-byte format has no sample size; the frame size gives it.
  const media::Wave short_fmt = media::read_wav(
      riff(chunk("fmt ", fmt_body(1, 2, 11025, 16, 4, 14)) + chunk("data", std::string(8, 'x'))));
  ASSERT_TRUE(short_fmt.ok()) << short_fmt.error;
  EXPECT_EQ(short_fmt.bits, 16);
  // Bytes past the last whole frame are left out.
  const media::Wave ragged = media::read_wav(pcm(2, 16, 44100, std::string(10, 'x')));
  ASSERT_TRUE(ragged.ok());
  EXPECT_EQ(ragged.samples.size(), 8u);
}

TEST(WavReader, RefusesHostileAndUnplayableFiles) {
  const std::string fmt16 = chunk("fmt ", fmt_body(1, 1, 22050, 16));
  const std::string data = chunk("data", std::string(16, 'x'));
  const struct {
    const char* what;
    std::string file;
  } cases[] = {
      {"empty", ""},
      {"not RIFF", "RIFX" + pcm(1, 16, 22050, "xx").substr(4)},
      {"not WAVE", "RIFF\x04\0\0\0XWMA"},
      {"no fmt", riff(data)},
      {"no data", riff(fmt16)},
      {"data past the end", riff(fmt16 + chunk("data", std::string(16, 'x'), 17))},
      {"data near 4 GiB", riff(fmt16 + chunk("data", "xxxx", 0xFFFFFFF8u))},
      {"a chunk near 4 GiB before data", riff(fmt16 + chunk("junk", "", 0xFFFFFFFFu) + data)},
      {"fmt past the end", riff(chunk("fmt ", fmt_body(1, 1, 22050, 16), 0x7FFFFFFFu))},
      {"incomplete chunk header", riff("fmt \x10")},
      {"fmt shorter than 14", riff(chunk("fmt ", fmt_body(1, 1, 22050, 16, 2, 12)) + data)},
      {"odd fmt size", riff(chunk("fmt ", fmt_body(1, 1, 22050, 16, 2, 17)) + data)},
      {"zero channels", riff(chunk("fmt ", fmt_body(1, 0, 22050, 16, 2)) + data)},
      {"zero bits", riff(chunk("fmt ", fmt_body(1, 1, 22050, 0, 2)) + data)},
      {"zero bits, 14-byte fmt", riff(chunk("fmt ", fmt_body(1, 1, 22050, 0, 0, 14)) + data)},
      {"three channels", riff(chunk("fmt ", fmt_body(1, 3, 22050, 16)) + data)},
      {"24 bits", riff(chunk("fmt ", fmt_body(1, 1, 22050, 24)) + data)},
      {"ADPCM", riff(chunk("fmt ", fmt_body(2, 1, 22050, 4, 256, 20)) + data)},
      {"float", riff(chunk("fmt ", fmt_body(3, 1, 22050, 32)) + data)},
      {"frame size mismatch", riff(chunk("fmt ", fmt_body(1, 2, 22050, 16, 2)) + data)},
      {"rate 0", riff(chunk("fmt ", fmt_body(1, 1, 0, 16)) + data)},
      {"no samples", riff(fmt16 + chunk("data", ""))},
      {"less than a frame", riff(chunk("fmt ", fmt_body(1, 2, 22050, 16)) + chunk("data", "xyz"))},
  };
  for (const auto& c : cases) {
    const media::Wave w = media::read_wav(c.file);
    EXPECT_FALSE(w.ok()) << c.what;
    EXPECT_TRUE(w.samples.empty()) << c.what;
  }
  // A chunk identifier of control bytes is shown printable.
  const media::Wave w = media::read_wav(riff(fmt16 + chunk(std::string("\x01\x02zz", 4), "", 0x7FFFFFFF)));
  EXPECT_NE(w.error.find("??zz"), std::string::npos) << w.error;
}

TEST(WavReader, SharedSamplesPlayOnlyWhenPcmOfEightOrSixteenBitsMonoOrStereo) {
  const std::filesystem::path folder = std::filesystem::path(QUILL_TESTDATA) / "wav";
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no shared samples";
  const std::set<std::string> plays = {
      "allegro_DEATH_SPL.wav",
      "allegro_SHOOT_SPL.wav",
      "allegro_welcome.wav",
      "corkami_tiny_riff.wav",
      "dxsdk_heli.wav",
      "hound_pcmwaveformat-16bit-44100Hz-mono.wav",
      "hound_pcmwaveformat-8bit-44100Hz-mono.wav",
      "hound_waveformatex-16bit-44100Hz-mono-extra.wav",
      "hound_waveformatex-16bit-44100Hz-mono.wav",
      "hound_waveformatex-16bit-44100Hz-stereo.wav",
      "hound_waveformatex-8bit-11025Hz-mono.wav",
      "scipy_test-8000Hz-le-2ch-1byteu.wav",
  };
  int seen = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string file;
    ASSERT_TRUE(core::read_file(entry.path().string(), file));
    const std::string name = entry.path().filename().string();
    const media::Wave w = media::read_wav(file);
    EXPECT_EQ(w.ok(), plays.count(name) == 1) << name << ": " << w.error;
    if (w.ok()) {
      EXPECT_FALSE(w.samples.empty()) << name;
    }
    ++seen;
  }
  EXPECT_GE(seen, static_cast<int>(plays.size()));
}

}  // namespace
