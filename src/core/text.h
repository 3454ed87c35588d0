// Text helpers shared by every subsystem: the number readers and writers,
// the wrap rule, and field access on `|`-separated records.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace core {

// Leading blanks, an optional "-", decimal digits up to the first other
// character; no digits gives 0. No "+" is accepted. Wraps like 32-bit
// arithmetic on overlong digit strings.
int32_t text_to_int(std::string_view text);

// Like text_to_int but in the manner of atoi: white space of any kind and an
// optional sign ("+" or "-"). Used for the command line.
int32_t atoi_like(std::string_view text, size_t* consumed = nullptr);

// "1.5" gives 1500, "-2" gives -2000: the fraction is padded with "000" and
// cut to three digits, and read together with the integer part.
int32_t text_to_thousandths(std::string_view text);
// Integer part, ".", three digits (1500 gives "1.500", -1500 gives "-1.500").
std::string thousandths_to_text(int32_t value);

// The wrap rule: a value outside lo..hi comes back in from the other side.
int32_t wrap_into_range(int32_t v, int32_t lo, int32_t hi);

// Eight upper-case hexadecimal digits.
std::string hex8(uint32_t value);

// Field k (1-based) of a text separated by `sep`; empty when missing.
std::string_view field(std::string_view text, int k, char sep = '|');
// Replaces field k, adding empty fields when the text has fewer than k.
std::string with_field(std::string_view text, int k, std::string_view value, char sep = '|');
// Number of fields (an empty text has one empty field).
int field_count(std::string_view text, char sep = '|');

// `\` turned into `/`.
std::string slashes_forward(std::string_view text);

bool equals_ignore_case(std::string_view a, std::string_view b);

// A JSON string literal of a byte text (bytes of 128 and above are read as
// Latin-1 and escaped).
std::string json_string(std::string_view text);

}  // namespace core
