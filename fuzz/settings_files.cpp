// Arbitrary text as each of the small settings files: config.ini through the
// profile reader, runmode.ini, tarvo.ini and data/curpaths.ini.
//   - A profile key that is set reads back as set, and every other key of
//     the file reads as before.
//   - The structure encoding decodes what it encodes, and only that.
//   - The engine settings, the editor state and the resource paths read back
//     unchanged after they are written.
// The first four bytes pick the section, the key and the value to write.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/files.h"
#include "core/profile.h"
#include "core/text.h"
#include "media/config.h"
#include "shell/settings.h"

namespace {

std::string folder;  // program folder; its data/ is the data folder too

constexpr const char* kSections[] = {
    "Engine Settings", "User-Modifiable Engine Settings", "engine settings", "A", "a", "b", "[x", "Main"};
constexpr const char* kKeys[] = {"DisplayMode", "displaymode", "Sound", "LegalDisplayModes", "k", "K", "x y", "Path"};
constexpr size_t kSectionCount = sizeof kSections / sizeof kSections[0];
constexpr size_t kKeyCount = sizeof kKeys / sizeof kKeys[0];

void check_profile(std::string_view text, const uint8_t* pick) {
  const char* section = kSections[pick[0] % kSectionCount];
  const char* key = kKeys[pick[1] % kKeyCount];
  const int32_t number = static_cast<int32_t>(uint32_t{pick[3]} << 24 | uint32_t{pick[2]} << 8 | pick[1]);
  const std::string value = pick[0] & 0x80 ? core::profile_struct_encode(number) : std::to_string(number);

  const std::string out = core::profile_set(text, section, key, value);
  if (core::profile_get(out, section, key) != value) {
    fprintf(stderr, "[%s] %s=%s does not read back\n", section, key, value.c_str());
    abort();
  }
  for (const char* s : kSections)
    for (const char* k : kKeys) {
      if (core::equals_ignore_case(s, section) && core::equals_ignore_case(k, key)) continue;
      if (core::profile_get(text, s, k) != core::profile_get(out, s, k)) {
        fprintf(stderr, "setting [%s] %s changed [%s] %s\n", section, key, s, k);
        abort();
      }
    }

  if (core::profile_struct_decode(core::profile_struct_encode(number)) != number) abort();
  for (const char* s : kSections)
    for (const char* k : kKeys)
      if (auto v = core::profile_get(text, s, k))
        if (auto decoded = core::profile_struct_decode(*v)) {
          std::string upper = *v;
          for (char& c : upper)
            if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
          if (core::profile_struct_encode(*decoded) != upper) abort();
        }
}

bool same(const media::EngineSettings& a, const media::EngineSettings& b) {
  return a.available_rendering_devices == b.available_rendering_devices && a.rendering_device == b.rendering_device &&
         a.available_display_modes == b.available_display_modes && a.display_mode == b.display_mode &&
         a.filtering == b.filtering && a.sound == b.sound && a.sound_mixing == b.sound_mixing &&
         a.legal_display_modes == b.legal_display_modes;
}

void check_config(std::string_view text) {
  const std::string path = folder + "config.ini";
  core::write_file_atomic(path, text);
  const media::EngineSettings first = media::read_config(path);
  if (first.legal_display_modes < 1 || first.legal_display_modes > 63 || first.display_mode == 0 ||
      (first.available_display_modes & ~first.legal_display_modes) != 0)
    abort();
  if (!media::write_config(path, first)) abort();
  if (!same(media::read_config(path), first)) abort();
}

void check_shell_files(std::string_view text) {
  core::write_file_atomic(folder + "runmode.ini", text);
  const shell::RunRequest r = shell::read_run_request(folder);
  if (r.project_path.size() > 4096) abort();

  core::write_file_atomic(folder + "data/tarvo.ini", text);
  core::write_file_atomic(folder + "data/curpaths.ini", text);
  shell::EditorState first;
  shell::read_editor_state(first, folder, folder + "data/");
  shell::write_editor_state(first, folder, folder + "data/");
  shell::EditorState again;
  shell::read_editor_state(again, folder, folder + "data/");
  if (shell::tarvo_text(first) != shell::tarvo_text(again) ||
      shell::curpaths_text(first) != shell::curpaths_text(again)) {
    fprintf(stderr, "the editor state changed on its way through the files\n");
    abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char templ[] = "/dev/shm/quill-fuzz-XXXXXX";
  char templ_tmp[] = "/tmp/quill-fuzz-XXXXXX";
  const char* made = mkdtemp(templ);
  if (!made) made = mkdtemp(templ_tmp);
  if (!made) abort();
  folder = std::string(made) + "/";
  core::make_folders(folder + "data");
  atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4 || size > (1u << 16)) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data) + 4, size - 4);
  check_profile(text, data);
  check_config(text);
  check_shell_files(text);
  return 0;
}
