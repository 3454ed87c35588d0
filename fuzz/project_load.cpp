// Feeds arbitrary bytes to the project loader as a project file, then checks
// that saving what was loaded and loading that again writes the same file,
// and inserts the loaded records in front of themselves.
// An input whose first byte is odd is spliced into a valid record (at its
// parameter list), so the fields behind the separators get exercised too.
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "core/files.h"
#include "core/pools.h"
#include "core/state.h"
#include "project/project_file.h"
#include "project/records.h"
#include "project/state.h"

namespace {

std::string folder;

std::string prefix_record() {
  std::string r = ";fuzz\r\n1\r\nCamera|./cameras/default_.03d|./sounds/null_.wav|-";
  for (int f = 5; f <= 34; ++f) r += "|0";
  return r + "|";
}

// Working copies would pile up over millions of runs.
void remove_working_copies() {
  for (int i = 0; i <= project::last_index(); ++i) {
    const std::string brain = project::get_field(i, project::kFieldBrain);
    if (brain.compare(0, folder.size(), folder) == 0) core::remove_file(brain);
  }
}

bool load(const std::string& path) {
  std::string description;
  return project::load_project(path, description);
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
  core::make_folders(folder + "brains");
  core::state().folders.program = folder;
  atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  if (size > 0 && (data[0] & 1)) text = prefix_record() + text.substr(1);
  const std::string in = folder + "in.prj", first = folder + "first.prj", second = folder + "second.prj";
  core::write_file_atomic(in, text);

  const uint32_t counter = project::state().brain_counter;
  project::state() = project::State{};
  project::state().brain_counter = counter;
  if (load(in) && project::last_index() >= 0) {
    if (project::last_index() > 255) abort();
    project::save_project(first, project::state().description);
    remove_working_copies();
    std::string a, b;
    core::read_file(first, a, core::kProjectTextBytes + 1);
    if (a.size() <= core::kProjectTextBytes) {
      if (!load(first)) abort();
      project::save_project(second, project::state().description);
      remove_working_copies();
      core::read_file(second, b, core::kProjectTextBytes + 1);
      if (a != b) {
        fprintf(stderr, "save, load, save changed the project file\n");
        abort();
      }
      // Insert the project in front of itself: every reference is renumbered.
      const int n = project::last_index() + 1;
      if (!load(first)) abort();
      if (n <= 128) {
        if (!project::load_records(first, 0) || project::last_index() != 2 * n - 1) abort();
        project::replace_references(0, 1);
      }
      remove_working_copies();
    }
  } else {
    remove_working_copies();
  }
  return 0;
}
