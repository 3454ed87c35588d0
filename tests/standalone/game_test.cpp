// Built games end to end: the self-executable mode builds tarvoexe/ from
// the working list, and the copy of the engine there plays it headless.
#include <gtest/gtest.h>

#include <stdio.h>
#include <sys/wait.h>

#include <bit>
#include <cstdlib>
#include <cstring>

#include "core/files.h"
#include "core/protect.h"
#include "core/text.h"
#include "support/headless_run.h"
#include "support/wav_tools.h"

#ifndef QUILL_BINARY
#define QUILL_BINARY "quill"
#endif

namespace {

using testing_support::ElementSpec;
using testing_support::Message;

std::string restored(std::string bytes) {
  for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
    uint32_t w;
    std::memcpy(&w, bytes.data() + i, 4);
    w = std::rotl(w, 19) ^ 0x3B71D29Eu;
    std::memcpy(bytes.data() + i, &w, 4);
  }
  return bytes;
}

// Field `n` of the first element record of a level file's text (after the
// description, the element count and the background line).
std::string first_record_field(const std::string& project, int n) {
  core::LineReader lines(project);
  for (int i = 0; i < 3; ++i) lines.next();
  return std::string(core::field(lines.next(), n));
}

class Game : public testing_support::Installation {
 protected:
  void SetUp() override {
    Installation::SetUp();
    if (HasFatalFailure()) return;
    write("runmode.ini", "projects/t/l1.prj\r\n6\r\n0\r\n0\r\n0\r\n");
    std::string curpaths;
    for (int i = 1; i <= 23; ++i) curpaths += (i == 17 ? std::string("Racer") : std::string()) + "\r\n";
    write("data/curpaths.ini", curpaths);
  }

  void level(int n, const std::string& brain, std::vector<ElementSpec> more = {}) {
    std::vector<ElementSpec> elements{ElementSpec{{}, brain}};
    for (ElementSpec& e : more) elements.push_back(e);
    write("projects/t/l" + std::to_string(n) + ".prj", testing_support::project_file(elements));
  }

  // The working list: the given entries switched on, entry k naming
  // projects/t/l(k+1).prj.
  void list(const std::vector<int>& on, const std::string& complete = "./images/anykey_.bmp") {
    std::string text;
    for (int i = 0; i < 500; ++i) {
      bool sw = false;
      for (int k : on) sw = sw || k == i;
      text += "./images/wait_.bmp|" + complete + "|./projects/t/l" + std::to_string(i + 1) + ".prj|" +
              (sw ? "1" : "0") + "\r\n";
    }
    write("data/multilev.ini", text);
  }

  // The editor builds the game with its X key; every box takes Enter.
  void build() {
    write("build-input.txt", "10 key 45\n");
    ASSERT_EQ(quill("--headless --input-script build-input.txt --messages build.jsonl"), 0);
    ASSERT_TRUE(exists("tarvoexe/tarvoexe.exe")) << read("build.jsonl");
  }

  // Plays the built game headless; answers the exit status.
  int play(const std::string& args = "") {
    const std::string cmd = "cd '" + dir + "tarvoexe' && exec timeout -k 5 " + std::to_string(timeout_seconds) +
                            " ./tarvoexe.exe --headless --ticks 60 --messages m.jsonl --dump d.json " + args +
                            " 2>&1 </dev/null";
    FILE* out = popen(cmd.c_str(), "r");
    if (!out) return -1;
    char buf[4096];
    last_output.clear();
    for (size_t n; (n = fread(buf, 1, sizeof buf, out)) > 0;) last_output.append(buf, n);
    const int rc = pclose(out);
    EXPECT_TRUE(WIFEXITED(rc)) << last_output;
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }

  std::vector<Message> messages(const std::string& name = "tarvoexe/m.jsonl") {
    std::vector<Message> out;
    std::string error;
    EXPECT_TRUE(testing_support::read_messages(dir + name, out, &error)) << error;
    return out;
  }

  int32_t global(int i) {
    const std::string g = read("tarvoexe/globvars.dat");
    if (g.size() != 8192) return -999999;
    int32_t v;
    std::memcpy(&v, g.data() + 4 * i, 4);
    return v;
  }

  std::vector<std::string> boxes() {
    std::vector<std::string> out;
    for (const Message& m : messages())
      if (m.kind == "box") out.push_back(m.text);
    return out;
  }
};

constexpr char kOnce[] = "var n\nn = n + 1\nif n = 1\n";

