// The pieces of a build: derived names, the window name of the engine copy,
// the editor strip, the multi-project list files, and the list editor's
// row names and help line.
#include <gtest/gtest.h>

#include "core/files.h"
#include "core/state.h"
#include "core/text.h"
#include "standalone/build.h"
#include "standalone/editor.h"
#include "standalone/engine_copy.h"
#include "standalone/multilist.h"
#include "support/temp_folder.h"

namespace {

TEST(DerivedNames, HashOfTheLowerCasedPath) {
  EXPECT_EQ(standalone::text_hash(""), 0u);
  EXPECT_EQ(standalone::text_hash("a"), 97u);
  EXPECT_EQ(standalone::text_hash("ab"), 97u * 31 + 98);
  // Bytes above 127 count as negative values.
  EXPECT_EQ(standalone::text_hash("\xE9"), static_cast<uint32_t>(-23));
  EXPECT_EQ(standalone::derived_name("/p/sprites/Ball.PCX"), standalone::derived_name("/p/sprites/ball.pcx"));
  EXPECT_EQ(standalone::derived_name("/p/a\tb.pcx"), standalone::derived_name("/p/a b.pcx"));
  EXPECT_NE(standalone::derived_name("/p/a.pcx"), standalone::derived_name("/p/b.pcx"));
  EXPECT_EQ(standalone::derived_name("/p/sprites/ball.pcx"),
            core::hex8(standalone::text_hash("/p/sprites/ball.pcx")) + ".dat");
  EXPECT_EQ(standalone::derived_name("/p/sounds/NULL_.wav"), "null_.wav");
}

TEST(EngineCopy, WindowNamePaddedOrCut) {
  EXPECT_EQ(standalone::window_name("Racer"), "Racer" + std::string(27, ' '));
  const std::string forty = "0123456789012345678901234567890123456789";
  EXPECT_EQ(standalone::window_name(forty), forty.substr(0, 32));

  std::string image = "head" + std::string(core::kClassText) + "middle" + std::string(core::kClassText) + "tail";
  EXPECT_EQ(standalone::patch_window_name(image, "Racer"), 2);
  const std::string racer = "Racer" + std::string(27, ' ');
  EXPECT_EQ(image, "head" + racer + "middle" + racer + "tail");
  EXPECT_EQ(standalone::patch_window_name(image, "Other"), 0);
}

TEST(EngineCopy, EditorStripZeroesBetweenMarkers) {
  const std::string m = standalone::strip_marker();
  ASSERT_EQ(m, std::string("\x40\x48\x83\xC0\x03\x83\xE8\x03", 8));
  std::string image = "ab" + m + "editor" + m + "cd";
  ASSERT_TRUE(standalone::strip_editor(image));
  EXPECT_EQ(image, "ab" + std::string(1, '\x40') + std::string(7 + 6, '\0') + m + "cd");

  std::string open_ended = "x" + m + "rest";
  ASSERT_TRUE(standalone::strip_editor(open_ended));
  EXPECT_EQ(open_ended, "x\x40" + std::string(7 + 4, '\0'));
  std::string none = "no marker here";
  EXPECT_FALSE(standalone::strip_editor(none));
  EXPECT_EQ(none, "no marker here");
}

class ListFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = core::state().folders.program;
    core::state().folders.program = folder;
  }
  void TearDown() override { core::state().folders.program = saved_; }
  std::string folder = testing_support::temp_folder("quill-lists");

 private:
  std::string saved_;
};

TEST_F(ListFiles, DefaultsWhenTheFileIsMissing) {
  standalone::MultiList l;
  EXPECT_FALSE(standalone::read_list(folder + "missing.mlv", l));
  EXPECT_EQ(l[0],
            folder + "images/wait_.bmp|" + folder + "images/anykey_.bmp|" + folder + "projects/myprj/default_.prj|1");
  EXPECT_EQ(l[499], standalone::default_entry());
  EXPECT_TRUE(standalone::entry_on(l, 0));
  EXPECT_FALSE(standalone::entry_on(l, 1));
  EXPECT_FALSE(standalone::entry_on(l, 500));
}

