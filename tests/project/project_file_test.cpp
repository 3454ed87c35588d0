#include "project/project_file.h"

#include <cstring>

#include "core/text.h"
#include "fixture.h"
#include "project/brains.h"
#include "project/records.h"

namespace {

using project_test::boxes;
using project_test::make_record;
using project_test::notices;

std::string lines(std::initializer_list<std::string> ls) {
  std::string out;
  for (const std::string& l : ls) out += l + "\r\n";
  return out;
}

std::string col_file() {
  std::string bytes(project::kColBytes, '\0');
  bytes[0 * 256 + 1] = 2;
  bytes[1 * 256 + 2] = 11;
  const int32_t words[6] = {40, 10, 300, 2, 0, 90};
  std::memcpy(bytes.data() + project::kSceneWordsAt, words, sizeof words);
  return bytes;
}

// A project as written by hand: three records, the background line and the
// brain sections (element 1 has an empty brain).
const std::string kProject = lines({";My project", "3", make_record("Camera", 0), make_record("Ship", 1, "1/1/2/1020"),
                                    make_record("Lamp", 10), "./images/sky.pcx|4|3,5(2)", "@0", "var x=1", "@1", "@2",
                                    "line a", "line b"});

class ProjectFile : public project_test::ProjectTest {
 protected:
  std::string brain_of(int i) { return read(project::get_field(i, project::kFieldBrain)); }
  std::string load(const std::string& name) {
    std::string desc = "unchanged";
    EXPECT_TRUE(project::load_project(dir + name, desc)) << name;
    return desc;
  }
};

TEST_F(ProjectFile, HandWrittenProjectRoundTripsByteForByte) {
  write("p.prj", kProject);
  write("p.col", col_file());
  EXPECT_EQ(load("p.prj"), "My project");
  EXPECT_EQ(project::state().description, "My project");
  ASSERT_EQ(project::last_index(), 2);
  EXPECT_EQ(project::get_field(1, project::kFieldAspect), dir + "models/a.x");
  EXPECT_EQ(project::get_field(1, project::kFieldSound), dir + "sounds/null_.wav");
  EXPECT_EQ(project::get_field(0, project::kFieldBrain), dir + "brains/00000001.bra");
  EXPECT_EQ(project::get_field(2, project::kFieldBrain), dir + "brains/00000003.bra");
  EXPECT_EQ(brain_of(0), "var x=1\r\n");
  EXPECT_EQ(brain_of(1), "");
  EXPECT_EQ(brain_of(2), "line a\r\nline b\r\n");
  const project::Scene& sc = project::state().scene;
  EXPECT_EQ(sc.background, dir + "images/sky.pcx");
  EXPECT_EQ(sc.repetitions, 4);
  EXPECT_EQ(sc.shared_vars, "3,5(2)");
  EXPECT_EQ(sc.clip_distance, 40);
  EXPECT_EQ(sc.band_lower, 300);
  EXPECT_EQ(project::channel(1, 2), 11);

  ASSERT_TRUE(project::save_project(dir + "out.prj", "My project"));
  EXPECT_EQ(read("out.prj"), kProject);
  EXPECT_EQ(read("out.col"), col_file());

  // An edited working copy is what the next save embeds.
  write("brains/00000002.bra", "go\r\nstop");
  ASSERT_TRUE(project::save_project(dir + "out.prj", "Edited"));
  load("out.prj");
  EXPECT_EQ(project::state().description, "Edited");
  EXPECT_EQ(brain_of(1), "go\r\nstop\r\n");
  ASSERT_TRUE(project::save_project(dir + "again.prj", "Edited"));
  EXPECT_EQ(read("again.prj"), read("out.prj"));
  EXPECT_EQ(read("again.col"), col_file());
}

TEST_F(ProjectFile, BrainLineStartingWithAtCutsTheBrain) {
  write("p.prj", lines({";d", "2", make_record("A"), make_record("B"), "|1|", "@0", "a", "@x", "b", "@1", "c"}));
  load("p.prj");
  EXPECT_EQ(brain_of(0), "a\r\n");
  EXPECT_EQ(brain_of(1), "b\r\n");
}

TEST_F(ProjectFile, EmptyFieldThirtySixEndsTheRecords) {
  write("p.prj", lines({";d", "3", make_record("A"), ".\\images\\x.pcx|0|7", make_record("C"), "@0", "a"}));
  load("p.prj");
  EXPECT_EQ(project::last_index(), 0);
  EXPECT_EQ(project::state().scene.background, dir + "images/x.pcx");
  EXPECT_EQ(project::state().scene.repetitions, 1);
  EXPECT_EQ(project::state().scene.shared_vars, "7");
  EXPECT_EQ(brain_of(0), "a\r\n");
}

TEST_F(ProjectFile, ProgramFolderIsWrittenAsDotSlashAndReadRelativeToTheNewFolder) {
  write("p.prj", lines({";d", "1", make_record("A"), "|1|", "@0"}));
  load("p.prj");
  project::set_field(0, 2, dir + "models/b.x");
  project::set_field(0, 3, "../shared/s.wav");
  project::set_field(0, 41, "/elsewhere" + dir + "x");
  ASSERT_TRUE(project::save_project(dir + "p.prj", "d"));
  const std::string saved = read("p.prj");
  EXPECT_NE(saved.find("|./models/b.x|../shared/s.wav|"), std::string::npos);
  EXPECT_NE(saved.find("|/elsewhere" + dir + "x"), std::string::npos);
  load("p.prj");
  EXPECT_EQ(project::get_field(0, 2), dir + "models/b.x");

  const std::string other = dir + "moved/";
  core::make_folders(other + "brains");
  core::state().folders.program = other;
  load("p.prj");
  EXPECT_EQ(project::get_field(0, 2), other + "models/b.x");
  EXPECT_EQ(project::get_field(0, 3), "../shared/s.wav");
  EXPECT_EQ(project::get_field(0, 41), "/elsewhere" + dir + "x");
  EXPECT_EQ(project::get_field(0, 4).substr(0, other.size()), other);
}

TEST_F(ProjectFile, MissingProjectGivesTheOneCameraProject) {
  project::set_channel(3, 4, 5);
  project::state().current = 9;
  EXPECT_EQ(load("none.prj"), "unchanged");
  ASSERT_EQ(project::last_index(), 0);
  EXPECT_EQ(project::state().current, 0);
  EXPECT_EQ(project::channel(3, 4), 0);
  const std::string brain = project::get_field(0, project::kFieldBrain);
  EXPECT_EQ(project::record(0), core::with_field(project::default_camera_record(dir), 4, brain));
  EXPECT_EQ(project::get_field(0, 2), dir + "cameras/default_.03d");
  EXPECT_TRUE(core::file_exists(brain));
  EXPECT_EQ(project::state().scene.fog_colour, 0xFF000000u);

  // An empty file is a new project too.
  write("empty.prj", "");
  load("empty.prj");
  EXPECT_EQ(project::last_index(), 0);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(ProjectFile, SmallerProjectWithoutColKeepsThePairTable) {
  std::string ten = ";ten\r\n10\r\n";
  for (int i = 0; i < 10; ++i) ten += make_record("E" + std::to_string(i)) + "\r\n";
  write("ten.prj", ten + "|1|\r\n");
  write("ten.col", col_file());
  write("three.prj", lines({";three", "3", make_record("A"), make_record("B"), make_record("C"), "|1|"}));
  load("ten.prj");
  project::set_channel(8, 9, 4);
  load("three.prj");
  EXPECT_EQ(project::last_index(), 2);
  EXPECT_EQ(project::channel(8, 9), 4);
  EXPECT_EQ(project::channel(1, 2), 11);
  EXPECT_EQ(project::state().scene.clip_distance, 40);
}

TEST_F(ProjectFile, RefusedProjectsLeaveTheTableAndTheFileAlone) {
  write("good.prj", kProject);
  load("good.prj");
  const std::string first = project::record(0);

  std::string big = kProject + std::string(core::kProjectTextBytes, 'x');
  write("big.prj", big);
  std::string desc = "kept";
  EXPECT_FALSE(project::load_project(dir + "big.prj", desc));
  EXPECT_EQ(desc, "kept");
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_NE(boxes()[0].find(dir + "big.prj"), std::string::npos);
  EXPECT_EQ(project::last_index(), 2);
  EXPECT_EQ(project::record(0), first);
  EXPECT_FALSE(project::save_project(dir + "big.prj", "d"));
  EXPECT_EQ(read("big.prj").size(), big.size());

  std::string many = ";d\r\n257\r\n";
  for (int i = 0; i < 257; ++i) many += make_record("E") + "\r\n";
  write("many.prj", many);
  EXPECT_FALSE(project::load_project(dir + "many.prj", desc));
  EXPECT_EQ(project::last_index(), 2);

  std::string garbage;
  for (int i = 0; i < 5000; ++i) garbage.push_back(static_cast<char>((i * 7919) % 251));
  write("garbage.prj", garbage);
  EXPECT_FALSE(project::load_project(dir + "garbage.prj", desc));
  EXPECT_EQ(boxes().size(), 3u);
  EXPECT_EQ(project::record(0), first);

  // A later good load allows saving again.
  load("good.prj");
  EXPECT_TRUE(project::save_project(dir + "garbage.prj", "d"));
}

TEST_F(ProjectFile, OddButReadableFiles) {
  // No count line: the first record stands where the count would be.
  const std::string wide = make_record("Wide") + "|41|42|43|44|45|46|47|48|49|50|51|52";
  const std::string longname = make_record(std::string(200000, 'n'));
  write("p.prj", lines({";d", wide, longname, "|1|", "@0", "@1"}));
  load("p.prj");
  ASSERT_EQ(project::last_index(), 1);
  ASSERT_TRUE(project::save_project(dir + "p.prj", "d"));
  const std::string saved = read("p.prj");
  EXPECT_NE(saved.find("|50|51|52\r\n"), std::string::npos);
  EXPECT_EQ(project::base_name(1).size(), 200000u);

  // A text holding CR LF cannot break its line in the file.
  project::set_field(0, 41, "a\r\nb");
  ASSERT_TRUE(project::save_project(dir + "p.prj", "x\r\ny"));
  EXPECT_EQ(load("p.prj"), "x \ny");
  EXPECT_EQ(project::last_index(), 1);
  EXPECT_EQ(project::get_field(0, 41), "a \nb");
}

TEST_F(ProjectFile, RecordLoaderInsertsElementFiles) {
  write("p.prj", lines({";d", "3", make_record("A"), make_record("B", 1, "1/1/2/1020"), make_record("C"), "|1|", "@0",
                        "a", "@1", "b", "@2", "c"}));
  load("p.prj");
  write("x.ele", lines({";element", "2", make_record("X"), make_record("Y"), "@0", "x", "@1", "y"}));
  std::string desc;
  ASSERT_TRUE(project::load_records(dir + "x.ele", 1, &desc));
  EXPECT_EQ(desc, "element");
  ASSERT_EQ(project::last_index(), 4);
  EXPECT_EQ(project::range_first(), 1);
  EXPECT_EQ(project::range_last(), 2);
  EXPECT_EQ(project::base_name(3), "B");
  EXPECT_EQ(project::get_field(3, 35), "1/1/4/1020");
  EXPECT_EQ(brain_of(1), "x\r\n");
  EXPECT_EQ(brain_of(2), "y\r\n");
  EXPECT_EQ(brain_of(4), "c\r\n");

  // The range save writes what the loader takes back.
  ASSERT_TRUE(project::save_range(dir + "out.ele", "element"));
  EXPECT_EQ(read("out.ele"), read("x.ele"));

  EXPECT_FALSE(project::load_records(dir + "none.ele", 0));
  EXPECT_EQ(boxes().size(), 1u);
  EXPECT_EQ(project::last_index(), 4);

  // Only 251 more fit.
  std::string many = ";d\r\n252\r\n";
  for (int i = 0; i < 252; ++i) many += make_record("E") + "\r\n";
  write("many.ele", many);
  EXPECT_FALSE(project::load_records(dir + "many.ele", 0));
  EXPECT_EQ(project::last_index(), 4);
}

TEST_F(ProjectFile, BrainNamedByPathIsCopiedOnce) {
  write("brains/walk.brn", "step\r\n");
  write("p.prj", lines({";d", "1", make_record("A", 1, "0", "./brains/walk.brn"), "|1|"}));
  load("p.prj");
  EXPECT_EQ(project::get_field(0, 4), dir + "brains/00000001.bra");
  EXPECT_EQ(brain_of(0), "step\r\n");
  EXPECT_EQ(project::state().brain_counter, 1u);
  EXPECT_EQ(read("brains/walk.brn"), "step\r\n");
}

TEST_F(ProjectFile, SaveWritesColEvenWhenTheProjectCannotBeCreated) {
  load("none.prj");
  core::make_folders(dir + "blocked.prj");
  project::set_channel(0, 0, 3);
  project::set_channel(0, 5, 3);  // element 5 does not exist
  EXPECT_FALSE(project::save_project(dir + "blocked.prj", "d"));
  const std::string col = read("blocked.col");
  ASSERT_EQ(col.size(), project::kColBytes);
  EXPECT_EQ(col[0], 3);
  EXPECT_EQ(col[5], 0);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(ProjectFile, NoticesAndStandAloneWorkingCopies) {
  load("none.prj");
  EXPECT_TRUE(notices().empty());
  write("p.prj", kProject);
  load("p.prj");
  EXPECT_EQ(notices(), (std::vector<std::string>{"Loading data, please wait...", ""}));

  notices().clear();
  core::state().stand_alone = 1;
  project::state().protect = [](std::string& bytes) {
    for (char& c : bytes) c = static_cast<char>(c ^ 0x20);
  };
  load("p.prj");
  EXPECT_TRUE(notices().empty());
  EXPECT_EQ(project::get_field(0, 4), dir + "00000005.bra");
  EXPECT_EQ(brain_of(0), std::string("VAR\0X\x1d\x11-*", 9));
}

}  // namespace
