// The user's manual (docs/manual/) kept true:
//
// - every brain and project the manual shows in a fenced block marked
//   `brain` or `project` is compiled and run headless by the real binary,
//   and what its `; result:` comments state must hold afterwards;
// - the built-in reference names exactly the rows of the built-in table,
//   each once, in its family's page, with its argument count, its aliases,
//   its availability in this build and a description.
//
// The fence forms (the manual's README tells writers the same):
//
//   ```brain [ticks=N] [fails]     a brain of one element (a camera), run for
//                                   N ticks (1: it runs once); `fails`: it
//                                   must not compile
//   ```project [ticks=N]           a whole project file (N defaults to 1000)
//   ```input                       right after a project: the input script
//                                   that project is run with
//
// Inside them a comment `; result: <expectation>, ...` states what the run
// shows: `name = value` for a variable of that brain (any of = != < <= > >=),
// `position_x = value` for a named word of that brain's element (timer,
// credits, velocity_y, ...), or any expectation of the case corpus
// (tests/cases/README.md):
// `tick_count = 5`, `global 1 = 4`, `element Ball position_x > 0`,
// `message contains "..."`.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cases/case_file.h"
#include "manual_pages.h"  // QUILL_MANUAL_PAGES, made by the build from docs/manual
#include "support/headless_run.h"
#include "support/json.h"

namespace {

const std::string kManual = QUILL_SOURCE_DIR "/docs/manual/";

std::vector<std::string> manual_pages() { return {QUILL_MANUAL_PAGES}; }

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line);
  }
  return out;
}

struct Snippet {
  int line = 0;      // of the opening fence in the page
  std::string kind;  // "brain" or "project"
  int ticks = 0;     // 0: the kind's default
  bool fails = false;
  std::string bad;  // a word of the fence line nobody knows
  std::vector<std::string> text;
  std::vector<std::string> input;  // a project's input script, when an input block follows it
  bool has_input = false;
};

// The fenced blocks marked brain or project.
std::vector<Snippet> snippets(const std::string& page) {
  std::vector<Snippet> out;
  const std::vector<std::string> lines = lines_of(page);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind("```", 0) != 0) continue;
    std::istringstream info(lines[i].substr(3));
    std::string kind;
    info >> kind;
    size_t end = i + 1;
    while (end < lines.size() && lines[end].rfind("```", 0) != 0) ++end;
    if (kind == "input" && !out.empty() && out.back().kind == "project" && !out.back().has_input) {
      // The input script of the project block before it.
      out.back().has_input = true;
      out.back().input.assign(lines.begin() + static_cast<long>(i) + 1, lines.begin() + static_cast<long>(end));
    } else if (kind == "brain" || kind == "project") {
      Snippet s;
      s.line = static_cast<int>(i + 1);
      s.kind = kind;
      for (std::string w; info >> w;) {
        if (w.rfind("ticks=", 0) == 0 && w.size() > 6 && w.size() < 12 &&
            std::all_of(w.begin() + 6, w.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
          s.ticks = std::stoi(w.substr(6));
        else if (w == "fails" && kind == "brain")
          s.fails = true;
        else
          s.bad = w;
      }
      s.text.assign(lines.begin() + static_cast<long>(i) + 1, lines.begin() + static_cast<long>(end));
      out.push_back(std::move(s));
    }
    i = end;
  }
  return out;
}

// The variable names a brain declares, in declaration order (variable 1
// first), lower case.
std::vector<std::string> declarations(const std::vector<std::string>& brain) {
  std::vector<std::string> names;
  for (const std::string& raw : brain) {
    std::string l = lower(trim(raw.substr(0, raw.find(';'))));
    for (char& c : l)
      if (c == '\t') c = ' ';
    size_t prefix = 0;
    if (l.rfind("var ", 0) == 0) {
      prefix = 4;
    } else if (l.rfind("user", 0) == 0 && l.size() >= 8) {
      const std::string kind = l.substr(4, 4);
      if (kind == "ele " || kind == "int " || kind == "met " || kind == "deg " || kind == "vel " || kind == "spi ")
        prefix = 8;
    }
    if (prefix)
      names.push_back(
          trim(l.substr(prefix, l.find('=') == std::string::npos ? std::string::npos : l.find('=') - prefix)));
  }
  return names;
}

