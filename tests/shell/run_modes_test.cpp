// End-to-end: the real binary in a fresh installation, one process per mode.
#include <gtest/gtest.h>

#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "core/files.h"
#include "support/headless_run.h"

namespace {

int line_count(const std::string& text) {
  int n = 0;
  for (size_t p = 0; (p = text.find("\r\n", p)) != std::string::npos; p += 2) ++n;
  return n;
}

class Install : public testing_support::Installation {
 protected:
  int run(const std::string& extra = "") { return quill("--headless --messages m.jsonl " + extra); }

  void request(int mode, int element = 0) {
    write("runmode.ini", dir + "projects/myprj/default.prj\r\n" + std::to_string(mode) + "\r\n" +
                             std::to_string(element) + "\r\n0\r\n0\r\n");
  }
};

TEST_F(Install, HasTablesConfigAndDefaultResources) {
  EXPECT_EQ(read("data/sinus.bin").size(), 115200u);
  EXPECT_EQ(read("data/sinusbig.bin").size(), 14400u);
  EXPECT_EQ(read("data/atan.bin").size(), 2880u);
  EXPECT_EQ(read("data/random.bin").size(), 2000u);
  std::string big = read("data/sinusbig.bin"), atan = read("data/atan.bin");
  int32_t v;
  std::memcpy(&v, big.data() + 4 * 720, 4);
  EXPECT_EQ(v, 32768);
  std::memcpy(&v, atan.data() + 4 * 360, 4);
  EXPECT_EQ(v, 1024);
  EXPECT_TRUE(exists("brains/null_.brn"));
  EXPECT_EQ(read("sounds/null_.wav").substr(0, 4), "RIFF");
  EXPECT_NE(read("config.ini").find("DisplayMode=0100000001"), std::string::npos);
  EXPECT_FALSE(exists("runmode.ini"));
}

TEST_F(Install, TestRunWritesOnlyTheCompletionMarker) {
  request(1);
  write("temp/wasok.dat", "stale");
  ASSERT_EQ(run(), 0);
  EXPECT_EQ(read("temp/wasok.dat"), "wasok\r\n");
  EXPECT_FALSE(exists("data/tarvo.ini"));
  EXPECT_FALSE(exists("data/curpaths.ini"));
}

TEST_F(Install, TestRunCreatesAMissingTempFolder) {
  request(1);
  ASSERT_EQ(std::system(("rm -rf '" + dir + "temp'").c_str()), 0);
  ASSERT_EQ(run(), 0);
  EXPECT_EQ(read("temp/wasok.dat"), "wasok\r\n");
}

TEST_F(Install, EditingModesSaveExactLineCounts) {
  for (int mode : {2, 13}) {
    request(mode);
    std::string curpaths;
    for (int i = 1; i <= 23; ++i) curpaths += "a\\b\\line" + std::to_string(i) + "\r\n";
    write("data/curpaths.ini", curpaths);
    ASSERT_EQ(run(), 0);
    std::string tarvo = read("data/tarvo.ini"), paths = read("data/curpaths.ini");
    EXPECT_EQ(line_count(tarvo), 20) << mode;
    EXPECT_EQ(line_count(paths), 23) << mode;
    EXPECT_NE(paths.find("a/b/line1\r\n"), std::string::npos);
    EXPECT_NE(paths.find("a\\b\\line17\r\n"), std::string::npos);
    EXPECT_EQ(paths.find("a\\b\\line18"), std::string::npos);
    EXPECT_FALSE(exists("temp/wasok.dat"));
    core::remove_file(dir + "data/tarvo.ini");
  }
}

TEST_F(Install, EditingAMissingProjectSavesTheOneCameraProject) {
  request(2);
  ASSERT_EQ(run(), 0);
  std::string prj = read("projects/myprj/default.prj");
  ASSERT_FALSE(prj.empty());
  EXPECT_NE(prj.find("Camera|./cameras/default_.03d|"), std::string::npos);
  EXPECT_TRUE(exists("projects/myprj/default.col"));
  // Loading and saving again changes nothing.
  request(13);
  ASSERT_EQ(run(), 0);
  EXPECT_EQ(read("projects/myprj/default.prj"), prj);
}

TEST_F(Install, DisplayAreaModeRewritesTheFirstFourItemsOnly) {
  request(2);
  ASSERT_EQ(run(), 0);
  std::string prj = read("projects/myprj/default.prj");
  const std::string area = "|160/120/479/359/0/20&40/7|";
  size_t at = prj.find(area);
  ASSERT_NE(at, std::string::npos);
  prj.replace(at, area.size(), "|0160/120/x479/359/0/20&40/7|");
  write("projects/myprj/default.prj", prj);
  request(14);
  ASSERT_EQ(run(), 0);
  EXPECT_NE(read("projects/myprj/default.prj").find("|160/120/0/359/0/20&40/7|"), std::string::npos);
}

TEST_F(Install, ModesWithoutTaskAndUnlistedModesSaveNothing) {
  for (int mode : {4, 10, 11, 12, 42, -7}) {
    request(mode);
    ASSERT_EQ(run(), 0) << mode;
    EXPECT_FALSE(exists("data/tarvo.ini")) << mode;
    EXPECT_FALSE(exists("data/curpaths.ini")) << mode;
    EXPECT_FALSE(exists("temp/wasok.dat")) << mode;
  }
}

TEST_F(Install, StandAloneWithoutRequestStillWritesConfig) {
  write("config.ini", "[User-Modifiable Engine Settings]\r\nRenderingDevice=0700000007\r\n[Other]\r\nkeep=1\r\n");
  ASSERT_EQ(run("/1 /2"), 0);
  std::string config = read("config.ini");
  EXPECT_NE(config.find("RenderingDevice=0100000001"), std::string::npos);  // clamped to the driver count
  EXPECT_NE(config.find("AvailableRenderingDevices=0100000001"), std::string::npos);
  EXPECT_NE(config.find("keep=1"), std::string::npos);
  EXPECT_FALSE(exists("data/tarvo.ini"));
}

TEST_F(Install, ModeTextThatReadsAsZeroPlaysTheStandAloneGame) {
  write("runmode.ini", "projects/x.prj\r\nabc\r\n0\r\n");
  ASSERT_EQ(run(), 0);
  EXPECT_FALSE(exists("data/tarvo.ini"));
  EXPECT_FALSE(exists("temp/wasok.dat"));
}

TEST_F(Install, MissingDataFolderDoesNotCrash) {
  request(1);
  ASSERT_EQ(std::system(("rm -rf '" + dir + "data'").c_str()), 0);
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(read("temp/wasok.dat"), "wasok\r\n");
}

TEST_F(Install, SecondInstanceEndsSilently) {
  request(1);
  int fd = ::open((dir + ".Quillomatics.lock").c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  EXPECT_EQ(run(), 0);
  EXPECT_FALSE(exists("temp/wasok.dat"));
  ::close(fd);
  EXPECT_EQ(run(), 0);
  EXPECT_TRUE(exists("temp/wasok.dat"));
}

TEST_F(Install, CommandLineHelpAndErrors) {
  EXPECT_EQ(quill("--help"), 0);
  EXPECT_EQ(quill("--version"), 0);
  EXPECT_EQ(quill("--frobnicate"), 2);
  EXPECT_EQ(quill("--headless --input-script missing.txt"), 2);
  write("bad.txt", "1 dance\n");
  EXPECT_EQ(quill("--headless --input-script bad.txt"), 2);
}

}  // namespace

namespace {

// Files written by an editor that ends lines with LF alone are read as if
// they ended with CR LF: the request asks for a test run, and the project's
// records and brains arrive.
TEST_F(Install, RequestAndProjectWithLfLineEndsAreRead) {
  std::string project = testing_support::project_file({{{{1, "Probe"}}, "var n\nn = n + 1\nexit(7)\n"}});
  for (size_t p = 0; (p = project.find("\r\n", p)) != std::string::npos;) project.erase(p, 1);
  write("projects/lf/lf.prj", project);
  write("runmode.ini", "projects/lf/lf.prj\n1\n0\n0\n0\n");
  ASSERT_EQ(run("--dump d.json"), 0);
  const testing_support::Dump dump = testing_support::Dump::parse(read("d.json"));
  EXPECT_EQ(dump.value("exit_code"), 7);
  EXPECT_EQ(dump.name(0), "Probe");
  EXPECT_EQ(dump.variable(0, 1), 5);
  EXPECT_EQ(read("temp/wasok.dat"), "wasok\r\n");
}

// A test run of a project file that does not exist says so, and runs the
// project of one camera.
TEST_F(Install, TestRunOfAMissingProjectSaysSo) {
  write("runmode.ini", "projects/none/none.prj\r\n1\r\n0\r\n0\r\n0\r\n");
  ASSERT_EQ(run("--ticks 10"), 0);
  EXPECT_NE(read("m.jsonl").find("The project file 'projects/none/none.prj' was not found"), std::string::npos)
      << read("m.jsonl");
}

}  // namespace

namespace {

// `--brain-listing` compiles one brain file with the rows this build binds
// and prints it line by line: the instructions and, on x86-64, the machine
// code of each; a row written in line shows as code, not as a call. A
// brain that does not compile, or a file that is not there, ends with 1.
TEST_F(Install, BrainListingPrintsEachLineWithItsCode) {
  write("b.brn", "var i\r\nloop:\r\ni = i + factor_512(i, 7)\r\nif i < 1000\r\ngoto loop\r\nendif\r\n");
  ASSERT_EQ(quill("--brain-listing b.brn"), 0) << last_output;
  const std::string& out = last_output;
  EXPECT_NE(out.find("3: i = i + factor_512(i, 7)"), std::string::npos) << out;
  EXPECT_NE(out.find("4: if i < 1000"), std::string::npos) << out;
  EXPECT_EQ(out.find("1: var i"), std::string::npos) << "a declaration makes no code\n" << out;
  EXPECT_NE(out.find("factor_512(R1, R2)"), std::string::npos) << out;
  EXPECT_NE(out.find("return"), std::string::npos) << out;
#if defined(__x86_64__)
  EXPECT_EQ(out.rfind("; native code, ", 0), 0u) << out;
  EXPECT_NE(out.find("in line"), std::string::npos) << out;
  EXPECT_NE(out.find(" ret"), std::string::npos) << out;
#endif

  write("bad.brn", "var i\r\nj = 1\r\n");
  EXPECT_EQ(quill("--brain-listing bad.brn"), 1);
  EXPECT_NE(last_output.find("error: j = 1 (2)|Unknown variable 'j'!"), std::string::npos) << last_output;
  EXPECT_EQ(quill("--brain-listing missing.brn"), 1);
  EXPECT_NE(last_output.find("Brain not found"), std::string::npos) << last_output;
  EXPECT_EQ(quill("--brain-listing"), 2);
}

}  // namespace
