// A fresh installation in a temporary folder and headless runs of the real
// binary on generated projects, for end-to-end tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/files.h"
#include "png_reader.h"
#include "project_builder.h"

namespace testing_support {

class HeadlessRun : public ::testing::Test {
 protected:
  std::string dir;

  void SetUp() override {
    char templ[] = "/tmp/quill-run-XXXXXX";
    dir = std::string(mkdtemp(templ)) + "/";
    ASSERT_EQ(quill("--init-install " + dir), 0);
    core::make_folders(dir + "projects/t");
  }
  // The folder stays for a look after a failure.
  void TearDown() override {
    if (!HasFailure() && dir.size() > 5) std::system(("rm -rf '" + dir + "'").c_str());
  }

  int quill(const std::string& args) {
    const std::string cmd = "cd '" + (dir.empty() ? std::string("/tmp") : dir) + "' && timeout 120 '" QUILL_BINARY
                            "' " + args + " >/dev/null 2>&1";
    const int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }

  // Runs the project headless with a dump and a message log; a tick limit
  // of 1000 unless `extra` sets one.
  int run(const std::vector<ElementSpec>& elements, const std::string& extra = "") {
    write_project(elements);
    const std::string limit = extra.find("--ticks") == std::string::npos ? "--ticks 1000 " : "";
    return quill("--headless --messages m.jsonl --dump d.json " + limit + extra);
  }

  std::string read(const std::string& name) {
    std::string text;
    core::read_file(dir + name, text);
    return text;
  }

  // A number in the dump after the given key.
  long long dump_value(const std::string& key) {
    const std::string d = read("d.json");
    const size_t p = d.find("\"" + key + "\":");
    return p == std::string::npos ? -999999 : std::atoll(d.c_str() + p + key.size() + 3);
  }

  // Word w of element e in the dump.
  long long word(int e, int w) {
    const std::string d = read("d.json");
    size_t p = d.find("{\"index\":" + std::to_string(e) + ",");
    if (p == std::string::npos) return -999999;
    p = d.find("\"words\":[", p);
    if (p == std::string::npos) return -999999;
    p += 9;
    for (int i = 0; i < w; ++i) p = d.find(',', p) + 1;
    return std::atoll(d.c_str() + p);
  }

  // The screenshot as RGBA rows; false when it is missing or unreadable.
  bool screenshot(const std::string& name, int& w, int& h, std::vector<uint8_t>& rgba) {
    return read_png(read(name), w, h, rgba);
  }

  // Writes the project and the run request without running it.
  void write_project(const std::vector<ElementSpec>& elements) {
    EXPECT_TRUE(core::write_file_atomic(dir + "projects/t/t.prj", project_file(elements)));
    EXPECT_TRUE(core::write_file_atomic(dir + "runmode.ini", "projects/t/t.prj\r\n1\r\n0\r\n0\r\n0\r\n"));
  }
};

}  // namespace testing_support