// The case expectations of the `; result:` comments of one brain, which is
// element `element` of its project.
std::vector<std::string> results(const std::vector<std::string>& brain, int element) {
  const std::vector<std::string> vars = declarations(brain);
  std::vector<std::string> out;
  for (const std::string& raw : brain) {
    const size_t c = raw.find(';');
    if (c == std::string::npos) continue;
    const std::string comment = trim(raw.substr(c + 1));
    if (lower(comment).rfind("result:", 0) != 0) continue;
    const std::string stated = trim(comment.substr(7));
    std::vector<std::string> parts;
    if (stated.rfind("message", 0) == 0) {
      parts.push_back(stated);
    } else {
      std::istringstream in(stated);
      for (std::string p; std::getline(in, p, ',');) parts.push_back(trim(p));
    }
    for (const std::string& p : parts) {
      const std::string first = lower(p.substr(0, p.find_first_of(" =!<>")));
      const auto v = std::find(vars.begin(), vars.end(), first);
      if (v != vars.end())
        out.push_back("element " + std::to_string(element) + " var " + std::to_string(v - vars.begin() + 1) +
                      p.substr(first.size()));
      else if (case_corpus::word_number(first) >= 0)  // a word of this element's state: position_x, credits, ...
        out.push_back("element " + std::to_string(element) + " " + p);
      else
        out.push_back(p);
    }
  }
  return out;
}

// Expectations written as case lines, parsed by the case corpus' reader.
bool expectations(const std::vector<std::string>& lines, std::vector<case_corpus::Expectation>& out,
                  std::string& fault) {
  std::string text = "element\n  brain: exit(0)\nexpect:\n  tick_count >= 0\n";
  for (const std::string& l : lines) text += "  " + l + "\n";
  case_corpus::Case c;
  std::vector<case_corpus::Fault> faults;
  if (!case_corpus::parse_case(text, c, faults)) {
    fault = faults.empty() ? "cannot read the results" : faults.front().what;
    const size_t line = faults.empty() ? 0 : static_cast<size_t>(faults.front().line);
    if (line >= 5 && line - 5 < lines.size()) fault += ": " + lines[line - 5];
    return false;
  }
  out.assign(c.expectations.begin() + 1, c.expectations.end());
  return true;
}

class Page : public testing_support::HeadlessRun, public ::testing::WithParamInterface<std::string> {
 protected:
  // Runs one snippet and checks what it states; failures name the page line.
  void check(const std::string& path, const Snippet& s) {
    SCOPED_TRACE(path + ":" + std::to_string(s.line));
    if (!s.bad.empty()) {
      ADD_FAILURE_AT(path.c_str(), s.line) << "unknown word '" << s.bad << "' on the fence line";
      return;
    }
    std::vector<std::string> stated;
    std::string options;
    if (s.kind == "brain") {
      stated = results(s.text, 0);
      stated.push_back(std::string("messages containing \"brain ERROR!\" = ") + (s.fails ? "1" : "0"));
      std::string brain;
      for (const std::string& l : s.text) brain += l + "\n";
      write_project({{{}, brain}});
      options = "--ticks " + std::to_string(s.ticks ? s.ticks : 1);
    } else {
      int element = -1;
      std::vector<std::string> brain;
      std::string text;
      for (const std::string& l : s.text) {
        text += l + "\n";
        if (l.size() > 1 && l[0] == '@' && std::isdigit(static_cast<unsigned char>(l[1]))) {
          for (const std::string& r : results(brain, element)) stated.push_back(r);
          brain.clear();
          element = std::atoi(l.c_str() + 1);
        } else if (element >= 0) {
          brain.push_back(l);
        }
      }
      for (const std::string& r : results(brain, element)) stated.push_back(r);
      stated.push_back("messages containing \"brain ERROR!\" = 0");
      write("projects/t/t.prj", text);
      write("runmode.ini", "projects/t/t.prj\r\n1\r\n0\r\n0\r\n0\r\n");
      options = "--ticks " + std::to_string(s.ticks ? s.ticks : 1000);
      ::unlink((dir + "input.txt").c_str());
      if (s.has_input) {
        std::string script;
        for (const std::string& l : s.input) script += l + "\n";
        write("input.txt", script);
        options += " --input-script input.txt";
      }
    }
    std::vector<case_corpus::Expectation> want;
    std::string fault;
    if (!expectations(stated, want, fault)) {
      ADD_FAILURE_AT(path.c_str(), s.line) << fault;
      return;
    }
    ::unlink((dir + "d.json").c_str());
    ::unlink((dir + "m.jsonl").c_str());
    if (quill("--headless --messages m.jsonl --dump d.json " + options) != 0) {
      ADD_FAILURE_AT(path.c_str(), s.line) << "the run failed:\n" << last_output;
      return;
    }
    const testing_support::Dump& d = dump();
    const std::vector<testing_support::Message> m = messages();
    for (const case_corpus::Expectation& e : want) {
      std::string shown;
      if (!case_corpus::check(e, d, m, shown))
        ADD_FAILURE_AT(path.c_str(), s.line) << "the manual says: " << e.written << "\n        the run: " << shown;
    }
  }
};

