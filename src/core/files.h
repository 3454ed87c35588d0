// File helpers: bounded reads, the CR LF line reader and atomic writes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace core {

bool file_exists(const std::string& path);
bool remove_file(const std::string& path);
// Creates the folder and its parents; true when it exists afterwards.
bool make_folders(const std::string& path);
// The folder part of a path, with its trailing "/" ("" when there is none).
std::string folder_of(std::string_view path);

// Reads at most max_bytes of a file; false when it cannot be opened.
// `truncated` tells whether more bytes were there.
bool read_file(const std::string& path, std::string& out, size_t max_bytes = 64u << 20, bool* truncated = nullptr);
// Reads into a fixed buffer from offset 0; the rest of the buffer is left as
// it was. Returns the number of bytes read (0 when the file is missing).
size_t read_into(const std::string& path, void* buffer, size_t bytes);

// Writes the whole content to a temporary name in the same folder, flushes it
// and renames it over `path`, so a crash never leaves a half-written file.
bool write_file_atomic(const std::string& path, std::string_view content);

// A text whose lines end in LF alone (as editors on this system write them),
// with no CR LF anywhere, gets CR LF line ends; any other text is kept as
// it is. For the request and project files, whose readers split at CR LF.
void crlf_if_lf_only(std::string& text);

// Reads lines that end with CR LF; a lone LF or CR is part of the line.
// Reading past the end yields empty lines and sets at_end().
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  std::string_view next();
  bool at_end() const { return end_; }
  size_t position() const { return pos_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  bool end_ = false;
};

// Accumulates lines, each followed by CR LF.
class LineWriter {
 public:
  void line(std::string_view text);
  void line(int32_t value);
  const std::string& text() const { return out_; }

 private:
  std::string out_;
};

}  // namespace core
