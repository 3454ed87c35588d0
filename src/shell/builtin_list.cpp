#include "shell/builtin_list.h"

#include <cstdio>
#include <vector>

#include "brain/bind.h"
#include "core/text.h"

namespace shell {

namespace {

// The other rows that call the same routine, in table order.
std::vector<std::string_view> aliases_of(int row) {
  std::vector<std::string_view> out;
  for (int i = 0; i < brain::kRowCount; ++i)
    if (i != row && brain::alias_leader(i) == brain::alias_leader(row)) out.push_back(brain::row(i).name);
  return out;
}

int available_count() {
  int n = 0;
  for (int i = 0; i < brain::kRowCount; ++i) n += brain::is_placeholder(i) ? 0 : 1;
  return n;
}

}  // namespace

std::string family_key(brain::Family f) {
  std::string key(brain::family_name(f));
  for (char& c : key)
    if (c == ' ') c = '-';
  return key;
}

std::string builtin_list_text() {
  std::string out = "# name                     args  family      available  aliases\n";
  char line[160];
  for (int i = 0; i < brain::kRowCount; ++i) {
    const brain::Row& r = brain::row(i);
    std::string aliases;
    for (std::string_view a : aliases_of(i)) {
      if (!aliases.empty()) aliases += ',';
      aliases += a;
    }
    std::snprintf(line, sizeof line, "%-26.*s %4d  %-11s %-10s %s", static_cast<int>(r.name.size()), r.name.data(),
                  r.argc, family_key(r.family).c_str(), brain::is_placeholder(i) ? "no" : "yes", aliases.c_str());
    std::string text = line;
    while (!text.empty() && text.back() == ' ') text.pop_back();
    out += text + "\n";
  }
  out += "# " + std::to_string(brain::kRowCount) + " built-ins, " + std::to_string(available_count()) +
         " available in this build\n";
  return out;
}

std::string builtin_list_json() {
  std::string out = "{\"count\":" + std::to_string(brain::kRowCount) +
                    ",\"available\":" + std::to_string(available_count()) + ",\"builtins\":[";
  for (int i = 0; i < brain::kRowCount; ++i) {
    const brain::Row& r = brain::row(i);
    if (i) out += ',';
    out += "\n{\"name\":" + core::json_string(r.name) + ",\"args\":" + std::to_string(r.argc) +
           ",\"family\":" + core::json_string(family_key(r.family)) +
           ",\"available\":" + (brain::is_placeholder(i) ? "false" : "true") + ",\"aliases\":[";
    bool first = true;
    for (std::string_view a : aliases_of(i)) {
      if (!first) out += ',';
      first = false;
      out += core::json_string(a);
    }
    out += "]}";
  }
  out += "\n]}\n";
  return out;
}

}  // namespace shell
