// The multi-project list: 500 entries, one level each. Entry k is level
// k + 1; its `|`-separated fields are the loading image, the load-complete
// image, the project, "1" when it is built, and a text carried into the
// built game's list.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace standalone {

constexpr int kListEntries = 500;
constexpr int kListFieldLoading = 1;
constexpr int kListFieldComplete = 2;
constexpr int kListFieldProject = 3;
constexpr int kListFieldSwitch = 4;
constexpr int kListFieldExtra = 5;

using MultiList = std::array<std::string, kListEntries>;

// program folder + "images/wait_.bmp|" + program folder +
// "images/anykey_.bmp|" + program folder + "projects/myprj/default_.prj|0".
std::string default_entry();
// 500 default entries with entry 0 switched on.
MultiList default_list();

// program folder + "data/multilev.ini", and a named list's
// program folder + "multilev/" + name + ".mlv".
std::string working_list_path();
std::string named_list_path(const std::string& name);

// Reads a list file: `\` becomes `/`, "./" the program folder; entries the
// file does not hold are default ones. A file that cannot be read gives
// default_list() (false).
bool read_list(const std::string& path, MultiList& list);
// Writes 500 lines with the program folder written as "./".
bool write_list(const std::string& path, const MultiList& list);

bool entry_on(const MultiList& list, int index);
// Field 4 becomes "1" when it was 0 and "0" when it was 1 (value XOR 1).
void switch_entry(MultiList& list, int index);

// The built game's multilev.ini: "||" for an entry that is not built, else
// the file names of fields 1 and 2 and field 5.
std::string output_list(const MultiList& list);

// The level number of an entry as three digits: entry 0 gives "001".
std::string level_digits(int index);

}  // namespace standalone
