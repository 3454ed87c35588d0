// Profile files ("[section]" and "key=value" lines), read and written by our
// own code. Sections and keys match without regard to letter case; writing a
// key keeps every other line of the file as it was.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace core {

// The value of key in section, blanks around it removed; nullopt when the
// section or key is missing.
std::optional<std::string> profile_get(std::string_view file_text, std::string_view section, std::string_view key);
// The file text with key set to value (section and key added when missing).
std::string profile_set(std::string_view file_text, std::string_view section, std::string_view key,
                        std::string_view value);

// Structure encoding of a 32-bit value: its four bytes, least significant
// first, as two upper-case hex digits each, then two digits of their sum
// modulo 256. 63 is "3F0000003F".
std::string profile_struct_encode(int32_t value);
// nullopt when the text is malformed or the checksum does not match.
std::optional<int32_t> profile_struct_decode(std::string_view text);

}  // namespace core
