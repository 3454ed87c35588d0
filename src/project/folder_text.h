// Project files name files under the program folder as "./". The rewrite
// applies where a field begins, which is where records keep their paths,
// so "../x" and paths that merely contain the folder's text stay as written.
#pragma once

#include <string>
#include <string_view>

namespace project {

// Every field that begins with "./" begins with the program folder instead.
std::string expand_folder(std::string_view line, std::string_view program);
// Every field that begins with the program folder begins with "./" instead.
std::string shorten_folder(std::string_view line, std::string_view program);

}  // namespace project