TEST_F(ListFiles, ProgramFolderIsWrittenAsDotSlash) {
  standalone::MultiList l = standalone::default_list();
  l[7] = folder + "images/a.bmp|" + folder + "images/b.bmp|" + folder + "projects/x/y.prj|1|extra";
  ASSERT_TRUE(standalone::write_list(folder + "multilev/one.mlv", l));
  std::string text;
  core::read_file(folder + "multilev/one.mlv", text);
  EXPECT_EQ(text.find(folder), std::string::npos);
  core::LineReader lines(text);
  for (int i = 0; i < 7; ++i) lines.next();
  EXPECT_EQ(lines.next(), "./images/a.bmp|./images/b.bmp|./projects/x/y.prj|1|extra");

  standalone::MultiList back;
  ASSERT_TRUE(standalone::read_list(folder + "multilev/one.mlv", back));
  EXPECT_EQ(back, l);
}

TEST_F(ListFiles, BackslashesAndShortFiles) {
  ASSERT_TRUE(core::write_file_atomic(folder + "short.mlv", ".\\images\\a.bmp|x|.\\p.prj|1\r\n"));
  standalone::MultiList l;
  ASSERT_TRUE(standalone::read_list(folder + "short.mlv", l));
  EXPECT_EQ(l[0], folder + "images/a.bmp|x|" + folder + "p.prj|1");
  EXPECT_EQ(l[1], standalone::default_entry());
}

TEST_F(ListFiles, SwitchAndOutputList) {
  standalone::MultiList l = standalone::default_list();
  standalone::switch_entry(l, 0);
  EXPECT_FALSE(standalone::entry_on(l, 0));
  l[3] = folder + "images/load.bmp|" + folder + "images/done.bmp|" + folder + "projects/x/y.prj|0|more";
  standalone::switch_entry(l, 3);
  EXPECT_TRUE(standalone::entry_on(l, 3));
  standalone::switch_entry(l, -1);
  standalone::switch_entry(l, 500);

  const std::string text = standalone::output_list(l);
  core::LineReader lines(text);
  for (int i = 0; i < standalone::kListEntries; ++i) {
    const std::string_view line = lines.next();
    if (i == 3)
      EXPECT_EQ(line, "load.bmp|done.bmp|more");
    else
      EXPECT_EQ(line, "||") << "line " << i + 1;
  }
  EXPECT_EQ(lines.next(), "");
  EXPECT_TRUE(lines.at_end());
  EXPECT_EQ(standalone::level_digits(0), "001");
  EXPECT_EQ(standalone::level_digits(3), "004");
  EXPECT_EQ(standalone::level_digits(499), "500");
}

TEST(ListEditor, RowNamesAndTheHelpLineByColumn) {
  EXPECT_EQ(standalone::row_name("/p/images/loading_screen.bmp"), "loading_");
  EXPECT_EQ(standalone::row_name("/p/images/a.bmp"), "a");
  EXPECT_EQ(standalone::row_name("abc"), "");
  EXPECT_EQ(standalone::row_name(""), "");
  EXPECT_EQ(standalone::editor_help(100, -1), "SELF-EXECUTABLE EDITOR");
  EXPECT_EQ(standalone::editor_help(63, 5), "SELF-EXECUTABLE EDITOR");
  EXPECT_EQ(standalone::editor_help(64, 5), "Select image to use as 'loading' message");
  EXPECT_EQ(standalone::editor_help(160, 5), "Select image to use as 'load complete' message (default_ = skip)");
  EXPECT_EQ(standalone::editor_help(256, 0), "Select the project to compile as entry point");
  EXPECT_EQ(standalone::editor_help(351, 9), "Select the project to compile as sub-project 010");
  EXPECT_EQ(standalone::editor_help(399, 9), "Switch project compilation On/Off");
  EXPECT_EQ(standalone::editor_help(400, 9), "SELF-EXECUTABLE EDITOR");
}

}  // namespace
