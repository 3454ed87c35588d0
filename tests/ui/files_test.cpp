// Folder listings, paths and drive letters, and the two file selectors
// driven by scripted input.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/files.h"
#include "shell/defaults.h"
#include "support/temp_folder.h"
#include "ui/files.h"
#include "ui_fixture.h"

namespace {

using ui::FileList;
using ui_testing::Ui;

class Files : public Ui {
 protected:
  void SetUp() override {
    Ui::SetUp();
    saved_program_ = core::state().folders.program;
    saved_data_ = core::state().folders.data;
    core::state().folders.program = dir;
    core::state().folders.data = dir + "data/";
    core::make_folders(dir + "data");
  }
  void TearDown() override {
    core::state().folders.program = saved_program_;
    core::state().folders.data = saved_data_;
  }
  // A plain write: the folders of many files are made quickly.
  void file(const std::string& name, size_t bytes = 1) {
    core::make_folders(core::folder_of(dir + name));
    std::FILE* f = std::fopen((dir + name).c_str(), "wb");
    ASSERT_NE(f, nullptr) << name;
    const std::string content(bytes, 'x');
    std::fwrite(content.data(), 1, content.size(), f);
    std::fclose(f);
  }
  // A small bitmap for the picture selector.
  void picture(const std::string& name, uint8_t shade) {
    std::vector<unsigned char> px(16 * 12, 1), rgb(768, 0);
    rgb[3] = shade;
    rgb[4] = 255 - shade;
    core::make_folders(core::folder_of(dir + name));
    ASSERT_TRUE(core::write_file_atomic(dir + name, shell::encode_bmp8(16, 12, px.data(), rgb.data())));
  }

  testing_support::TempFolder folder_{"quill-ui-files"};
  const std::string dir = folder_.path();

  // The list selector's rows with the block font: average character 8,
  // half font height 6, the box 400 wide from x 120, the list from y 132 in
  // rows 12 high; the scroll column from x 510; the ".." button at x 106.
  static constexpr int kRowX = 200, kListTop = 132, kRow = 12, kScrollX = 515, kDotDotX = 112;
  static int row_y(int row) { return kListTop + row * kRow + 6; }

