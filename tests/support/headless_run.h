// End-to-end fixtures: a fresh installation of the real binary in a
// temporary folder, and headless runs of generated projects in it. Every
// run of the binary is bounded by a timeout; a run that times out or dies
// from a signal fails the test and shows the end of what it printed.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/files.h"
#include "support/png_reader.h"
#include "support/project_builder.h"
#include "support/run_output.h"
#include "support/temp_folder.h"

namespace testing_support {

// `quill --init-install` into a new folder, which is the program folder of
// every run. The folder is removed after the test unless it failed.
class Installation : public ::testing::Test {
 protected:
  Installation() : folder_("quill-run"), dir(folder_.path()) {}
  void SetUp() override;

  // Runs the binary with `args` (split by the shell) in the installation
  // and answers its exit status, or -1 when a signal ended it.
  int quill(const std::string& args);

  std::string read(const std::string& name) const;
  void write(const std::string& name, const std::string& text);
  bool exists(const std::string& name) const;

 private:
  TempFolder folder_;

 protected:
  const std::string dir;      // the installation, ending in "/"
  int timeout_seconds = 120;  // for each run of the binary
  std::string launcher;       // a command the binary runs under ("xvfb-run -a"), or none
  std::string last_output;    // what the last run printed (stdout and stderr)
};

// Runs of a project "projects/t/t.prj" in the installation, with a state
// dump "d.json" and a message log "m.jsonl".
class HeadlessRun : public Installation {
 protected:
  void SetUp() override;

  // Writes the project and runs it headless; a tick limit of 1000 unless
  // `extra` sets one. Answers the exit status.
  int run(const std::vector<ElementSpec>& elements, const std::string& extra = "");
  // Writes the project and the run request without running it.
  void write_project(const std::vector<ElementSpec>& elements);

  // The dump and the messages of the last run (a malformed file fails the test).
  const Dump& dump();
  std::vector<Message> messages();

  // A counter of the dump, and word w of element e; kMissing when absent.
  static constexpr long long kMissing = -999999;
  long long dump_value(const std::string& key);
  long long word(int e, int w);

  // The screenshot as RGBA rows; false when it is missing or unreadable.
  bool screenshot(const std::string& name, int& w, int& h, std::vector<uint8_t>& rgba) const;

 private:
  std::string dump_text_;
  Dump dump_;
};

}  // namespace testing_support
