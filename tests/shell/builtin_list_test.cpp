// `quill --builtins`: the list of the built-in table that editors and tools
// read, in text and JSON, with the rows this build binds.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "brain/bind.h"
#include "brain/table.h"
#include "shell/bindings.h"
#include "shell/builtin_list.h"
#include "shell/options.h"
#include "support/json.h"

namespace {

using testing_support::Json;

TEST(BuiltinList, OptionChoosesTheFormat) {
  const char* plain[] = {"quill", "--builtins"};
  EXPECT_EQ(shell::parse_options(2, plain).builtins, "text");
  const char* text[] = {"quill", "--builtins=text"};
  EXPECT_EQ(shell::parse_options(2, text).builtins, "text");
  const char* json[] = {"quill", "--builtins=json"};
  EXPECT_EQ(shell::parse_options(2, json).builtins, "json");
  const char* other[] = {"quill", "--builtins=xml"};
  const shell::Options o = shell::parse_options(2, other);
  EXPECT_FALSE(o.error.empty());
  EXPECT_TRUE(o.builtins.empty());
}

// Every row once, in table order, with its count, family, binding and the
// other names of its routine; an unbound row reads as not available.
TEST(BuiltinList, JsonListsEveryRowAsBound) {
  shell::bind_builtins();
  brain::unbind("keyboard");  // whatever this build has, one row is a placeholder
  std::string error;
  const std::optional<Json> j = Json::parse(shell::builtin_list_json(), &error);
  ASSERT_TRUE(j) << error;
  ASSERT_EQ(j->at("count").integer(), brain::kRowCount);
  const Json& rows = j->at("builtins");
  ASSERT_EQ(rows.size(), static_cast<size_t>(brain::kRowCount));
  int available = 0;
  for (int i = 0; i < brain::kRowCount; ++i) {
    const brain::Row& r = brain::row(i);
    const Json& row = rows[i];
    EXPECT_EQ(row["name"].string(), std::string(r.name));
    EXPECT_EQ(row["args"].integer(), r.argc) << r.name;
    EXPECT_EQ(row["family"].string(), shell::family_key(r.family)) << r.name;
    EXPECT_EQ(row["available"].boolean(), !brain::is_placeholder(i)) << r.name;
    available += brain::is_placeholder(i) ? 0 : 1;
    for (const Json& a : row["aliases"].items()) {
      const int other = brain::find_row(a.string().value_or(""));
      ASSERT_GE(other, 0) << r.name;
      EXPECT_EQ(brain::alias_leader(other), brain::alias_leader(i)) << r.name;
    }
  }
  EXPECT_EQ(j->at("available").integer(), available);
  const Json& keyboard = rows[brain::find_row("keyboard")];
  EXPECT_EQ(keyboard["available"].boolean(), false);
  const Json& agl = rows[brain::find_row("agl")];
  std::set<std::string> names;
  for (const Json& a : agl["aliases"].items()) names.insert(a.string().value_or(""));
  EXPECT_EQ(names, (std::set<std::string>{"above_ground_level", "aglevel"}));
  EXPECT_EQ(rows[brain::find_row("run_task")]["aliases"].size(), 0u);
  EXPECT_EQ(rows[brain::find_row("max_framerate")]["family"].string(), "run-loop");
}

TEST(BuiltinList, TextHasOneLinePerRow) {
  shell::bind_builtins();
  brain::unbind("keyboard");
  std::istringstream in(shell::builtin_list_text());
  std::string line;
  int rows = 0;
  while (std::getline(in, line)) {
    if (line.rfind('#', 0) == 0) continue;
    std::istringstream words(line);
    std::string name, family, available, aliases;
    int args = -1;
    words >> name >> args >> family >> available >> aliases;
    ASSERT_LT(rows, brain::kRowCount);
    const brain::Row& r = brain::row(rows);
    EXPECT_EQ(name, r.name);
    EXPECT_EQ(args, r.argc);
    EXPECT_EQ(family, shell::family_key(r.family));
    EXPECT_EQ(available, brain::is_placeholder(rows) ? "no" : "yes") << name;
    if (name == "absolute_value") {
      EXPECT_EQ(aliases, "abs");
    }
    if (name == "hearer") {
      EXPECT_EQ(aliases, "listener");
    }
    ++rows;
  }
  EXPECT_EQ(rows, brain::kRowCount);
}

}  // namespace
