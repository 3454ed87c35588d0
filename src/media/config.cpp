#include "media/config.h"

#include <unistd.h>

#include "core/files.h"
#include "core/profile.h"

namespace media {

namespace {

constexpr char kUserSection[] = "User-Modifiable Engine Settings";
constexpr char kEngineSection[] = "Engine Settings";

struct Key {
  const char* section;
  const char* name;
  int32_t EngineSettings::*value;
};

// In the order they are read and written.
constexpr Key kKeys[] = {
    {kUserSection, "AvailableRenderingDevices", &EngineSettings::available_rendering_devices},
    {kUserSection, "RenderingDevice", &EngineSettings::rendering_device},
    {kUserSection, "AvailableDisplayModes", &EngineSettings::available_display_modes},
    {kUserSection, "DisplayMode", &EngineSettings::display_mode},
    {kUserSection, "Filtering", &EngineSettings::filtering},
    {kUserSection, "Sound", &EngineSettings::sound},
    {kUserSection, "SoundMixing", &EngineSettings::sound_mixing},
    {kEngineSection, "LegalDisplayModes", &EngineSettings::legal_display_modes},
};

constexpr size_t kMaxConfigBytes = 1 << 20;

}  // namespace

std::string config_path() {
  char buf[4096];
  std::string cwd = ::getcwd(buf, sizeof buf) ? buf : ".";
  return cwd + "/config.ini";
}

EngineSettings read_config(const std::string& path) {
  EngineSettings s;
  std::string text;
  if (core::read_file(path, text, kMaxConfigBytes)) {
    for (const Key& k : kKeys)
      if (auto v = core::profile_get(text, k.section, k.name))
        if (auto decoded = core::profile_struct_decode(*v)) s.*k.value = *decoded;
  }
  normalise(s);
  return s;
}

bool write_config(const std::string& path, const EngineSettings& s) {
  std::string text;
  bool truncated = false;
  if (core::read_file(path, text, kMaxConfigBytes, &truncated) && truncated) text.clear();
  for (const Key& k : kKeys) text = core::profile_set(text, k.section, k.name, core::profile_struct_encode(s.*k.value));
  return core::write_file_atomic(path, text);
}

void normalise(EngineSettings& s) {
  s.legal_display_modes &= 63;
  if (s.legal_display_modes == 0) s.legal_display_modes = 1;
  s.available_display_modes &= s.legal_display_modes;
  s.display_mode &= s.legal_display_modes;
  if (s.display_mode == 0) s.display_mode = 1;
}

int32_t choose_display_mode(int32_t wanted, int32_t available) {
  available &= 63;
  for (int32_t m = wanted & 63; m != 0; m >>= 1)
    if (m & available) return m & available & -(m & available);
  return available ? (available & -available) : 1;
}

}  // namespace media
