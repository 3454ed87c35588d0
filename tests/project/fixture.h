// A fresh project model per test: its own program folder with a brains
// folder, an empty element table, a cleared channel map, and message boxes
// and notices caught instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/files.h"
#include "core/state.h"
#include "project/channel_map.h"
#include "project/state.h"
#include "support/temp_folder.h"

namespace project_test {

inline std::vector<std::string>& boxes() {
  static std::vector<std::string> b;
  return b;
}
inline std::vector<std::string>& notices() {
  static std::vector<std::string> n;
  return n;
}

// A record of 40 fields with the given name, brain field, parameter list
// and type; the numeric fields are "0".
inline std::string make_record(const std::string& name, int type = 1, const std::string& params = "0",
                               const std::string& brain = "-") {
  std::string r = name + "|./models/a.x|./sounds/null_.wav|" + brain;
  for (int f = 5; f <= 34; ++f) r += "|0";
  r += "|" + params + "|" + std::to_string(type) + "|160/120/479/359/0/20&40/7|0/1|4096/2/50/0|14815378";
  return r;
}

class ProjectTest : public ::testing::Test {
 protected:
  testing_support::TempFolder folder{"quill-project"};
  const std::string dir = folder.path();

  void SetUp() override {
    core::make_folders(dir + "brains");
    core::State& c = core::state();
    c.folders.program = dir;
    c.stand_alone = 0;
    c.notify.box = [](const std::string& text, const std::string&, const std::string&) {
      boxes().push_back(text);
      return 1;
    };
    c.notify.notice = [](const std::string& text) { notices().push_back(text); };
    project::state() = project::State{};
    project::clear_channels();
    boxes().clear();
    notices().clear();
  }

  void TearDown() override {
    core::state().notify = core::Notifier{};
    core::state().stand_alone = 0;
  }

  void write(const std::string& name, const std::string& text) {
    core::make_folders(core::folder_of(dir + name));
    ASSERT_TRUE(core::write_file_atomic(dir + name, text));
  }
  std::string read(const std::string& path) {
    std::string out;
    core::read_file(path.front() == '/' ? path : dir + path, out);
    return out;
  }
};

}  // namespace project_test
