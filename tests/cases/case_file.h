// The .case files of the behavioural corpus (the format is described in
// tests/cases/README.md): a project of elements with inline brains, the
// options of its headless run, and what the dump and the message log must
// show afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/project_builder.h"
#include "support/run_output.h"

namespace case_corpus {

struct Expectation {
  enum class Kind { kCounter, kGlobal, kWord, kMessageContains, kMessageLacks, kMessageCount };
  Kind kind = Kind::kCounter;
  int line = 0;         // in the case file
  std::string written;  // the line as written, for failure messages
  std::string counter;  // kCounter: a top-level key of the dump
  std::string element;  // kWord: an element index or name
  int index = 0;        // kWord: the word number; kGlobal: the global
  std::string op;       // = != < <= > >=
  int64_t value = 0;
  bool pattern = false;  // the value was written in hexadecimal: a 32-bit pattern
  std::string text;      // kMessage*: the text looked for
};

struct Case {
  std::string options;             // extra command-line options of the run
  std::vector<std::string> input;  // input-script lines
  std::vector<testing_support::ElementSpec> elements;
  std::vector<Expectation> expectations;
};

struct Fault {
  int line = 0;  // 0: the case as a whole
  std::string what;
};

// Parses a case; false when anything is wrong, with every fault found.
bool parse_case(std::string_view text, Case& out, std::vector<Fault>& faults);

// The record field an element setting names ("type", "position_x",
// "field 17", ...), or 0.
int field_number(std::string_view setting);
// The ElementState word a name in an expectation stands for ("timer",
// "velocity_y", ...), or -1.
int word_number(std::string_view name);

bool holds(int64_t got, std::string_view op, int64_t want);

// Checks one expectation against what the run left; false with what the
// run showed instead in `shown`.
bool check(const Expectation& e, const testing_support::Dump& dump,
           const std::vector<testing_support::Message>& messages, std::string& shown);

}  // namespace case_corpus
