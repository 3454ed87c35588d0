#include "support/headless_run.h"

#include <stdio.h>
#include <sys/wait.h>

#include <csignal>

#include "core/files.h"

#ifndef QUILL_BINARY
#define QUILL_BINARY "quill"
#endif

namespace testing_support {

namespace {

// Single quotes for the shell.
std::string quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string tail(const std::string& text, size_t n = 4000) {
  return text.size() <= n ? text : "..." + text.substr(text.size() - n);
}

}  // namespace

void Installation::SetUp() { ASSERT_EQ(quill("--init-install " + quoted(dir)), 0) << tail(last_output); }

int Installation::quill(const std::string& args) {
  // timeout ends the run with TERM, and with KILL 5 s later; it answers
  // 124 (or 137) then, and passes a signal that ended the binary on.
  const std::string cmd = "cd " + quoted(dir) + " && exec timeout -k 5 " + std::to_string(timeout_seconds) + " " +
                          (launcher.empty() ? "" : launcher + " ") + quoted(QUILL_BINARY) + " " + args +
                          " 2>&1 </dev/null";
  last_output.clear();
  FILE* out = popen(cmd.c_str(), "r");
  if (!out) {
    ADD_FAILURE() << "cannot start " << cmd;
    return -1;
  }
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, out)) > 0;) last_output.append(buf, n);
  const int rc = pclose(out);
  if (WIFSIGNALED(rc)) {
    ADD_FAILURE() << "quill " << args << " ended by signal " << WTERMSIG(rc) << ":\n" << tail(last_output);
    return -1;
  }
  const int status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  if (status == 124 || status == 137)
    ADD_FAILURE() << "quill " << args << " did not end within " << timeout_seconds << " s:\n" << tail(last_output);
  else if (status > 128 && status < 128 + 32)
    ADD_FAILURE() << "quill " << args << " ended by signal " << status - 128 << ":\n" << tail(last_output);
  return status;
}

std::string Installation::read(const std::string& name) const {
  std::string text;
  core::read_file(dir + name, text);
  return text;
}

void Installation::write(const std::string& name, const std::string& text) {
  core::make_folders(core::folder_of(dir + name));
  EXPECT_TRUE(core::write_file_atomic(dir + name, text)) << name;
}

bool Installation::exists(const std::string& name) const { return core::file_exists(dir + name); }

void HeadlessRun::SetUp() {
  Installation::SetUp();
  if (HasFatalFailure()) return;
  ASSERT_TRUE(core::make_folders(dir + "projects/t"));
}

int HeadlessRun::run(const std::vector<ElementSpec>& elements, const std::string& extra) {
  write_project(elements);
  const std::string limit = extra.find("--ticks") == std::string::npos ? "--ticks 1000 " : "";
  return quill("--headless --messages m.jsonl --dump d.json " + limit + extra);
}

void HeadlessRun::write_project(const std::vector<ElementSpec>& elements) {
  EXPECT_TRUE(core::write_file_atomic(dir + "projects/t/t.prj", project_file(elements)));
  EXPECT_TRUE(core::write_file_atomic(dir + "runmode.ini", "projects/t/t.prj\r\n1\r\n0\r\n0\r\n0\r\n"));
}

const Dump& HeadlessRun::dump() {
  const std::string text = read("d.json");
  if (text != dump_text_ || text.empty()) {
    dump_text_ = text;
    dump_ = text.empty() ? Dump::read(dir + "d.json") : Dump::parse(text);
    if (!dump_.ok()) ADD_FAILURE() << dump_.error();
  }
  return dump_;
}

std::vector<Message> HeadlessRun::messages() {
  std::vector<Message> out;
  std::string error;
  if (!read_messages(dir + "m.jsonl", out, &error)) ADD_FAILURE() << error;
  return out;
}

long long HeadlessRun::dump_value(const std::string& key) { return dump().value(key).value_or(kMissing); }

long long HeadlessRun::word(int e, int w) { return dump().word(e, w).value_or(kMissing); }

bool HeadlessRun::screenshot(const std::string& name, int& w, int& h, std::vector<uint8_t>& rgba) const {
  return read_png(read(name), w, h, rgba);
}

}  // namespace testing_support
