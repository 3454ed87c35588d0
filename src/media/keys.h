// Keys by name and the keys that count as "any key".
#pragma once

#include <string_view>

namespace media {

// The scan code of a key name ("UP", "esc", "F10", "a", "/", ...), compared
// without regard to letter case in the order of the key-name table; 0 for
// a name that is not in it.
int key_scancode(std::string_view name);

// The keys that count for any_key(), as scan codes in the order they are
// tried: the editing and navigation keys, Escape, Space, the digits, the
// letters, the keypad and the function keys. Shift, Control, Alt, Scroll
// Lock and the punctuation keys do not count.
struct KeyOrder {
  const unsigned char* codes;
  int count;
};
KeyOrder any_key_order();

}  // namespace media