TEST_F(Game, ThreeLevelsCarryGlobalsToTheNextLevelAndTheNextRun) {
  level(1, std::string(kOnce) + "  global_set(2, global(1))\n  global_set(1, 7)\n  exit(2)\nendif");
  level(2, std::string(kOnce) + "  global_set(3, global(1) * 2)\n  exit(3)\nendif");
  level(3, "exit(-3)");
  list({0, 1, 2});
  build();
  for (const char* f : {"level001.prj", "level002.prj", "level003.prj", "level001.col", "multilev.ini", "run",
                        "font.fnt", "sinus.bin", "end_.bmp", "resume_.bmp", "wait_.bmp", "anykey_.bmp"})
    EXPECT_TRUE(exists(std::string("tarvoexe/") + f)) << f;
  const std::string level1 = read("tarvoexe/level001.prj");
  EXPECT_NE(level1.substr(0, 5), ";test");
  EXPECT_EQ(restored(level1).substr(0, 5), ";test");

  const std::string engine = read("tarvoexe/tarvoexe.exe");
  EXPECT_NE(engine.find("Racer" + std::string(27, ' ')), std::string::npos);
  EXPECT_EQ(engine.find("Quillomatics" + std::string(20, ' ')), std::string::npos);

  ASSERT_EQ(play(), 0) << last_output;
  // Every file the levels and the engine ask for is there and readable.
  for (const Message& m : messages()) ADD_FAILURE() << m.kind << ": " << m.text;
  EXPECT_EQ(global(1), 7);
  EXPECT_EQ(global(2), 0);
  EXPECT_EQ(global(3), 14);  // level 2 saw level 1's global
  const std::string tarvo = read("tarvoexe/tarvo.ini");
  core::LineReader settings(tarvo);
  for (int i = 1; i < 15; ++i) settings.next();
  EXPECT_EQ(settings.next(), "1");  // the display flag
  for (const char* left : {"temp.tmp", "tempx.x", "00000001.bra", "00000002.bra"})
    EXPECT_FALSE(exists(std::string("tarvoexe/") + left)) << left;

  ASSERT_EQ(play(), 0) << last_output;
  EXPECT_EQ(global(2), 7);  // the second run started with the first run's globals
}

TEST_F(Game, OnlyEntryFourBuiltGivesLevel004AndBarLines) {
  level(4, "exit(-3)");
  list({3});
  build();
  EXPECT_TRUE(exists("tarvoexe/level004.prj"));
  EXPECT_FALSE(exists("tarvoexe/level001.prj"));
  const std::string text = read("tarvoexe/multilev.ini");
  core::LineReader lines(text);
  for (int i = 0; i < 500; ++i) {
    const std::string_view line = lines.next();
    if (i == 3)
      EXPECT_EQ(line, "wait_.bmp|anykey_.bmp|");
    else
      EXPECT_EQ(line, "||") << "line " << i + 1;
  }
  // The game starts at level 1, which is not there.
  ASSERT_EQ(play(), 0) << last_output;
  EXPECT_EQ(boxes(), std::vector<std::string>{"Sub-project 001 not found, error!"});
}

TEST_F(Game, NoEncryptKeepsResourcesPlainAndSharedAspectsOneName) {
  write("noencrypt.txt", "");
  ElementSpec sprite{{{36, "5"}, {2, "./sprites/default_.pcx"}}, ""};
  level(1, "exit(-3)", {sprite, sprite});
  list({0}, "./images/black_.bmp");
  build();
  const std::string project = restored(read("tarvoexe/level001.prj"));
  ASSERT_EQ(project.substr(0, 5), ";test");
  core::LineReader lines(project);
  lines.next();
  lines.next();
  lines.next();
  const std::string a(core::field(lines.next(), 2)), b(core::field(lines.next(), 2));
  EXPECT_EQ(a, b);
  ASSERT_EQ(a.size(), 2u + 12u) << a;
  EXPECT_EQ(read("tarvoexe/" + a.substr(2)), read("sprites/default_.pcx"));
  EXPECT_EQ(read("tarvoexe/wait_.bmp"), read("images/wait_.bmp"));
  EXPECT_TRUE(exists("tarvoexe/noencrypt.txt"));
  ASSERT_EQ(play(), 0) << last_output;
  EXPECT_TRUE(boxes().empty());
}

TEST_F(Game, ResourcesAreProtectedAndPlayedRestored) {
  ElementSpec sprite{{{36, "5"}, {2, "./sprites/default_.pcx"}}, ""};
  level(1, "exit(-3)", {sprite});
  list({0}, "./images/black_.bmp");
  build();
  const std::string name = first_record_field(restored(read("tarvoexe/level001.prj")), 2);
  ASSERT_EQ(name.size(), 14u) << name;
  const std::string copy = read("tarvoexe/" + name.substr(2));
  ASSERT_FALSE(copy.empty());
  EXPECT_NE(copy, read("sprites/default_.pcx"));
  EXPECT_EQ(restored(copy), read("sprites/default_.pcx"));
  ASSERT_EQ(play(), 0) << last_output;
  // The sprite's image was readable: no warning names it.
  for (const Message& m : messages()) EXPECT_EQ(m.text.find(name.substr(2)), std::string::npos) << m.text;
}

