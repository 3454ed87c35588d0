// The behavioural corpus: every .case file of tests/cases is one headless
// run of the real binary, checked against the file's expectations.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "case_list.h"  // QUILL_CASE_FILES, made by the build from the folder
#include "cases/case_file.h"
#include "support/headless_run.h"

namespace {

const std::string kFolder = QUILL_SOURCE_DIR "/tests/cases/";

std::vector<std::string> case_files() { return {QUILL_CASE_FILES}; }

// "friction-and-drag.case" -> "friction_and_drag".
std::string test_name(const ::testing::TestParamInfo<std::string>& info) {
  std::string name = info.param.substr(0, info.param.rfind(".case"));
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

class Case : public testing_support::HeadlessRun, public ::testing::WithParamInterface<std::string> {};

TEST_P(Case, RunShowsWhatItExpects) {
  const std::string path = kFolder + GetParam();
  std::string text;
  ASSERT_TRUE(core::read_file(path, text)) << "cannot read " << path;
  case_corpus::Case c;
  std::vector<case_corpus::Fault> faults;
  if (!case_corpus::parse_case(text, c, faults)) {
    for (const case_corpus::Fault& f : faults) ADD_FAILURE_AT(path.c_str(), f.line) << f.what;
    return;
  }
  std::string options = c.options;
  if (!c.input.empty()) {
    std::string script;
    for (const std::string& line : c.input) script += line + "\n";
    write("input.txt", script);
    options += " --input-script input.txt";
  }
  ASSERT_EQ(run(c.elements, options), 0) << last_output;
  const testing_support::Dump& dump = this->dump();
  ASSERT_TRUE(dump.ok()) << dump.error();
  const std::vector<testing_support::Message> messages = this->messages();
  for (const case_corpus::Expectation& e : c.expectations) {
    std::string shown;
    if (!case_corpus::check(e, dump, messages, shown))
      ADD_FAILURE_AT(path.c_str(), e.line) << "expected: " << e.written << "\n     run: " << shown;
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, Case, ::testing::ValuesIn(case_files()), test_name);

}  // namespace
