// Folders and the two file selectors: the list file selector (names and
// sizes, a page of 20 rows with a scroll column, a ".." button and drive
// buttons) and the picture file selector (pages of 3 x 3 thumbnails).
//
// Drive letters. The list selector offers the buttons "A|B|C|D|E|F|G|H|I|L";
// on this system each letter leads to a folder (docs/tool-screens.md):
//   A  /                  the file system root
//   B  $HOME/             the user's home folder (/ when HOME is not set)
//   C  the program folder (the installation)
//   D  /media/            E  /mnt/        F  /run/media/
//   G  /srv/              H  /home/       I  /tmp/          L  /var/
// A path that starts with a letter and ":" ("C:/projects/x.prj") names the
// letter's folder; any other letter is the program folder. A path starting
// with "./", or relative, is inside the program folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

constexpr int kMaxFileEntries = 799;
// Names read from one folder at most (the list keeps the first 799 of
// them in sorted order).
constexpr int kMaxNamesRead = 65536;
constexpr int kListRows = 20;
constexpr char kDriveLetters[] = "A|B|C|D|E|F|G|H|I|L";

struct FileEntry {
  std::string name;   // as on disk
  uint64_t size = 0;  // 0 for a folder
  bool folder = false;
};

struct FileList {
  std::vector<FileEntry> entries;  // folders first, then by lower-cased name; at most 799
  bool readable = false;           // false: the folder could not be listed
  size_t found = 0;                // matching names read, before the cut to 799
};

// Lists a folder (ending in "/"): its folders (unless `folders` is false)
// and the files whose names match `pattern`. "." and ".." are never listed.
FileList list_folder(const std::string& folder, std::string_view pattern, bool folders = true);
// '*' any run of characters, '?' one character, letter case ignored; a
// pattern ending in ".bmp" takes ".ppm" names too. An empty pattern and
// "*.*" take every name.
bool pattern_matches(std::string_view pattern, std::string_view name);

// A path's folder: up to and including its last '/', ':' or '\' (empty when
// there is none).
std::string folder_of_path(std::string_view path);
// A path as the selectors use it: `\` turned into `/`, a drive letter
// turned into its folder, "./" and relative paths put in the program folder.
std::string resolve_path(std::string_view path);
// The folder above `folder` (ending in "/"); the folder itself at "/".
std::string parent_folder(const std::string& folder);
// The folder of a drive letter (letter case ignored), ending in "/".
std::string drive_folder(char letter);
// The letters of kDriveLetters whose folders exist, "|"-separated.
std::string existing_drives();

// The list selector's scroll state: the first row shown (1-based), the top
// of the thumb, and the first row after a letter key (unchanged when no
// file starts with the letter).
int32_t scroll_thumb_top(int32_t list_top, int32_t list_height, int32_t first_row, int32_t entries);
int32_t letter_jump(const FileList& list, char letter, int32_t first_row);

// The list file selector on the folder of `path` with a file pattern:
// answers the chosen file as folder plus name, or "" when cancelled.
std::string list_file_selector(std::string_view path, std::string_view pattern);

// The file pattern of a picture-selector kind: -1 and -7 "*.bmp", 0
// "*.03d", 1 and 3 "*.a3d", 4 "*.d3d", 2, 5, 6, 7, 8 "*.pcx", 11 "*.v3d",
// -2 "*.prj", -3 "*.ele", -4 and 12 "*.3ds", -5 "*.brn", -6 "*.chn";
// any other kind "*.*".
std::string_view kind_pattern(int32_t kind);
// The picture file selector on the folder of `path`: answers folder plus
// the chosen name, or "" when cancelled. The page shown is kept between
// calls (picture_page).
std::string picture_file_selector(std::string_view path, int32_t kind, std::string_view title);
int32_t picture_page();
void set_picture_page(int32_t page);

}  // namespace ui
