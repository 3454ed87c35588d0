#include "project/records.h"

#include <utility>
#include <vector>

#include "core/text.h"
#include "project/channel_map.h"
#include "project/state.h"

namespace project {

namespace {

const std::string kNoRecord;

// Rewrites the element references of a parameter list: item 1 is the count
// n, parameter j has its kind at item 3j + 2 and its value at item 3j + 3.
// One pass over the items, however long the list.
template <class Map>
std::string map_references(std::string_view list, Map map) {
  std::vector<std::string_view> items;
  for (size_t start = 0;;) {
    size_t end = list.find('/', start);
    items.push_back(list.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  const int64_t n = core::text_to_int(items[0]);
  std::vector<std::string> mapped(items.size());
  bool changed = false;
  for (int64_t j = 0; j < n && 3 * j + 3 <= static_cast<int64_t>(items.size()); ++j) {
    const size_t kind = static_cast<size_t>(3 * j + 1), value = kind + 1;  // 0-based
    if (core::text_to_int(items[kind]) != kParamElement) continue;
    const int32_t v = core::text_to_int(items[value]);
    const int32_t to = map(v);
    if (to == v) continue;
    mapped[value] = std::to_string(to);
    items[value] = mapped[value];
    changed = true;
  }
  if (!changed) return std::string(list);
  std::string out;
  out.reserve(list.size() + 16);
  for (size_t k = 0; k < items.size(); ++k) {
    if (k) out.push_back('/');
    out.append(items[k]);
  }
  return out;
}

template <class Map>
void map_all_references(Map map) {
  State& s = state();
  for (int i = 0; i <= s.last; ++i) {
    std::string_view list = core::field(s.records[i], kFieldParams);
    if (list.empty()) continue;
    std::string mapped = map_references(list, map);
    if (mapped != list) s.records[i] = core::with_field(s.records[i], kFieldParams, mapped);
  }
}

std::string_view trim_blanks(std::string_view t) {
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  return t;
}

}  // namespace

std::string default_camera_record(std::string_view program_folder) {
  std::string r = "Camera|";
  r += program_folder;
  r += "cameras/default_.03d|./sounds/null_.wav|-|0|0|0|0|0|0|0.000|0|0.000|0|0|0|0.000|0.000|0.000|0|0|0|"
       "0.000|0.000|0.000|0|0|0|0|0|1|0|1|0|1/1/2/1020|0|160/120/479/359/0/20&40/7|0/1|4096/2/50/0|14815378";
  return r;
}

bool is_element_record(std::string_view line) { return !core::field(line, kFieldType).empty(); }

int last_index() { return state().last; }

bool valid_index(int i) { return i >= 0 && i <= state().last; }

void set_load_range(int first, int last) {
  state().range_first = first;
  state().range_last = last;
}
int range_first() { return state().range_first; }
int range_last() { return state().range_last; }

const std::string& record(int i) { return valid_index(i) ? state().records[i] : kNoRecord; }

void set_record(int i, std::string text) {
  if (valid_index(i)) state().records[i] = std::move(text);
}

std::string get_field(int i, int k) { return std::string(core::field(record(i), k)); }

void set_field(int i, int k, std::string_view text) {
  if (valid_index(i)) state().records[i] = core::with_field(state().records[i], k, text);
}

std::string get_item(int i, int k, int n) { return std::string(core::field(core::field(record(i), k), n, '/')); }

void set_item(int i, int k, int n, std::string_view text) {
  if (!valid_index(i)) return;
  set_field(i, k, core::with_field(core::field(record(i), k), n, text, '/'));
}

int32_t field_int(int i, int k) { return core::text_to_int(core::field(record(i), k)); }

int32_t field_thousandths(int i, int k) { return core::text_to_thousandths(core::field(record(i), k)); }

void set_field_thousandths(int i, int k, int32_t value) { set_field(i, k, core::thousandths_to_text(value)); }

int element_type(int i) { return valid_index(i) ? field_int(i, kFieldType) : -1; }

bool insert_record(std::string_view text, int index) {
  State& s = state();
  const int old_last = s.last;
  if (old_last >= core::kElementCount - 1 || index < 0 || index > old_last + 1 || !is_element_record(text))
    return false;
  for (int i = old_last; i >= index; --i) s.records[i + 1] = std::move(s.records[i]);
  s.records[index] = std::string(text);
  s.last = old_last + 1;
  // References to the moved elements follow them (old index..old last).
  if (index <= old_last) map_all_references([&](int32_t v) { return v >= index && v <= old_last ? v + 1 : v; });
  shift_channels_up(index, old_last);
  if (s.range_first > index) ++s.range_first;
  if (s.range_last > index) ++s.range_last;
  return true;
}

void replace_references(int old_index, int new_index) {
  map_all_references([&](int32_t v) { return v == old_index ? new_index : v; });
}

std::string base_name(int i) {
  std::string_view name = core::field(record(i), kFieldName);
  return std::string(trim_blanks(name.substr(0, name.find('('))));
}

int group_end(int i) {
  const int last = state().last;
  if (!valid_index(i)) return last + 1;
  const std::string base = base_name(i);
  int e = i + 1;
  while (e <= last && base_name(e) == base) ++e;
  return e;
}

}  // namespace project
