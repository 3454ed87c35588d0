#include <gtest/gtest.h>

#include <cstdlib>

#include "core/files.h"
#include "shell/settings.h"
#include "support/temp_folder.h"

namespace {

struct Folder {
  std::string program;
  Folder() {
    program = testing_support::temp_folder("quill-settings");
    core::make_folders(program + "data");
  }
  void write(const std::string& name, const std::string& text) const {
    ASSERT_TRUE(core::write_file_atomic(program + name, text));
  }
};

int line_count(const std::string& text) {
  int n = 0;
  for (size_t p = 0; (p = text.find("\r\n", p)) != std::string::npos; p += 2) ++n;
  return n;
}

TEST(RunRequest, MissingShortAndFullFiles) {
  Folder f;
  shell::RunRequest r = shell::read_run_request(f.program);
  EXPECT_EQ(r.project_path, f.program + "runmode.ini");
  EXPECT_EQ(r.mode, 0);
  EXPECT_EQ(r.current_element, -1);
  EXPECT_EQ(r.value5, -1);

  f.write("runmode.ini", "C:\\games\\x.prj\r\n3\r\n");
  r = shell::read_run_request(f.program);
  EXPECT_EQ(r.project_path, "C:\\games\\x.prj");
  EXPECT_EQ(r.mode, 3);
  EXPECT_EQ(r.current_element, 0);  // an empty line reads as 0

  f.write("runmode.ini", "p.prj\n13\r\nabc\r\n");  // a lone LF does not end a line
  r = shell::read_run_request(f.program);
  EXPECT_EQ(r.project_path, "p.prj\n13");
  EXPECT_EQ(r.mode, 0);
}

TEST(EditorState, DefaultsAndExactLineCounts) {
  Folder f;
  shell::EditorState s;
  shell::read_editor_state(s, f.program, f.program + "data/");
  EXPECT_EQ(s.design_scale, 512);
  EXPECT_EQ(s.front12, 2);
  EXPECT_EQ(s.resource_kit, 2);
  EXPECT_EQ(s.paths[9], f.program + "projects/myprj/default.prj");
  EXPECT_EQ(s.paths[13], "");
  EXPECT_EQ(s.paths[16], "Tarvo 5.2");
  EXPECT_EQ(line_count(shell::tarvo_text(s)), 20);
  EXPECT_EQ(line_count(shell::curpaths_text(s)), 23);
}

TEST(EditorState, RoundTripWithBackslashesAndShortFiles) {
  Folder f;
  std::string curpaths;
  for (int i = 1; i <= 23; ++i) curpaths += "C:\\kit\\line" + std::to_string(i) + "\r\n";
  f.write("data/curpaths.ini", curpaths);
  f.write("data/tarvo.ini", "2\r\n256\r\n7\r\n");  // short: the rest reads as 0 or empty
  shell::EditorState s;
  shell::default_paths(s, f.program);
  shell::read_editor_state(s, f.program, f.program + "data/");
  EXPECT_EQ(s.design_view, 2);
  EXPECT_EQ(s.design_scale, 256);
  EXPECT_EQ(s.front3, 7);
  EXPECT_EQ(s.front12, 0);
  EXPECT_EQ(s.description, "");
  EXPECT_EQ(s.paths[0], "C:/kit/line1");
  EXPECT_EQ(s.paths[16], "C:\\kit\\line17");  // the title keeps its backslashes
  s.description = "My game";
  s.front18 = "front";
  shell::write_editor_state(s, f.program, f.program + "data/");
  shell::EditorState back;
  shell::read_editor_state(back, f.program, f.program + "data/");
  EXPECT_EQ(back.description, "My game");
  EXPECT_EQ(back.front18, "front");
  EXPECT_EQ(back.paths[22], "C:/kit/line23");
  EXPECT_EQ(shell::tarvo_text(back), shell::tarvo_text(s));
}

TEST(EditorState, OverlongLinesAreBounded) {
  Folder f;
  f.write("data/tarvo.ini", std::string(100000, '7') + "\r\n" + std::string(3, 'x'));
  f.write("data/curpaths.ini", std::string(1 << 20, 'p'));
  shell::EditorState s;
  shell::read_editor_state(s, f.program, f.program + "data/");
  EXPECT_LE(s.paths[0].size(), 4096u);
  EXPECT_EQ(s.design_scale, 0);
}

}  // namespace