TEST_F(Game, BoundaryGroundCacheGoesAlong) {
  write("3dsfiles/ground.3ds", "a model");
  write("3dsfiles/ground.m3d", "the cache the tools made");
  level(1, "exit(-3)", {ElementSpec{{{36, "12"}, {2, "./3dsfiles/ground.3ds"}}, ""}});
  list({0}, "./images/black_.bmp");
  build();
  const std::string name = first_record_field(restored(read("tarvoexe/level001.prj")), 2);
  ASSERT_EQ(name.size(), 14u) << name;
  const std::string cache = "tarvoexe/" + name.substr(2, 9) + "m3d";
  ASSERT_TRUE(exists(cache)) << cache;
  EXPECT_EQ(restored(read(cache)), "the cache the tools made");
}

TEST_F(Game, ExitZeroEndsQuietlyWithTheEndImage) {
  level(1, "exit(0)");
  list({0}, "./images/black_.bmp");
  build();
  ASSERT_EQ(play("--screenshot s.png"), 0) << last_output;
  EXPECT_TRUE(boxes().empty());
  int w = 0, h = 0;
  std::vector<uint8_t> rgba;
  ASSERT_TRUE(testing_support::read_png(read("tarvoexe/s.png"), w, h, rgba));
  // The end image's checker, (120, 40, 40) and (40, 10, 10), in squares of
  // an eighth of the frame: the middle of the first square.
  const uint8_t* p = rgba.data() + (static_cast<size_t>(h / 16) * w + w / 16) * 4;
  const bool light = std::abs(p[0] - 120) <= 8 && std::abs(p[1] - 40) <= 8;
  const bool dark = std::abs(p[0] - 40) <= 8 && std::abs(p[1] - 10) <= 8;
  EXPECT_TRUE(light || dark) << int(p[0]) << "," << int(p[1]) << "," << int(p[2]);
}

TEST_F(Game, ExitToAMissingLevelSaysSo) {
  level(1, "exit(7)");
  list({0}, "./images/black_.bmp");
  build();
  ASSERT_EQ(play(), 0) << last_output;
  const std::vector<std::string> b = boxes();
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0], "Sub-project 007 not found, error!");
}

TEST_F(Game, DamagedLevelEndsTheGameWithAMessage) {
  level(1, "exit(-3)");
  list({0}, "./images/black_.bmp");
  build();
  write("tarvoexe/level001.prj", std::string("\x01\x02garbage that is no project at all\xFF", 36));
  ASSERT_EQ(play(), 0) << last_output;
  bool said = false;
  for (const std::string& t : boxes()) said = said || t.find("level001.prj") != std::string::npos;
  EXPECT_TRUE(said) << read("tarvoexe/m.jsonl");
}

TEST_F(Game, SaveThenResumeRestoresTheSavedStateWithFreshBrains) {
  level(1,
        "var n\n"
        "n = n + 1\n"
        "if n = 1\n"
        "  if global(9) = 1\n"
        "    global_set(9, 2)\n"
        "    resume()\n"
        "  endif\n"
        "endif\n"
        "if n = 5\n"
        "  if global(9) = 0\n"
        "    global_set(9, 1)\n"
        "    save()\n"
        "    exit(-3)\n"
        "  endif\n"
        "endif\n"
        "if n > 5\n"
        "  if global(10) = 0\n"
        "    global_set(10, n)\n"
        "  endif\n"
        "  exit(-3)\n"
        "endif");
  list({0}, "./images/black_.bmp");
  build();
  ASSERT_EQ(play(), 0) << last_output;
  ASSERT_TRUE(exists("tarvoexe/curr0.dat"));
  EXPECT_EQ(read("tarvoexe/curr0.dat").size(), 270344u);
  EXPECT_EQ(global(9), 1);

  ASSERT_EQ(play(), 0) << last_output;
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(global(9), 1);   // the saved globals, not the 2 this run set before resuming
  EXPECT_EQ(global(10), 6);  // the saved counter went on
  testing_support::Dump d = testing_support::Dump::read(dir + "tarvoexe/d.json");
  ASSERT_TRUE(d.ok()) << d.error();
  EXPECT_GE(d.value("tick_count").value_or(0), 10000);
}