 private:
  std::string saved_program_, saved_data_;
};

TEST_F(Files, ListingsPutFoldersFirstThenNamesInLowerCaseOrder) {
  for (const char* f : {"zeta/x", "1abc/x", "Alpha/x"}) file(std::string("list/") + f);
  file("list/b.bmp", 5);
  file("list/A.BMP", 3);
  file("list/c.ppm");
  file("list/d.pcx");
  file("list/!x.bmp");
  const FileList l = ui::list_folder(dir + "list/", "*.bmp");
  ASSERT_TRUE(l.readable);
  std::vector<std::string> names;
  for (const ui::FileEntry& e : l.entries) names.push_back((e.folder ? "(dir) " : "") + e.name);
  EXPECT_EQ(names,
            (std::vector<std::string>{"(dir) 1abc", "(dir) Alpha", "(dir) zeta", "!x.bmp", "A.BMP", "b.bmp", "c.ppm"}));
  EXPECT_EQ(l.entries[4].size, 3u);
  EXPECT_EQ(l.entries[0].size, 0u);
  EXPECT_EQ(ui::list_folder(dir + "list/", "*.bmp", false).entries.size(), 4u);
  EXPECT_EQ(ui::list_folder(dir + "list/", "*.*").entries.size(), 8u);
  EXPECT_FALSE(ui::list_folder(dir + "nothing-here/", "*.*").readable);
  const FileList empty = ui::list_folder(dir + "list/zeta/", "*.bmp");
  EXPECT_TRUE(empty.readable);
  EXPECT_TRUE(empty.entries.empty());
}

TEST_F(Files, AFolderOfMoreThan799EntriesListsTheFirst799) {
  core::make_folders(dir + "many");
  for (int i = 804; i >= 0; --i) {
    char name[32];
    std::snprintf(name, sizeof name, "many/f%03d.txt", i);
    file(name);
  }
  const FileList l = ui::list_folder(dir + "many/", "*.txt");
  EXPECT_EQ(l.found, 805u);
  ASSERT_EQ(l.entries.size(), 799u);
  EXPECT_EQ(l.entries.front().name, "f000.txt");
  EXPECT_EQ(l.entries.back().name, "f798.txt");
}

TEST_F(Files, PatternsIgnoreCaseAndBitmapsTakePixmaps) {
  EXPECT_TRUE(ui::pattern_matches("*.bmp", "PICTURE.BMP"));
  EXPECT_TRUE(ui::pattern_matches("*.BMP", "scan.ppm"));
  EXPECT_FALSE(ui::pattern_matches("*.pcx", "scan.ppm"));
  EXPECT_TRUE(ui::pattern_matches("jeep???_.pcx", "jeep001_.pcx"));
  EXPECT_FALSE(ui::pattern_matches("jeep???_.pcx", "jeep01_.pcx"));
  EXPECT_TRUE(ui::pattern_matches("*.*", "README"));
  EXPECT_TRUE(ui::pattern_matches("", "anything"));
  EXPECT_TRUE(ui::pattern_matches("*a*b*", "xxaxxbxx"));
  EXPECT_FALSE(ui::pattern_matches("*a*b", "xxaxxbxx"));
}

TEST_F(Files, PathsDriveLettersAndParents) {
  EXPECT_EQ(ui::folder_of_path("C:\\x\\y.prj"), "C:\\x\\");
  EXPECT_EQ(ui::folder_of_path("d:name"), "d:");
  EXPECT_EQ(ui::folder_of_path("name"), "");
  EXPECT_EQ(ui::resolve_path("./images/a.bmp"), dir + "images/a.bmp");
  EXPECT_EQ(ui::resolve_path("images\\a.bmp"), dir + "images/a.bmp");
  EXPECT_EQ(ui::resolve_path("C:\\projects\\x.prj"), dir + "projects/x.prj");
  EXPECT_EQ(ui::resolve_path("a:/etc/"), "/etc/");
  EXPECT_EQ(ui::resolve_path("I:"), "/tmp/");
  EXPECT_EQ(ui::resolve_path("Z:/x"), dir + "x");
  EXPECT_EQ(ui::resolve_path("/var/log/"), "/var/log/");
  EXPECT_EQ(ui::parent_folder("/"), "/");
  EXPECT_EQ(ui::parent_folder("/tmp/"), "/");
  EXPECT_EQ(ui::parent_folder("/tmp/a/b/"), "/tmp/a/");
  EXPECT_EQ(ui::parent_folder("/tmp/a"), "/tmp/");
  EXPECT_EQ(ui::drive_folder('c'), dir);
  EXPECT_EQ(ui::drive_folder('L'), "/var/");
  const std::string drives = ui::existing_drives();
  EXPECT_NE(drives.find('A'), std::string::npos);
  EXPECT_NE(drives.find('C'), std::string::npos);
  EXPECT_NE(drives.find('I'), std::string::npos);
}

TEST_F(Files, ScrollThumbAndLetterJumps) {
  EXPECT_EQ(ui::scroll_thumb_top(100, 406, 1, 50), 100);
  EXPECT_EQ(ui::scroll_thumb_top(100, 406, 31, 50), 500);
  EXPECT_EQ(ui::scroll_thumb_top(100, 406, 7, 12), 100);

  FileList l;
  l.readable = true;
  l.entries.push_back({"apples", 0, true});  // a folder: "(dir) apples"
  for (char c = 'b'; c <= 'y'; ++c) l.entries.push_back({std::string(1, c) + "-file", 1, false});
  EXPECT_EQ(ui::letter_jump(l, 'c', 1), 3);
  EXPECT_EQ(ui::letter_jump(l, 'C', 1), 3);
  EXPECT_EQ(ui::letter_jump(l, 'a', 4), 4);  // only the folder starts with it: no move
  EXPECT_EQ(ui::letter_jump(l, 'z', 4), 4);  // nothing starts with it
  EXPECT_EQ(ui::letter_jump(l, 'x', 1), 6);  // clamped to the last full page (25 entries)
  l.entries.resize(20);
  EXPECT_EQ(ui::letter_jump(l, 'c', 1), 1);  // a single page does not scroll
}

TEST_F(Files, TheListSelectorOpensFoldersAndAnswersTheFileClicked) {
  file("pick/a.txt");
  file("pick/b.txt");
  file("pick/sub/inner.txt");
  // Rows: "(dir) sub", "a.txt", "b.txt".
  script(click(10, kRowX, row_y(1)));
  EXPECT_EQ(ui::list_file_selector("./pick/x.txt", "*.txt"), dir + "pick/a.txt");
  script(click(10, kRowX, row_y(0)) + click(20, kRowX, row_y(0)));
  EXPECT_EQ(ui::list_file_selector(dir + "pick/", "*.txt"), dir + "pick/sub/inner.txt");
  // The ".." button, and Backspace, go up a folder.
  script(click(10, kDotDotX, kListTop + 6) + click(20, kRowX, row_y(1)));
  EXPECT_EQ(ui::list_file_selector(dir + "pick/sub/", "*.txt"), dir + "pick/a.txt");
  script(key(10, 14, 8) + click(20, kRowX, row_y(2)));
  EXPECT_EQ(ui::list_file_selector(dir + "pick/sub/", "*.txt"), dir + "pick/b.txt");
  // A click past the last entry returns the view to the top; Escape cancels.
  script(click(10, kRowX, row_y(10)) + key(20, 1, 27));
  EXPECT_EQ(ui::list_file_selector(dir + "pick/", "*.txt"), "");
  // ".." at the root stays there.
  script(click(10, kDotDotX, kListTop + 6) + key(20, 1, 27));
  EXPECT_EQ(ui::list_file_selector("/", "*.none"), "");
  // A folder that cannot be listed says so and can be left.
  script(key(10, 1, 27));
  EXPECT_EQ(ui::list_file_selector(dir + "missing/x.txt", "*.*"), "");
}

TEST_F(Files, TheListSelectorScrollsThroughALongFolder) {
  for (int i = 0; i < 805; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "long/f%03d.txt", i);
    file(name);
  }
  // A click below the thumb turns a page of 19 rows.
  script(click(10, kScrollX, 300) + click(20, kRowX, row_y(0)));
  EXPECT_EQ(ui::list_file_selector(dir + "long/", "*.txt"), dir + "long/f019.txt");
  // The thumb dragged to the bottom shows the last page of the 799 listed.
  script("10 move " + std::to_string(kScrollX) + " " + std::to_string(kListTop + 2) + "\n11 buttons 1\n12 move " +
         std::to_string(kScrollX) + " 400\n14 buttons 0\n" + click(20, kRowX, row_y(19)));
  EXPECT_EQ(ui::list_file_selector(dir + "long/", "*.txt"), dir + "long/f798.txt");
  // A letter key jumps to the first file starting with it.
  file("long/a.txt");
  script(click(10, kScrollX, 300) + "20 text a\n" + click(30, kRowX, row_y(0)));
  EXPECT_EQ(ui::list_file_selector(dir + "long/", "*.txt"), dir + "long/a.txt");
}

