#include "shell/install.h"

#include "core/angles.h"
#include "core/files.h"
#include "media/config.h"
#include "shell/defaults.h"

namespace shell {

namespace {

constexpr const char* kFolders[] = {
    "data",     "temp",     "projects/myprj", "brains", "sounds", "3dshapes", "bckgrnds",
    "sprites",  "3dsfiles", "elements/myele", "frames", "images", "visuals",  "counters",
    "grndmaps", "tracks",   "cameras",        "flats",  "lights", "videos",
};

void put16(std::string& s, uint16_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>(v >> 8);
}

void put32(std::string& s, uint32_t v) {
  put16(s, static_cast<uint16_t>(v & 0xFFFF));
  put16(s, static_cast<uint16_t>(v >> 16));
}

}  // namespace

std::string silent_wav() {
  const uint32_t rate = 22050, samples = rate / 10;
  const uint32_t data_bytes = samples * 2;
  std::string w = "RIFF";
  put32(w, 36 + data_bytes);
  w += "WAVEfmt ";
  put32(w, 16);
  put16(w, 1);  // PCM
  put16(w, 1);  // mono
  put32(w, rate);
  put32(w, rate * 2);
  put16(w, 2);
  put16(w, 16);
  w += "data";
  put32(w, data_bytes);
  w.append(data_bytes, '\0');
  return w;
}

bool init_install(const std::string& folder_in, std::string& error) {
  std::string folder = folder_in.empty() ? std::string(".") : folder_in;
  if (folder.back() != '/') folder += '/';
  if (!core::make_folders(folder)) {
    error = "cannot create " + folder;
    return false;
  }
  for (const char* f : kFolders)
    if (!core::make_folders(folder + f)) {
      error = "cannot create " + folder + f;
      return false;
    }
  // Generated tables are always written; the user's own files are kept.
  struct File {
    std::string name, content;
    bool keep_existing;
  };
  const File files[] = {
      {"data/sinus.bin", core::make_sinus_table(), false},
      {"data/sinusbig.bin", core::make_sinusbig_table(), false},
      {"data/atan.bin", core::make_atan_table(), false},
      {"data/random.bin", core::make_random_table(), true},
      {"brains/null_.brn", "", true},
      {"sounds/null_.wav", silent_wav(), true},
  };
  for (const File& f : files) {
    if (f.keep_existing && core::file_exists(folder + f.name)) continue;
    if (!core::write_file_atomic(folder + f.name, f.content)) {
      error = "cannot write " + folder + f.name;
      return false;
    }
  }
  if (!write_default_resources(folder, error)) return false;
  if (!core::file_exists(folder + "config.ini") &&
      !media::write_config(folder + "config.ini", media::EngineSettings{})) {
    error = "cannot write " + folder + "config.ini";
    return false;
  }
  return true;
}

}  // namespace shell
