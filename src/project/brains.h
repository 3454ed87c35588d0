// Working brain copies and the brain sections of a project file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace project {

// The name of the next working copy: program folder + "brains/" + eight
// upper-case hex digits + ".bra" (without "brains/" in the stand-alone
// player). The first is 00000001.bra.
std::string next_working_brain();
// A new working copy holding text (protected in the stand-alone player);
// returns its name.
std::string make_working_brain(std::string text);
// A new working copy of the named file (empty when it cannot be read).
std::string copy_to_working_brain(const std::string& source);

// The text of a brain file; empty when it is missing or not a plain file.
std::string read_brain(const std::string& path);

// Brain sections: a line "@" + number, then the brain's lines up to the next
// line that begins with "@".
struct SectionScan {
  std::string_view text;
  size_t pos = std::string_view::npos;  // start of the current "@" line

  // Starts at the first line "@0" at or after from; without one every
  // section reads empty.
  SectionScan(std::string_view file_text, size_t from);
  // The text of the section at pos (empty at the end); pos moves on to the
  // next "@" line.
  std::string_view next();
};

}  // namespace project
