#include "standalone/engine_copy.h"

#include <sys/stat.h>

#include "core/files.h"
#include "core/state.h"

namespace standalone {

std::string strip_marker() {
  // Stored with every byte complemented and read through volatile, so that
  // no folded constant puts the marker itself into the code.
  static const volatile unsigned char stored[8] = {0xBF, 0xB7, 0x7C, 0x3F, 0xFC, 0x7C, 0x17, 0xFC};
  std::string m(8, '\0');
  for (int i = 0; i < 8; ++i) m[i] = static_cast<char>(~stored[i] & 0xFF);
  return m;
}

std::string window_name(std::string_view name) {
  std::string n(name.substr(0, core::kClassTextBytes));
  n.resize(core::kClassTextBytes, ' ');
  return n;
}

int patch_window_name(std::string& image, std::string_view name) {
  const std::string_view needle(core::kClassText, core::kClassTextBytes);
  const std::string replacement = window_name(name);
  int found = 0;
  for (size_t p = image.find(needle); p != std::string::npos; p = image.find(needle, p + needle.size())) {
    image.replace(p, needle.size(), replacement);
    ++found;
  }
  return found;
}

bool strip_editor(std::string& image) {
  const std::string marker = strip_marker();
  const size_t first = image.find(marker);
  if (first == std::string::npos) return false;
  size_t end = image.find(marker, first + 1);
  if (end == std::string::npos) end = image.size();
  for (size_t i = first + 1; i < end; ++i) image[i] = '\0';
  return true;
}

bool write_engine_copy(const std::string& engine, const std::string& destination, std::string_view name) {
  std::string image;
  if (!core::read_file(engine, image, size_t{1} << 30)) return false;
  patch_window_name(image, name);
  strip_editor(image);
  if (!core::write_file_atomic(destination, image)) return false;
  return ::chmod(destination.c_str(), 0755) == 0;
}

}  // namespace standalone

namespace standalone {

bool write_run_script(const std::string& folder) {
  const std::string path = folder + "run";
  const char kScript[] =
      "#!/bin/sh\n"
      "# Starts the game from its own folder, whatever the current folder is.\n"
      "cd \"$(dirname \"$0\")\" && exec ./tarvoexe.exe \"$@\"\n";
  return core::write_file_atomic(path, kScript) && ::chmod(path.c_str(), 0755) == 0;
}

}  // namespace standalone
