// The data-file protection of built games: every whole 32-bit little-endian
// word w of a file becomes rotl(w ^ kProtectKey, 13); the 0 to 3 bytes after
// the last whole word stay as they are. The inverse is rotl(w, 19) ^ key.
//
// A built game keeps its level projects, working brain copies and most
// resources protected; the player reads them through read_resource or
// RestoredFile, never through read_file.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace core {

inline constexpr uint32_t kProtectKey = 0x3B71D29Eu;
// The temporary name a protected X file is restored under while it loads.
inline constexpr char kRestoredX[] = "tempx.x";

void protect_bytes(std::span<uint8_t> bytes);
void unprotect_bytes(std::span<uint8_t> bytes);
void protect_text(std::string& bytes);
void unprotect_text(std::string& bytes);

// Whether a protected copy of this file transforms it: always for ".prj"
// files, for any other only while noencrypt.txt is absent.
bool transforms(std::string_view path);

// Whether the player reads this file under the transform: in a built game
// (stand-alone), a file that transforms() and is not one of the files the
// build copies plainly (".pcx" images, the end and resume images).
bool read_protected(std::string_view path);

// Copies from to to, transformed when transforms(to) (restored when
// transforms(from), for unprotected_copy); from and to may be one file. The copy is written
// atomically. False when from cannot be read or to cannot be written.
bool protected_copy(const std::string& from, const std::string& to);
bool unprotected_copy(const std::string& from, const std::string& to);

// read_file for the resources of a project: in a built game a protected
// file comes back restored.
bool read_resource(const std::string& path, std::string& out, size_t max_bytes = 64u << 20, bool* truncated = nullptr);
// read_into for the same; the rest of the buffer is left as it was.
size_t read_resource_into(const std::string& path, void* buffer, size_t bytes);

// A resource that a reader wants by name (X files, sounds): in a built game,
// a protected file is restored into program folder + temp_name for as long
// as this object lives, and path() names that copy; otherwise path() is the
// file itself. The copy is removed on every path out of the scope.
class RestoredFile {
 public:
  RestoredFile(const std::string& path, const std::string& temp_name);
  ~RestoredFile();
  RestoredFile(const RestoredFile&) = delete;
  RestoredFile& operator=(const RestoredFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool temporary_ = false;
};

}  // namespace core
