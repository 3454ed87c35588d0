#include <cstdio>

#include "core/files.h"
#include "core/state.h"
#include "editors/tools.h"
#include "ui/boxes.h"
#include "ui/dialogs.h"
#include "ui/files.h"

namespace editors {

namespace {

constexpr int kMaxFrames = 999;

std::string three_digits(int k) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%03d", k % 1000);
  return buf;
}

std::string digits(int k, int width) {
  std::string s = three_digits(k);
  return s.substr(s.size() - static_cast<size_t>(width));
}

bool overwrite_agreed(const std::string& name) {
  return core::box("WARNING! An animation named '" + name + "' already exists!|Do you want to overwrite it?", " NO ",
                   " YES ") == 2;
}

// Copies `from` to `to` and only then deletes `from`, so that a frame that
// cannot be written stays under its old name. False when the copy failed.
bool move_frame(const std::string& from, const std::string& to) {
  std::string bytes;
  if (!core::read_file(from, bytes) || !core::write_file_atomic(to, bytes)) {
    core::box("Cannot rename '" + from + "' to '" + to + "':|the frames from this one on keep their names.", " OK ",
              " OK ");
    return false;
  }
  core::remove_file(from);
  return true;
}

void report(int32_t count) {
  if (count >= 0) core::box(std::to_string(count) + " files renamed.", " OK ", " OK ");
}

std::string trimmed(const std::string& s) {
  const size_t a = s.find_first_not_of(' ');
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

}  // namespace

int32_t rename_animation(const std::string& folder, const std::string& first_frame, const std::string& new_name) {
  if (first_frame.size() <= 4) return -1;
  const std::string old_name = first_frame.substr(0, first_frame.size() - 4);
  // Renaming to the same name would copy each frame onto itself and then
  // delete it.
  if (new_name.empty() || new_name == old_name) return -1;
  if (core::file_exists(folder + new_name + ".pcx") && !overwrite_agreed(new_name + ".pcx")) return -1;
  if (!move_frame(folder + first_frame, folder + new_name + ".pcx")) return 0;
  int32_t count = 1;
  for (int k = 2; k <= kMaxFrames && core::file_exists(folder + old_name + "." + three_digits(k)); ++k) {
    if (!move_frame(folder + old_name + "." + three_digits(k), folder + new_name + "." + three_digits(k))) break;
    ++count;
  }
  return count;
}

int32_t list_to_animation(const std::string& folder, const std::string& any_file) {
  const size_t dot = any_file.size() >= 4 ? any_file.size() - 4 : 0;
  const std::string stem = any_file.substr(0, dot);
  int width = 0;
  while (width < 3 && width < static_cast<int>(stem.size()) &&
         stem[stem.size() - 1 - static_cast<size_t>(width)] >= '0' &&
         stem[stem.size() - 1 - static_cast<size_t>(width)] <= '9')
    ++width;
  if (width == 0) {
    core::box(
        "The .pcx list must be in the form|nameXXX.pcx (or nameXX.pcx or nameX.pcx)|where 'name' is any custom name "
        "and 'XXX' is the frame number.|Also, the list must start with '001' and not '000'",
        " OK ", " OK ");
    return -1;
  }
  if (core::file_exists(folder + stem + ".002")) {
    core::box("Error, '" + stem + ".pcx' is the first frame of an animation, |not an image of a list!", " OK ", " OK ");
    return -1;
  }
  const std::string base = stem.substr(0, stem.size() - static_cast<size_t>(width));
  const std::string first = folder + base + digits(1, width) + ".pcx";
  if (!core::file_exists(first)) {
    core::box("The list has no first frame '" + base + digits(1, width) + ".pcx'.", " OK ", " OK ");
    return -1;
  }
  if (core::file_exists(folder + base + ".pcx") && !overwrite_agreed(base + ".pcx")) return -1;
  if (!move_frame(first, folder + base + ".pcx")) return 0;
  int32_t count = 1;
  for (int k = 2; k <= kMaxFrames; ++k) {
    const std::string from = folder + base + digits(k, width) + ".pcx";
    if (!core::file_exists(from)) break;
    if (!move_frame(from, folder + base + "." + three_digits(k))) break;
    ++count;
  }
  return count;
}

void animation_renaming(std::string& folder) {
  for (;;) {
    const int32_t item = ui::menu("Rename Animation|Rename .PCX List To Animation");
    if (item != 1 && item != 2) return;
    const std::string chosen = ui::list_file_selector(folder, "*.pcx");
    if (chosen.empty()) continue;
    const std::string where = ui::folder_of_path(chosen);
    const std::string name = chosen.substr(where.size());
    folder = where;
    if (item == 1) {
      if (name.size() <= 4) continue;
      const std::string old_name = name.substr(0, name.size() - 4);
      bool confirmed = false;
      const std::string answer = trimmed(
          ui::input_box(400, old_name, "Please, type the new name", ui::InputStyle::file_name, &confirmed));
      if (!confirmed || answer.empty()) continue;
      report(rename_animation(where, name, answer));
    } else {
      report(list_to_animation(where, name));
    }
  }
}

}  // namespace editors