TEST_F(Files, ThePictureSelectorPagesAndKeepsItsPage) {
  for (int i = 0; i < 20; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "pics/p%02d.bmp", i);
    picture(name, static_cast<uint8_t>(i * 10));
  }
  ui::set_picture_page(1);
  script(key(30, 81) + key(60, 1, 27));
  EXPECT_EQ(ui::picture_file_selector("./pics/", -1, "Pictures"), "");
  EXPECT_EQ(ui::picture_page(), 2);
  // The page is kept: the first cell of page 2 is the tenth picture.
  script(click(30, 120, 140));
  EXPECT_EQ(ui::picture_file_selector("./pics/", -1, "Pictures"), dir + "pics/p09.bmp");
  // Page >> goes to the last page, 3, and no further; << comes back.
  script(click(30, 160, 50) + click(60, 160, 50) + click(90, 160, 50) + click(120, 80, 50) + key(150, 1, 27));
  EXPECT_EQ(ui::picture_file_selector("./pics/", -1, "Pictures"), "");
  EXPECT_EQ(ui::picture_page(), 2);
  // The Delete key takes the picture under the mouse: page 2, the middle cell.
  script("30 move 300 230\n" + key(31, 83));
  EXPECT_EQ(ui::picture_file_selector("./pics/", -1, "Pictures"), dir + "pics/p13.bmp");
  // A folder with fewer pages clamps the kept page.
  picture("few/only.bmp", 80);
  script(key(30, 1, 27));
  EXPECT_EQ(ui::picture_file_selector("./few/", -1, "Pictures"), "");
  EXPECT_EQ(ui::picture_page(), 1);
  EXPECT_FALSE(core::file_exists(dir + "data/crashed.txt"));
}

