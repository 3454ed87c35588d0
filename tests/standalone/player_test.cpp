// The player's pieces that need no window: save files, the list lines of a
// level and the size of a cut-scene from its name.
#include <gtest/gtest.h>

#include <cstring>

#include "brain/state.h"
#include "core/element_state.h"
#include "core/files.h"
#include "core/state.h"
#include "standalone/builtins.h"
#include "standalone/player.h"
#include "standalone/save_file.h"
#include "support/builtin_call.h"
#include "support/temp_folder.h"

namespace {

class SaveFiles : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(core::init_memory()); }
  void TearDown() override {
    std::memset(core::element_states(), 0, standalone::kSaveStatesBytes);
    std::memset(core::state().pools.globals.bytes(), 0, standalone::kSaveGlobalsBytes);
  }
  int32_t* globals() { return core::state().pools.globals.as<int32_t>(); }
};

TEST_F(SaveFiles, LayoutAndRestoreKeepFreshBrainEntries) {
  core::element_state(0)->w[3] = 111;
  core::element_state(255)->w[255] = -5;
  core::element_state(7)->w[core::kBrainEntry] = 0x1234;
  globals()[0] = 9;
  globals()[2047] = 77;
  const std::string saved = standalone::save_image(3, 12);
  ASSERT_EQ(saved.size(), standalone::kSaveBytes);
  ASSERT_EQ(standalone::kSaveGlobalsAt, 262152u);
  int32_t level = 0, hearer = 0;
  ASSERT_TRUE(standalone::save_header(saved, level, hearer));
  EXPECT_EQ(level, 3);
  EXPECT_EQ(hearer, 12);
  int32_t word = 0;
  std::memcpy(&word, saved.data() + standalone::kSaveStatesAt + 3 * 4, 4);
  EXPECT_EQ(word, 111);
  std::memcpy(&word, saved.data() + standalone::kSaveGlobalsAt + 2047 * 4, 4);
  EXPECT_EQ(word, 77);

  // A fresh level: other states, other brains.
  std::memset(core::element_states(), 0, standalone::kSaveStatesBytes);
  std::memset(globals(), 0, standalone::kSaveGlobalsBytes);
  core::element_state(7)->w[core::kBrainEntry] = 0x5678;
  ASSERT_TRUE(standalone::apply_save(saved));
  EXPECT_EQ(core::element_state(0)->w[3], 111);
  EXPECT_EQ(core::element_state(255)->w[255], -5);
  EXPECT_EQ(core::element_state(7)->w[core::kBrainEntry], 0x5678);
  EXPECT_EQ(globals()[0], 9);
  EXPECT_EQ(globals()[2047], 77);
}

TEST_F(SaveFiles, ShortFilesChangeNothing) {
  const std::string saved = standalone::save_image(2, 0);
  core::element_state(1)->w[4] = 42;
  globals()[5] = 6;
  for (size_t n : {size_t(0), size_t(3), size_t(8), standalone::kSaveBytes - 1}) {
    int32_t level = -9, hearer = -9;
    EXPECT_FALSE(standalone::save_header(std::string_view(saved).substr(0, n), level, hearer));
    EXPECT_EQ(level, -9);
    EXPECT_FALSE(standalone::apply_save(std::string_view(saved).substr(0, n)));
    EXPECT_EQ(core::element_state(1)->w[4], 42);
    EXPECT_EQ(globals()[5], 6);
  }
}

class Levels : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = core::state().folders.program;
    core::state().folders.program = folder;
  }
  void TearDown() override { core::state().folders.program = saved_; }
  std::string folder = testing_support::temp_folder("quill-levels");

 private:
  std::string saved_;
};