// "getting-started.md" -> "getting_started", "reference/motion.md" -> "reference_motion".
std::string test_name(const ::testing::TestParamInfo<std::string>& info) {
  std::string name = info.param.substr(0, info.param.rfind(".md"));
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

TEST_P(Page, BrainsAndProjectsDoWhatThePageSays) {
  const std::string path = kManual + GetParam();
  std::string text;
  ASSERT_TRUE(core::read_file(path, text)) << "cannot read " << path;
  for (const Snippet& s : snippets(text)) check(path, s);
}

INSTANTIATE_TEST_SUITE_P(Manual, Page, ::testing::ValuesIn(manual_pages()), test_name);

// ---------------------------------------------------------------------------
// The built-in reference against the table of the binary.

struct Entry {
  std::string page;
  int line = 0;
  std::string name_cell, arguments, result, description;
};

std::vector<std::string> cells(const std::string& line) {
  std::vector<std::string> out;
  std::string cell;
  for (size_t i = 1; i < line.size(); ++i) {
    if (line[i] == '|') {
      out.push_back(trim(cell));
      cell.clear();
    } else {
      cell += line[i];
    }
  }
  return out;
}

int argument_count(const std::string& cell) {
  if (cell.empty() || cell == "—" || cell == "-") return 0;
  return static_cast<int>(std::count(cell.begin(), cell.end(), ',')) + 1;
}

class Reference : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string cmd = std::string("exec '") + QUILL_BINARY + "' --builtins=json 2>&1";
    FILE* out = popen(cmd.c_str(), "r");
    ASSERT_NE(out, nullptr);
    std::string listing;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, out)) > 0;) listing.append(buf, n);
    ASSERT_EQ(pclose(out), 0) << listing;
    std::string error;
    const std::optional<testing_support::Json> j = testing_support::Json::parse(listing, &error);
    ASSERT_TRUE(j) << error;
    table = *j;
    for (const std::string& page : manual_pages()) {
      if (page.rfind("reference/", 0) != 0 || page == "reference/README.md") continue;
      std::string text;
      ASSERT_TRUE(core::read_file(kManual + page, text));
      const std::vector<std::string> lines = lines_of(text);
      for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind("| `", 0) != 0) continue;
        const std::vector<std::string> c = cells(lines[i]);
        const size_t tick = c.empty() ? std::string::npos : c[0].find('`', 1);
        if (c.size() != 4 || tick == std::string::npos) {
          ADD_FAILURE_AT((kManual + page).c_str(), static_cast<int>(i + 1)) << "a row needs four cells";
          continue;
        }
        const std::string name = c[0].substr(1, tick - 1);
        if (entries.count(name)) {
          ADD_FAILURE_AT((kManual + page).c_str(), static_cast<int>(i + 1)) << name << " is described twice";
          continue;
        }
        entries[name] = {page, static_cast<int>(i + 1), c[0], c[1], c[2], c[3]};
      }
    }
  }

  testing_support::Json table;
  std::map<std::string, Entry> entries;
};

// What tools/manual-reference writes in the first cell.
std::string name_cell(const testing_support::Json& row) {
  std::string cell = "`" + row["name"].string().value_or("") + "`";
  const auto& aliases = row["aliases"].items();
  if (!aliases.empty()) {
    cell += " (same as ";
    for (size_t i = 0; i < aliases.size(); ++i) cell += (i ? ", `" : "`") + aliases[i].string().value_or("") + "`";
    cell += ")";
  }
  if (row["available"].boolean() != true) cell += " (not yet)";
  return cell;
}

