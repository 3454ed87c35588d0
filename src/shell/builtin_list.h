// `quill --builtins`: the built-in table as editors and tools read it. One
// entry per row: the name, the argument count, the family that implements
// it, whether this build binds it to a routine (a row nobody binds compiles
// but answers 0), and the other names of its routine.
#pragma once

#include <string>
#include <string_view>

#include "brain/table.h"

namespace shell {

// The family's key: its name with blanks written as "-" ("run-loop").
std::string family_key(brain::Family f);

// The table as text, one row a line after a heading line that starts with
// "#":  name  args  family  yes|no  [alias,alias]
std::string builtin_list_text();
// The table as one JSON object:
// {"count":488,"available":N,"builtins":[{"name":..,"args":..,"family":..,
//  "available":true,"aliases":[..]},...]}
std::string builtin_list_json();

}  // namespace shell
