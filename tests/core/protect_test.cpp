#include "core/protect.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <stdexcept>

#include "core/files.h"
#include "core/state.h"
#include "support/temp_folder.h"

namespace {

uint32_t word_at(const std::string& s, size_t at) {
  uint32_t w;
  std::memcpy(&w, s.data() + at, 4);
  return w;
}

// The process-wide flags the transform reads, put back after each test.
class Protection : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_program_ = core::state().folders.program;
    saved_stand_alone_ = core::state().stand_alone;
    saved_no_encryption_ = core::state().no_encryption;
    core::state().folders.program = folder;
  }
  void TearDown() override {
    core::state().folders.program = saved_program_;
    core::state().stand_alone = saved_stand_alone_;
    core::state().no_encryption = saved_no_encryption_;
  }
  void player(bool on, bool no_encryption = false) {
    core::state().stand_alone = on ? 1 : 0;
    core::state().no_encryption = no_encryption;
  }

  std::string folder = testing_support::temp_folder("quill-protect");

 private:
  std::string saved_program_;
  int32_t saved_stand_alone_ = 0;
  bool saved_no_encryption_ = false;
};

TEST_F(Protection, WholeWordsAreRotatedAndTheTailIsKept) {
  std::string ten = "ABCDEFGHIJ";
  core::protect_text(ten);
  EXPECT_EQ(ten.substr(8), "IJ");
  EXPECT_EQ(word_at(ten, 0), std::rotl(word_at("ABCD", 0) ^ core::kProtectKey, 13));
  EXPECT_EQ(word_at(ten, 4), std::rotl(word_at("EFGH", 0) ^ core::kProtectKey, 13));
  core::unprotect_text(ten);
  EXPECT_EQ(ten, "ABCDEFGHIJ");

  std::string zero(4, '\0');
  core::protect_text(zero);
  EXPECT_EQ(word_at(zero, 0), std::rotl(0x3B71D29Eu, 13));
  for (const char* small : {"", "a", "ab", "abc"}) {
    std::string s = small;
    core::protect_text(s);
    EXPECT_EQ(s, small);
  }
}

TEST_F(Protection, RoundTripOverEveryByteValueAndOddLengths) {
  std::string bytes;
  for (int i = 0; i < 1027; ++i) bytes += static_cast<char>(i * 37 + 11);
  for (size_t n : {size_t(4), size_t(5), size_t(1024), size_t(1027)}) {
    std::string s = bytes.substr(0, n);
    core::protect_text(s);
    EXPECT_NE(s.substr(0, 4), bytes.substr(0, 4));
    core::unprotect_text(s);
    EXPECT_EQ(s, bytes.substr(0, n));
  }
}

TEST_F(Protection, NoEncryptionKeepsEverythingButProjectsPlain) {
  player(false, true);
  EXPECT_TRUE(core::transforms("x/level001.prj"));
  EXPECT_TRUE(core::transforms("x/LEVEL001.PRJ"));
  EXPECT_FALSE(core::transforms("x/1234ABCD.dat"));
  EXPECT_FALSE(core::transforms("x/car.x"));
  player(false, false);
  EXPECT_TRUE(core::transforms("x/1234ABCD.dat"));

  ASSERT_TRUE(core::write_file_atomic(folder + "image.bmp", "BM-plain-image"));
  ASSERT_TRUE(core::write_file_atomic(folder + "p.prj", ";project\r\n"));
  player(false, true);
  ASSERT_TRUE(core::protected_copy(folder + "image.bmp", folder + "out.dat"));
  ASSERT_TRUE(core::protected_copy(folder + "p.prj", folder + "out.prj"));
  std::string got;
  core::read_file(folder + "out.dat", got);
  EXPECT_EQ(got, "BM-plain-image");
  core::read_file(folder + "out.prj", got);
  EXPECT_NE(got, ";project\r\n");
  // A level restored into a name that is not a ".prj" is restored all the same.
  ASSERT_TRUE(core::unprotected_copy(folder + "out.prj", folder + "temp.tmp"));
  core::read_file(folder + "temp.tmp", got);
  EXPECT_EQ(got, ";project\r\n");
}

TEST_F(Protection, CopyOntoItselfTransformsInPlace) {
  ASSERT_TRUE(core::write_file_atomic(folder + "same.prj", "0123456789"));
  ASSERT_TRUE(core::protected_copy(folder + "same.prj", folder + "same.prj"));
  std::string got;
  core::read_file(folder + "same.prj", got);
  std::string expected = "0123456789";
  core::protect_text(expected);
  EXPECT_EQ(got, expected);
  EXPECT_FALSE(core::protected_copy(folder + "missing.bmp", folder + "m.dat"));
  EXPECT_FALSE(core::file_exists(folder + "m.dat"));
}

TEST_F(Protection, ResourcesReadRestoredOnlyInTheGame) {
  std::string image = "BM and the rest of an image";
  std::string stored = image;
  core::protect_text(stored);
  ASSERT_TRUE(core::write_file_atomic(folder + "1234ABCD.dat", stored));
  ASSERT_TRUE(core::write_file_atomic(folder + "end_.bmp", image));
  ASSERT_TRUE(core::write_file_atomic(folder + "panels.pcx", image));

  std::string got;
  player(false);
  ASSERT_TRUE(core::read_resource(folder + "1234ABCD.dat", got));
  EXPECT_EQ(got, stored);

  player(true);
  ASSERT_TRUE(core::read_resource(folder + "1234ABCD.dat", got));
  EXPECT_EQ(got, image);
  ASSERT_TRUE(core::read_resource(folder + "end_.bmp", got));  // copied plainly by the build
  EXPECT_EQ(got, image);
  ASSERT_TRUE(core::read_resource(folder + "panels.pcx", got));
  EXPECT_EQ(got, image);

  char head[9] = {};
  EXPECT_EQ(core::read_resource_into(folder + "1234ABCD.dat", head, 8), 8u);
  EXPECT_EQ(std::string(head), image.substr(0, 8));
  EXPECT_EQ(core::read_resource_into(folder + "missing.dat", head, 8), 0u);

  player(true, true);  // noencrypt.txt: resources are plain
  ASSERT_TRUE(core::read_resource(folder + "1234ABCD.dat", got));
  EXPECT_EQ(got, stored);
}

TEST_F(Protection, RestoredFileIsRemovedOnEveryPath) {
  std::string x = "xof 0303txt 0032 a model";
  std::string stored = x;
  core::protect_text(stored);
  ASSERT_TRUE(core::write_file_atomic(folder + "car.x", stored));

  player(false);
  {
    const core::RestoredFile f(folder + "car.x", core::kRestoredX);
    EXPECT_EQ(f.path(), folder + "car.x");
  }
  player(true);
  {
    const core::RestoredFile f(folder + "car.x", core::kRestoredX);
    EXPECT_EQ(f.path(), folder + "tempx.x");
    std::string got;
    core::read_file(f.path(), got);
    EXPECT_EQ(got, x);
  }
  EXPECT_FALSE(core::file_exists(folder + "tempx.x"));
  try {
    const core::RestoredFile f(folder + "car.x", core::kRestoredX);
    EXPECT_TRUE(core::file_exists(folder + "tempx.x"));
    throw std::runtime_error("a loader gave up");
  } catch (const std::runtime_error&) {
  }
  EXPECT_FALSE(core::file_exists(folder + "tempx.x"));
  {
    const core::RestoredFile f(folder + "missing.x", core::kRestoredX);
    EXPECT_EQ(f.path(), folder + "missing.x");
  }
}

}  // namespace