TEST_F(Reference, ListsEveryRowOfTheTableOnceWithItsDescription) {
  const auto& rows = table["builtins"].items();
  ASSERT_EQ(rows.size(), static_cast<size_t>(table["count"].integer().value_or(-1)));
  std::set<std::string> names;
  for (const testing_support::Json& row : rows) {
    const std::string name = row["name"].string().value_or("");
    names.insert(name);
    const auto it = entries.find(name);
    if (it == entries.end()) {
      ADD_FAILURE() << "the reference lacks " << name << " (tools/manual-reference adds it)";
      continue;
    }
    const Entry& e = it->second;
    const std::string where = kManual + e.page;
    const std::string family = row["family"].string().value_or("");
    if (e.page != "reference/" + family + ".md")
      ADD_FAILURE_AT(where.c_str(), e.line) << name << " belongs to reference/" << family << ".md";
    if (argument_count(e.arguments) != row["args"].integer())
      ADD_FAILURE_AT(where.c_str(), e.line)
          << name << " takes " << *row["args"].integer() << " arguments, not '" << e.arguments << "'";
    if (e.name_cell != name_cell(row))
      ADD_FAILURE_AT(where.c_str(), e.line)
          << "the first cell should read " << name_cell(row) << " (tools/manual-reference writes it)";
    if (e.description.size() < 12 || e.description.find("TODO") != std::string::npos)
      ADD_FAILURE_AT(where.c_str(), e.line) << name << " needs a description";
    if (e.result.empty()) ADD_FAILURE_AT(where.c_str(), e.line) << name << " needs its result";
  }
  for (const auto& [name, e] : entries)
    if (!names.count(name))
      ADD_FAILURE_AT((kManual + e.page).c_str(), e.line) << name << " is no built-in of this build's table";
}

// The availability notes and the index are the generator's, for this build.
TEST_F(Reference, AvailabilityIsThatOfThisBuild) {
  std::map<std::string, std::pair<int, int>> family;  // rows, available
  for (const testing_support::Json& row : table["builtins"].items()) {
    auto& f = family[row["family"].string().value_or("")];
    ++f.first;
    f.second += row["available"].boolean() == true ? 1 : 0;
  }
  std::string index;
  ASSERT_TRUE(core::read_file(kManual + "reference/README.md", index));
  for (const auto& [key, counts] : family) {
    const std::string line = "| " + key + " | [" + key + ".md](" + key + ".md) | " + std::to_string(counts.first) +
                             " | " + std::to_string(counts.second) + " |";
    EXPECT_NE(index.find(line), std::string::npos)
        << "reference/README.md should read " << line << "; run tools/manual-reference to refresh the reference";
    std::string page;
    ASSERT_TRUE(core::read_file(kManual + "reference/" + key + ".md", page));
    const std::string note = counts.second == counts.first ? "All " + std::to_string(counts.first) + " built-ins"
                             : counts.second == 0          ? "None of the " + std::to_string(counts.first)
                                                           : std::to_string(counts.second) + " of the " +
                                                        std::to_string(counts.first) + " built-ins";
    EXPECT_NE(page.find(note), std::string::npos)
        << "reference/" << key << ".md: its availability note is not this build's; run tools/manual-reference";
  }
}

// ---------------------------------------------------------------------------
// Getting started, followed word for word: its two projects show in the
// frame what the page says.

class GettingStarted : public testing_support::HeadlessRun {
 protected:
  // Runs project block `n` of the page with a screenshot; the pixel reader.
  void run_project(size_t n, int ticks) {
    std::string page;
    ASSERT_TRUE(core::read_file(kManual + "getting-started.md", page));
    std::vector<Snippet> projects;
    for (const Snippet& s : snippets(page))
      if (s.kind == "project") projects.push_back(s);
    ASSERT_GT(projects.size(), n);
    std::string text;
    for (const std::string& l : projects[n].text) text += l + "\n";
    write("projects/first/first.prj", text);
    write("runmode.ini", "projects/first/first.prj\n1\n0\n");
    ASSERT_EQ(quill("--headless --ticks " + std::to_string(ticks) + " --screenshot shot.png"), 0) << last_output;
    ASSERT_TRUE(screenshot("shot.png", w, h, px));
    ASSERT_EQ(w, 640);
    ASSERT_EQ(h, 480);
  }
  // How many pixels of the rectangle pass the test.
  template <class Test>
  int count(int x1, int y1, int x2, int y2, Test test) const {
    int n = 0;
    for (int y = y1; y <= y2; ++y)
      for (int x = x1; x <= x2; ++x) n += test(&px[(static_cast<size_t>(y) * w + x) * 4]) ? 1 : 0;
    return n;
  }
  int w = 0, h = 0;
  std::vector<uint8_t> px;
};