TEST_F(Files, ThePictureSelectorErasesOnlyAfterConfirmation) {
  picture("erase/a.bmp", 10);
  picture("erase/b.bmp", 20);
  ui::set_picture_page(1);
  // A right click on a.bmp asks; Enter answers " NO! ".
  script(click(30, 120, 140, 2) + key(60, 28, 13) + key(100, 1, 27));
  EXPECT_EQ(ui::picture_file_selector("./erase/", -1, "Erase"), "");
  EXPECT_TRUE(core::file_exists(dir + "erase/a.bmp"));
  // Delete answers " YES ": a.bmp goes, and b.bmp moves to the first cell.
  script(click(30, 120, 140, 2) + key(60, 83) + click(100, 120, 140));
  EXPECT_EQ(ui::picture_file_selector("./erase/", -1, "Erase"), dir + "erase/b.bmp");
  EXPECT_FALSE(core::file_exists(dir + "erase/a.bmp"));
}

TEST_F(Files, ChangeDirectoryPicksTheFolderOfAFileChosenInTheList) {
  picture("cd/a.bmp", 10);
  picture("cd/sub/b.bmp", 20);
  ui::set_picture_page(1);
  // "Change Directory", then in the list "(dir) sub" and its "b.bmp"; the
  // pictures of sub/ follow, and the first cell is chosen.
  script(click(30, 500, 50) + click(60, kRowX, row_y(0)) + click(90, kRowX, row_y(0)) + click(130, 120, 140));
  EXPECT_EQ(ui::picture_file_selector("./cd/", -1, "Folders"), dir + "cd/sub/b.bmp");
}

TEST_F(Files, ThumbnailsOfEveryKindAndOfBrokenFilesDrawWithoutHarm) {
  picture("kinds/fine.bmp", 100);
  file("kinds/broken.bmp", 40);
  file("kinds/broken.ppm", 3);
  ASSERT_TRUE(core::write_file_atomic(dir + "kinds/tiny.ppm", "P3 2 1 255 255 0 0 0 0 255"));
  ASSERT_TRUE(core::write_file_atomic(dir + "kinds/a.brn", "var n\r\nn = n + 1\r\n"));
  file("kinds/long-name-" + std::string(120, 'n') + ".bmp");
  file("kinds/x.3ds", 10);
  file("kinds/x.v3d", 10);
  file("kinds/x.03d", 10);
  file("kinds/x.pcx", 10);
  for (int32_t kind : {-1, -7, 0, 1, 2, 3, 4, 5, 11, -2, -3, -4, -5, -6, 12, 99}) {
    ui::set_picture_page(1);
    script(key(40, 1, 27));
    EXPECT_EQ(ui::picture_file_selector("./kinds/", kind, "Kinds"), "") << kind;
  }
  EXPECT_FALSE(core::file_exists(dir + "data/crashed.txt"));
#ifdef QUILL_TESTDATA
  // Every shared bitmap sample, page by page.
  const std::string bmp = std::string(QUILL_TESTDATA) + "/bmp/";
  if (core::file_exists(bmp + "bmpsuite_g_rgb24.bmp")) {
    std::string s;
    for (int page = 0; page < 12; ++page) s += key(30 + 30 * page, 81);
    script(s + key(400, 1, 27));
    ui::set_picture_page(1);
    EXPECT_EQ(ui::picture_file_selector(bmp, -1, "Samples"), "");
    EXPECT_GT(ui::picture_page(), 1);
  }
#endif
}

}  // namespace
