// Project files (".prj"): the comment line, the count line, the element
// records, the background line and the brain sections; loading, inserting
// and saving them.
#pragma once

#include <string>

namespace project {

// Whole-project load. A missing (or empty) file gives the one-camera
// project and leaves description alone; otherwise description becomes the
// file's comment text. A file that is too large, holds more than 256
// records, cannot be read or holds no record is refused with a message and
// changes nothing (false); saving over that path is then refused as well.
bool load_project(const std::string& path, std::string& description);

// The record loader: inserts the file's records at first (clamped to
// 0..last index + 1), sets the load range to them and gives each a working
// brain copy. False, with a message and nothing changed, when the file is
// missing, unreadable, too large, holds no record or would make the table
// hold more than 256.
bool load_records(const std::string& path, int first, std::string* description = nullptr);

// Whole-project save: the project file and its ".col" companion, both
// written under a temporary name and renamed. False when either could not
// be written (silently), when the table is empty, or when the last load of
// this path was refused.
bool save_project(const std::string& path, const std::string& description);

// Writes the records of the load range with their brains (no background
// line, no ".col"), as element files are kept.
bool save_range(const std::string& path, const std::string& description);

}  // namespace project