bool sky(const uint8_t* p) { return p[0] == 16 && p[1] == 28 && p[2] == 88; }  // (20, 30, 90) at 16 bits
bool orange(const uint8_t* p) { return p[0] > 150 && p[1] > 80 && p[1] < 200 && p[2] < 100; }
bool white(const uint8_t* p) { return p[0] > 200 && p[1] > 200 && p[2] > 200; }
bool ball(const uint8_t* p) { return p[0] == 248 && p[1] == 200 && p[2] == 40; }  // (255, 200, 40)

TEST_F(GettingStarted, TheFirstSceneIsAnOrangeBoxInTheMiddleOfTheSky) {
  run_project(0, 30);
  EXPECT_GT(count(300, 220, 340, 260, orange), 1500);  // the middle
  EXPECT_GT(count(0, 0, 639, 100, sky), 50000);        // the sky above it
  EXPECT_EQ(count(0, 0, 639, 100, orange), 0);
}

TEST_F(GettingStarted, TheSecondSceneHasTextCounterAndBallWhereThePageSays) {
  run_project(1, 1000);
  EXPECT_GT(count(24, 16, 200, 50, white), 100);    // "Hello from quill" at (24, 16)
  EXPECT_GT(count(540, 16, 600, 45, white), 40);    // the counter at (540, 16)
  EXPECT_GT(count(600, 400, 631, 431, ball), 300);  // the ball at (600, 400) after 150 ticks
  EXPECT_EQ(count(0, 400, 599, 431, ball), 0);
  EXPECT_GT(count(0, 0, 639, 479, orange), 5000);  // the box
}

// ---------------------------------------------------------------------------
// Links between the pages.

// The anchor a heading gets: lower case, blanks as "-", and only letters,
// digits, "-" and "_" kept.
std::string anchor(const std::string& heading) {
  std::string out;
  for (char c : lower(heading)) {
    if (c == ' ')
      out += '-';
    else if (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_')
      out += c;
  }
  return out;
}

// The anchors of a Markdown file's headings (outside fenced blocks).
std::set<std::string> anchors(const std::string& text) {
  std::set<std::string> out;
  bool fenced = false;
  for (const std::string& line : lines_of(text)) {
    if (line.rfind("```", 0) == 0) fenced = !fenced;
    if (fenced || line.empty() || line[0] != '#') continue;
    const size_t b = line.find_first_not_of('#');
    if (b != std::string::npos) out.insert(anchor(trim(line.substr(b))));
  }
  return out;
}

std::string folder_of(const std::string& path) { return path.substr(0, path.rfind('/') + 1); }

// "a/b/../c.md" -> "a/c.md".
std::string normal(const std::string& path) {
  std::vector<std::string> parts;
  std::istringstream in(path);
  for (std::string p; std::getline(in, p, '/');) {
    if (p == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (p != "." && !p.empty()) {
      parts.push_back(p);
    }
  }
  std::string out;
  for (const std::string& p : parts) out += "/" + p;
  return out;
}

TEST(ManualLinks, LeadToPagesAndHeadingsThatExist) {
  for (const std::string& page : manual_pages()) {
    const std::string path = kManual + page;
    std::string text;
    ASSERT_TRUE(core::read_file(path, text));
    const std::vector<std::string> lines = lines_of(text);
    bool fenced = false;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].rfind("```", 0) == 0) fenced = !fenced;
      if (fenced) continue;
      for (size_t p = lines[i].find("]("); p != std::string::npos; p = lines[i].find("](", p + 2)) {
        const size_t end = lines[i].find(')', p + 2);
        if (end == std::string::npos) continue;
        const std::string target = lines[i].substr(p + 2, end - p - 2);
        if (target.rfind("http", 0) == 0 || target.empty()) continue;
        const size_t hash = target.find('#');
        const std::string file = target.substr(0, hash);
        const std::string linked = file.empty() ? path : normal(folder_of(path) + file);
        std::string linked_text;
        if (!core::read_file(linked, linked_text) && !core::file_exists(linked + "/")) {
          ADD_FAILURE_AT(path.c_str(), static_cast<int>(i + 1)) << "no file " << target;
          continue;
        }
        if (hash != std::string::npos && !anchors(linked_text).count(target.substr(hash + 1)))
          ADD_FAILURE_AT(path.c_str(), static_cast<int>(i + 1)) << "no heading for " << target;
      }
    }
  }
}

}  // namespace
