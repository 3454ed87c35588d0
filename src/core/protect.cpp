#include "core/protect.h"

#include <bit>
#include <cstring>

#include "core/files.h"
#include "core/state.h"

namespace core {

namespace {

bool ends_with_lower(std::string_view path, std::string_view tail) {
  if (path.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i) {
    char c = path[path.size() - tail.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != tail[i]) return false;
  }
  return true;
}

std::string_view file_name_of(std::string_view path) {
  const size_t p = path.find_last_of('/');
  return p == std::string_view::npos ? path : path.substr(p + 1);
}

template <bool kForward>
void transform(std::span<uint8_t> bytes) {
  const size_t words = bytes.size() / 4;
  uint8_t* p = bytes.data();
  for (size_t i = 0; i < words; ++i, p += 4) {
    uint32_t w;
    std::memcpy(&w, p, 4);  // little-endian host
    w = kForward ? std::rotl(w ^ kProtectKey, 13) : std::rotl(w, 19) ^ kProtectKey;
    std::memcpy(p, &w, 4);
  }
}

std::span<uint8_t> as_span(std::string& s) { return {reinterpret_cast<uint8_t*>(s.data()), s.size()}; }

// The protected file's name decides: the destination's for a protected
// copy, the source's for a restore (a level project restored into
// "temp.tmp" is transformed as a ".prj").
bool copy_with(const std::string& from, const std::string& to, bool apply, void (*transform_text)(std::string&)) {
  std::string bytes;
  if (!read_file(from, bytes)) return false;
  if (apply) transform_text(bytes);
  return write_file_atomic(to, bytes);
}

}  // namespace

void protect_bytes(std::span<uint8_t> bytes) { transform<true>(bytes); }
void unprotect_bytes(std::span<uint8_t> bytes) { transform<false>(bytes); }
void protect_text(std::string& bytes) { protect_bytes(as_span(bytes)); }
void unprotect_text(std::string& bytes) { unprotect_bytes(as_span(bytes)); }

bool transforms(std::string_view path) { return !state().no_encryption || ends_with_lower(path, ".prj"); }

bool read_protected(std::string_view path) {
  if (state().stand_alone != 1 || !transforms(path)) return false;
  const std::string_view name = file_name_of(path);
  return !ends_with_lower(name, ".pcx") && !(name.size() == 8 && ends_with_lower(name, "end_.bmp")) &&
         !(name.size() == 11 && ends_with_lower(name, "resume_.bmp"));
}

bool protected_copy(const std::string& from, const std::string& to) {
  return copy_with(from, to, transforms(to), protect_text);
}
bool unprotected_copy(const std::string& from, const std::string& to) {
  return copy_with(from, to, transforms(from), unprotect_text);
}

bool read_resource(const std::string& path, std::string& out, size_t max_bytes, bool* truncated) {
  if (!read_file(path, out, max_bytes, truncated)) return false;
  if (read_protected(path)) unprotect_text(out);
  return true;
}

size_t read_resource_into(const std::string& path, void* buffer, size_t bytes) {
  if (!read_protected(path)) return read_into(path, buffer, bytes);
  std::string text;
  if (!read_file(path, text, bytes)) return 0;
  unprotect_text(text);
  std::memcpy(buffer, text.data(), text.size());
  return text.size();
}

RestoredFile::RestoredFile(const std::string& path, const std::string& temp_name) : path_(path) {
  if (!read_protected(path) || !file_exists(path)) return;
  const std::string temp = state().folders.program + temp_name;
  if (unprotected_copy(path, temp)) {
    path_ = temp;
    temporary_ = true;
  } else {
    remove_file(temp);
  }
}

RestoredFile::~RestoredFile() {
  if (temporary_) remove_file(path_);
}

}  // namespace core
