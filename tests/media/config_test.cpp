#include <gtest/gtest.h>

#include <cstdlib>

#include "core/files.h"
#include "core/profile.h"
#include "media/config.h"
#include "support/temp_folder.h"

namespace {

std::string temp_file() { return testing_support::temp_folder("quill-config") + "config.ini"; }

TEST(Config, MissingFileGivesDefaults) {
  media::EngineSettings s = media::read_config("/nonexistent/config.ini");
  EXPECT_EQ(s.available_rendering_devices, 3);
  EXPECT_EQ(s.rendering_device, 1);
  EXPECT_EQ(s.display_mode, 1);
  EXPECT_EQ(s.filtering, 3);
  EXPECT_EQ(s.legal_display_modes, 63);
}

TEST(Config, RoundTripKeepsForeignLines) {
  std::string path = temp_file();
  ASSERT_TRUE(core::write_file_atomic(path, "[Mine]\r\nx=1\r\n"));
  media::EngineSettings s;
  s.display_mode = 8;
  s.sound = 3;
  s.filtering = 5;
  ASSERT_TRUE(media::write_config(path, s));
  media::EngineSettings back = media::read_config(path);
  EXPECT_EQ(back.display_mode, 8);
  EXPECT_EQ(back.sound, 3);
  EXPECT_EQ(back.filtering, 5);
  std::string text;
  ASSERT_TRUE(core::read_file(path, text));
  EXPECT_EQ(core::profile_get(text, "mine", "X"), "1");
  EXPECT_EQ(core::profile_get(text, "Engine Settings", "LegalDisplayModes"), "3F0000003F");
}

TEST(Config, BadValuesKeepDefaultsAndNormalise) {
  std::string path = temp_file();
  ASSERT_TRUE(core::write_file_atomic(path,
                                      "[User-Modifiable Engine Settings]\r\nFiltering=0500000006\r\n"
                                      "DisplayMode=0800000008\r\nSound=garbage\r\n"
                                      "[Engine Settings]\r\nLegalDisplayModes=0300000003\r\n"));
  media::EngineSettings s = media::read_config(path);
  EXPECT_EQ(s.filtering, 3);     // wrong checksum
  EXPECT_EQ(s.sound, 1);         // malformed
  EXPECT_EQ(s.display_mode, 1);  // 8 is not legal under 3
  EXPECT_EQ(s.available_display_modes, 3);
  ASSERT_TRUE(core::write_file_atomic(path, "[engine settings]\r\nlegaldisplaymodes=0000000000\r\n"));
  s = media::read_config(path);
  EXPECT_EQ(s.legal_display_modes, 1);
  EXPECT_EQ(s.available_display_modes, 1);
}

TEST(Config, UnreadableFileGivesDefaults) {
  std::string path = temp_file();
  ASSERT_TRUE(core::make_folders(path));  // a folder where the file should be
  EXPECT_EQ(media::read_config(path).display_mode, 1);
  EXPECT_FALSE(media::write_config(path, media::EngineSettings{}));
}

TEST(Config, DisplayModeHalvesUntilAvailable) {
  EXPECT_EQ(media::choose_display_mode(32, 63), 32);
  EXPECT_EQ(media::choose_display_mode(32, 15), 8);
  EXPECT_EQ(media::choose_display_mode(32, 1), 1);
  EXPECT_EQ(media::choose_display_mode(2, 4), 4);  // nothing below: the lowest available
  EXPECT_EQ(media::choose_display_mode(2, 0), 1);
}

}  // namespace