TEST_F(Levels, PathsAndListLines) {
  EXPECT_EQ(standalone::level_path(1), folder + "level001.prj");
  EXPECT_EQ(standalone::level_path(42), folder + "level042.prj");
  EXPECT_EQ(standalone::save_path(0), folder + "curr0.dat");
  EXPECT_EQ(standalone::save_path(12), folder + "curr12.dat");

  std::string loading, complete;
  standalone::level_images(1, loading, complete);  // no multilev.ini
  EXPECT_EQ(loading, folder);
  EXPECT_EQ(complete, folder);
  ASSERT_TRUE(core::write_file_atomic(folder + "multilev.ini", "a.bmp|b.bmp|x\r\n||\r\nc.bmp|black_.bmp|\r\n"));
  standalone::level_images(1, loading, complete);
  EXPECT_EQ(loading, folder + "a.bmp");
  EXPECT_EQ(complete, folder + "b.bmp");
  standalone::level_images(3, loading, complete);
  EXPECT_EQ(loading, folder + "c.bmp");
  EXPECT_EQ(complete, folder + "black_.bmp");
  ASSERT_TRUE(core::write_file_atomic(folder + "multilev.ini", "../../up.bmp|sub\\in.bmp|\r\n"));
  standalone::level_images(1, loading, complete);
  EXPECT_EQ(loading, folder + "up.bmp");
  EXPECT_EQ(complete, folder + "in.bmp");
  for (int32_t level : {2, 4, 0, -4}) {
    standalone::level_images(level, loading, complete);
    EXPECT_EQ(loading, folder) << level;
    EXPECT_EQ(complete, folder) << level;
  }
}

TEST(Cutscenes, SizeFromTheName) {
  int32_t w = -1, h = -1;
  standalone::cutscene_size("/g/intro_320x240.avi", w, h);
  EXPECT_EQ(w, 320);
  EXPECT_EQ(h, 240);
  standalone::cutscene_size("/g/intro.avi", w, h);
  EXPECT_EQ(w, 0);
  standalone::cutscene_size("/g/intro_0x240.avi", w, h);
  EXPECT_EQ(w, 0);
  EXPECT_EQ(h, 0);
  standalone::cutscene_size("/g/a_b_320x.avi", w, h);
  EXPECT_EQ(w, 0);
  standalone::cutscene_size("/my_dir/intro.avi", w, h);
  EXPECT_EQ(w, 0);
}

}  // namespace

namespace {

// The save and resume rows act only in a built game.
class PlayerRows : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(core::init_memory());
    standalone::bind_builtins();
    saved_program_ = core::state().folders.program;
    core::state().folders.program = folder;
    brain::state().general.exit_code = &exit_code;
  }
  void TearDown() override {
    core::state().folders.program = saved_program_;
    core::state().stand_alone = 0;
    brain::state().general.exit_code = nullptr;
  }
  std::string folder = testing_support::temp_folder("quill-rows");
  int32_t exit_code = -1;

 private:
  std::string saved_program_;
};

TEST_F(PlayerRows, OutsideTheGameTheyDoNothing) {
  core::state().stand_alone = 0;
  testing_support::call("save");
  testing_support::call("save_x", 3);
  EXPECT_FALSE(core::file_exists(folder + "curr0.dat"));
  EXPECT_FALSE(core::file_exists(folder + "curr3.dat"));
  ASSERT_TRUE(core::write_file_atomic(folder + "curr0.dat", "x"));
  testing_support::call("resume");
  testing_support::call("reset");
  EXPECT_EQ(exit_code, -1);
}

TEST_F(PlayerRows, SaveWritesTheLayoutAndResumeNeedsTheFile) {
  core::state().stand_alone = 1;
  standalone::player().level = 4;
  testing_support::call("save_x", 12);
  std::string saved;
  ASSERT_TRUE(core::read_file(folder + "curr12.dat", saved));
  int32_t level = 0, hearer = -1;
  ASSERT_TRUE(standalone::save_header(saved, level, hearer));
  EXPECT_EQ(level, 4);
  EXPECT_EQ(hearer, 0);

  testing_support::call("resume_x", 5);  // no curr5.dat
  EXPECT_EQ(exit_code, -1);
  testing_support::call("resume_x", 12);
  EXPECT_EQ(exit_code, standalone::kExitResume);
  EXPECT_EQ(standalone::player().slot, 12);
}

}  // namespace
