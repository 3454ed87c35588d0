#include "core/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace core {

bool file_exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool remove_file(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool make_folders(const std::string& path) {
  std::string partial;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      if (!partial.empty() && partial != "." && partial != "..") ::mkdir(partial.c_str(), 0755);
    }
    if (i < path.size()) partial.push_back(path[i]);
  }
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string folder_of(std::string_view path) {
  size_t p = path.rfind('/');
  return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p + 1));
}

bool read_file(const std::string& path, std::string& out, size_t max_bytes, bool* truncated) {
  out.clear();
  if (truncated) *truncated = false;
  // Non-blocking, so that a named pipe in place of a file cannot hang us.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  size_t want = static_cast<size_t>(st.st_size);
  if (want > max_bytes) want = max_bytes;
  out.resize(want);
  size_t got = 0;
  while (got < want) {
    ssize_t n = ::read(fd, out.data() + got, want - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  out.resize(got);
  if (truncated) {
    char extra;
    *truncated = got == max_bytes && ::read(fd, &extra, 1) == 1;
  }
  ::close(fd);
  return true;
}

size_t read_into(const std::string& path, void* buffer, size_t bytes) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return 0;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return 0;
  }
  size_t got = 0;
  auto* dst = static_cast<char*>(buffer);
  while (got < bytes) {
    ssize_t n = ::read(fd, dst + got, bytes - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  return got;
}

bool write_file_atomic(const std::string& path, std::string_view content) {
  std::string temp = path + ".tmp" + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  bool ok = true;
  while (done < content.size()) {
    ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    done += static_cast<size_t>(n);
  }
  if (ok && ::fsync(fd) != 0) ok = false;
  if (::close(fd) != 0) ok = false;
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

void crlf_if_lf_only(std::string& text) {
  if (text.find('\n') == std::string::npos || text.find("\r\n") != std::string::npos) return;
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  text.swap(out);
}

std::string_view LineReader::next() {
  if (pos_ >= text_.size()) {
    end_ = true;
    return {};
  }
  size_t start = pos_;
  size_t p = start;
  while (true) {
    p = text_.find('\r', p);
    if (p == std::string_view::npos) {
      pos_ = text_.size();
      return text_.substr(start);
    }
    if (p + 1 < text_.size() && text_[p + 1] == '\n') {
      pos_ = p + 2;
      return text_.substr(start, p - start);
    }
    ++p;
  }
}

void LineWriter::line(std::string_view text) {
  out_.append(text);
  out_.append("\r\n");
}

void LineWriter::line(int32_t value) { line(std::to_string(value)); }

}  // namespace core