// An element's sound is copied protected and heard in the game; a plain
// WAV file put into the game's folder by hand still loads as an extra sound.
TEST_F(Game, ProtectedElementSoundsAndPlainExtraSoundsPlay) {
  write("sounds/tone.wav", testing_support::tone_wav(11025, 441, 3.0));
  ElementSpec tone{{{3, "./sounds/tone.wav"}}, ""};
  level(1, std::string(kOnce) + "  global_set(5, esound_load(\"plain.wav\") + 10)\nendif", {tone});
  list({0}, "./images/black_.bmp");
  build();
  const std::string name = first_record_field(restored(read("tarvoexe/level001.prj")), 3);
  ASSERT_EQ(name.size(), 14u) << name;
  const std::string copy = read("tarvoexe/" + name.substr(2));
  EXPECT_NE(copy.substr(0, 4), "RIFF");
  EXPECT_EQ(restored(copy), read("sounds/tone.wav"));
  write("tarvoexe/plain.wav", testing_support::tone_wav(11025, 220, 0.5));

  ASSERT_EQ(play("--record-audio a.wav"), 0) << last_output;
  for (const Message& m : messages()) ADD_FAILURE() << m.kind << ": " << m.text;
  EXPECT_EQ(global(5), 10);  // the first extra sound slot
  EXPECT_FALSE(exists("tarvoexe/temp.tmp"));
  testing_support::Recording r;
  ASSERT_TRUE(testing_support::read_recording(read("tarvoexe/a.wav"), r));
  EXPECT_GT(testing_support::rms(r.audio, 0, r.rate / 5, r.rate * 3 / 2), 0.1);
  EXPECT_NEAR(testing_support::crossing_hertz(r.audio, 0, r.rate / 5, r.rate * 3 / 2), 441, 5);
}

// A level's loading image with a video of the same base name shows the
// video instead; a video that does not decode is skipped with a warning.
TEST_F(Game, CutScenesPlayAndBrokenOnesAreSkipped) {
  const std::string sample = std::string(QUILL_TESTDATA) + "/avi/fate_skating.avi";
  if (!core::file_exists(sample)) GTEST_SKIP() << "no sample " << sample;
  std::string video;
  ASSERT_TRUE(core::read_file(sample, video));
  write("images/wait_.avi", video);
  level(1, std::string(kOnce) + "  global_set(4, 44)\n  exit(-3)\nendif");
  list({0});
  build();
  ASSERT_EQ(read("tarvoexe/wait_.avi"), video);
  ASSERT_EQ(play(), 0) << last_output;
  EXPECT_EQ(global(4), 44);
  for (const Message& m : messages()) EXPECT_EQ(m.text.find("wait_.avi"), std::string::npos) << m.text;

  write("tarvoexe/wait_.avi", video.substr(0, 600));
  write("tarvoexe/globvars.dat", std::string(8192, '\0'));
  ASSERT_EQ(play(), 0) << last_output;
  EXPECT_EQ(global(4), 44);
  bool warned = false;
  for (const Message& m : messages()) warned = warned || m.text.find("wait_.avi") != std::string::npos;
  EXPECT_TRUE(warned);
}

// A video with sound started by play_task is heard through the sound
// system while the run goes on; the same run without the video is silent.
TEST_F(Game, ACutSceneWithSoundIsHeard) {
  const std::string sample = std::string(QUILL_TESTDATA) + "/avi/fate_2004-12-17-uebung9-partial.avi";
  if (!core::file_exists(sample)) GTEST_SKIP() << "no sample " << sample;
  std::string video;
  ASSERT_TRUE(core::read_file(sample, video));
  write("clip.avi", video);
  const auto loudness = [&](const std::string& clip) {
    level(1, std::string("var s\nvar n\nn = n + 1\nif n = 1\n  play_task(\"") + clip +
                 "\")\nendif\ns = play_task_status()\n");
    write("runmode.ini", "projects/t/l1.prj\r\n1\r\n0\r\n0\r\n0\r\n");
    EXPECT_EQ(quill("--headless --ticks 90 --record-audio cut.wav --messages m.jsonl"), 0) << last_output;
    testing_support::Recording r;
    EXPECT_TRUE(testing_support::read_recording(read("cut.wav"), r));
    return testing_support::rms(r.audio, 0, r.rate / 2, r.rate * 5 / 2);
  };
  EXPECT_EQ(loudness("missing.avi"), 0.0);
  EXPECT_GT(loudness("clip.avi"), 1e-4);
  EXPECT_EQ(read("m.jsonl").find("clip.avi"), std::string::npos) << read("m.jsonl");
}

TEST(QuillBinary, HoldsOneClassTextAndNoEditorStripMarker) {
  std::string image;
  ASSERT_TRUE(core::read_file(QUILL_BINARY, image, size_t{1} << 30));
  const std::string marker("\x40\x48\x83\xC0\x03\x83\xE8\x03", 8);
  EXPECT_EQ(image.find(marker), std::string::npos);
  const std::string name = "Quillomatics" + std::string(20, ' ');
  const size_t first = image.find(name);
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(image.find(name, first + 1), std::string::npos);
}

}  // namespace
