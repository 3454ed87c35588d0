#include "media/keys.h"

#include <cstdint>

namespace media {

namespace {

struct KeyName {
  const char* name;
  uint8_t scancode;
};

// The key-name table in its order (row by row of three columns).
// clang-format off
constexpr KeyName kKeyNames[] = {
    {"UP", 72},      {"F8", 66},         {"Y", 21},
    {"LEFT", 75},    {"F9", 67},         {"U", 22},
    {"RIGHT", 77},   {"F10", 68},        {"I", 23},
    {"DOWN", 80},    {"F11", 87},        {"O", 24},
    {"RETURN", 28},  {"F12", 88},        {"P", 25},
    {"CTRL", 29},    {"ESC", 1},         {"A", 30},
    {"ALT", 56},     {"1", 2},           {"S", 31},
    {"LSHIFT", 42},  {"2", 3},           {"D", 32},
    {"RSHIFT", 54},  {"3", 4},           {"F", 33},
    {"SPACE", 57},   {"4", 5},           {"G", 34},
    {"F1", 59},      {"5", 6},           {"H", 35},
    {"F2", 60},      {"6", 7},           {"J", 36},
    {"F3", 61},      {"7", 8},           {"K", 37},
    {"F4", 62},      {"8", 9},           {"L", 38},
    {"F5", 63},      {"9", 10},          {"Z", 44},
    {"F6", 64},      {"0", 11},          {"X", 45},
    {"F7", 65},      {"BACKSPACE", 14},  {"C", 46},
    {"TAB", 15},     {"Q", 16},          {"V", 47},
    {"W", 17},       {"E", 18},          {"B", 48},
    {"R", 19},       {"T", 20},          {"N", 49},
    {"M", 50},       {"HOME", 71},       {"PAGEUP", 73},
    {"END", 79},     {"PAGEDOWN", 81},   {"INSERT", 82},
    {"DELETE", 83},  {"-", 12},          {"=", 13},
    {"[", 26},       {"]", 27},          {";", 39},
    {"'", 40},       {"`", 41},          {"\\", 43},
    {",", 51},       {".", 52},          {"/", 53},
};

// The keys of any_key() in the order they are tried: Backspace, Tab, the
// keypad centre, Enter; Pause, Caps Lock, Escape, Space, Page Up, Page Down,
// End, Home, the arrows, Print Screen, Insert, Delete; the digits 0 to 9;
// the letters A to Z; the system keys; the keypad digits 0 to 9 and its
// operators; F1 to F12.
constexpr unsigned char kAnyKeyOrder[] = {
    14, 15, 76, 28,
    69, 58, 1, 57, 73, 81, 79, 71, 75, 72, 77, 80, 55, 82, 83,
    11, 2, 3, 4, 5, 6, 7, 8, 9, 10,
    30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50, 49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44,
    91, 92, 93,
    82, 79, 80, 81, 75, 76, 77, 71, 72, 73, 55, 78, 74, 83, 53,
    59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 87, 88,
};
// clang-format on

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool same_name(std::string_view a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (upper(a[i]) != b[i]) return false;
  return i == a.size() && !b[i];
}

}  // namespace

int key_scancode(std::string_view name) {
  for (const KeyName& k : kKeyNames)
    if (same_name(name, k.name)) return k.scancode;
  return 0;
}

KeyOrder any_key_order() { return {kAnyKeyOrder, static_cast<int>(sizeof kAnyKeyOrder)}; }

}  // namespace media
