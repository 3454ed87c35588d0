// Feeds arbitrary bytes to the player's level reading: as a protected level
// file restored into the temporary file and loaded there (working brain
// copies protected, as in a built game), and as the game's multilev.ini.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "core/files.h"
#include "core/protect.h"
#include "core/state.h"
#include "project/project_file.h"
#include "project/records.h"
#include "project/state.h"
#include "standalone/multilist.h"
#include "standalone/player.h"

namespace {

std::string folder;

void remove_working_copies() {
  for (int i = 0; i <= project::last_index(); ++i) {
    const std::string brain = project::get_field(i, project::kFieldBrain);
    if (brain.compare(0, folder.size(), folder) == 0) core::remove_file(brain);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!core::init_memory()) abort();
  char templ[] = "/dev/shm/quill-fuzz-XXXXXX";
  char templ_tmp[] = "/tmp/quill-fuzz-XXXXXX";
  const char* made = mkdtemp(templ);
  if (!made) made = mkdtemp(templ_tmp);
  if (!made) abort();
  folder = std::string(made) + "/";
  core::State& c = core::state();
  c.folders.program = c.folders.data = folder;
  c.folders.temp_file = folder + "temp.tmp";
  c.stand_alone = 1;
  project::state().protect = [](std::string& bytes) { core::protect_text(bytes); };
  atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string level = folder + "level001.prj";
  if (!core::write_file_atomic(level, bytes)) abort();
  if (!core::unprotected_copy(level, core::state().folders.temp_file)) abort();
  std::string description;
  project::load_project(core::state().folders.temp_file, description);
  remove_working_copies();
  core::remove_file(core::state().folders.temp_file);

  if (!core::write_file_atomic(folder + "multilev.ini", bytes)) abort();
  std::string loading, complete;
  for (int32_t l : {1, 2, 500, -1}) standalone::level_images(l, loading, complete);
  standalone::MultiList list;
  standalone::read_list(folder + "multilev.ini", list);
  (void)standalone::output_list(list);
  return 0;
}
