#include "editors/explode_tool.h"

#include "core/files.h"
#include "core/state.h"
#include "core/text.h"
#include "editors/brain_editor.h"
#include "editors/explode.h"
#include "media/model3ds.h"
#include "media/visual_file.h"
#include "ui/dialogs.h"
#include "ui/files.h"

namespace editors {

namespace {

const std::string& program() { return core::state().folders.program; }
std::string current_script() { return core::state().folders.data + "current.exp"; }

std::string file_name_of(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The first record line of a visual's text, CR removed.
std::string first_record(std::string_view text) {
  std::string_view first = text.substr(0, text.find('\n'));
  if (!first.empty() && first.back() == '\r') first.remove_suffix(1);
  return std::string(first);
}

// F2 in the script editor: save the current script under brains/; an
// empty name, or ABORT over an existing script, goes back to editing.
void save_script_as() {
  const std::string brains = program() + "brains/";
  bool confirmed = false;
  std::string name = ui::input_box(500, "myexp", "Save current script as...", ui::InputStyle::file_name, &confirmed);
  name = name.substr(0, name.find('.'));
  if (!confirmed || name.empty()) return;
  const std::string target = brains + name + ".exp";
  if (core::file_exists(target) &&
      core::box("Using the name '" + name + "' you will overwrite an existing script", " CONTINUE ", " ABORT ") != 1)
    return;
  std::string text;
  core::read_file(current_script(), text, size_t{1} << 20);
  core::make_folders(brains);
  if (!core::write_file_atomic(target, text)) core::error_box("Cannot write " + target);
}

// F1 in the script editor: copy a chosen script over the current one.
void load_script() {
  if (core::box("Load script. Current script modifications will be lost!", " CONTINUE ", " ABORT ") != 1) return;
  const std::string chosen = ui::list_file_selector(program() + "brains/", "*.exp");
  if (chosen.empty()) return;
  std::string text;
  if (!core::read_file(chosen, text, size_t{1} << 20)) {
    core::error_box("Cannot read " + chosen);
    return;
  }
  core::write_file_atomic(current_script(), text);
}

}  // namespace

int32_t edit_script_text(const std::string& path, int32_t (&view)[4]) { return edit_brain_file(path, false, view); }

bool explode_visual(const std::string& visual_path, const std::string& script_text, std::string& message) {
  std::string text;
  if (!core::read_file(visual_path, text, media::kMaxVisualFileBytes)) {
    message = "Cannot read the visual " + file_name_of(visual_path);
    return false;
  }
  const std::string record = first_record(text);
  if (record.empty() || core::text_to_int(core::field(record, 1)) <= 0) {
    message = "The visual " + file_name_of(visual_path) + " has no part to explode";
    return false;
  }
  const ExplodeScript script = parse_explode_script(script_text);
  if (!script.frames_ok()) {
    message = "The script's frames must lie between 1 and 999";
    return false;
  }
  std::string source = core::slashes_forward(core::field(record, 3));
  if (source.empty()) source = "./" + std::string(media::kDefault3dsFile);
  // "./" and relative names lie in the program folder.
  if (source.rfind("./", 0) == 0) source = source.substr(2);
  if (source.empty() || source.front() != '/') source = program() + source;

  std::vector<media::Triangle> mesh;
  media::load_3ds_triangles(source, program() + std::string(media::kDefault3dsFile), mesh);
  // The visual is rewritten only after every frame file has been written.
  if (write_explosion(source, mesh, script) == 0) {
    message = "Cannot write the frames of " + file_name_of(source);
    return false;
  }
  if (!core::write_file_atomic(visual_path, exploded_visual_text(text, script))) {
    message = "Cannot write " + visual_path;
    return false;
  }
  return true;
}

void run_explode_tool(const std::string& start_path, int32_t (&view)[4]) {
  const std::string visual = ui::picture_file_selector(start_path, 11, "Select a visual to explode");
  if (visual.empty()) return;
  std::string text;
  if (!core::read_file(visual, text, media::kMaxVisualFileBytes) || first_record(text).empty()) {
    core::box("The visual " + file_name_of(visual) + " has no part to explode", " OK ", " OK ");
    return;
  }
  if (!core::file_exists(current_script())) core::write_file_atomic(current_script(), default_explode_script());

  while (true) {
    const int32_t code = edit_script_text(current_script(), view);
    if (code == kScriptSaveAs)
      save_script_as();
    else if (code == kScriptLoad)
      load_script();
    else
      break;
  }

  if (core::box("WARNING!|Selected visual (" + file_name_of(visual) + ") will be overwritten!", " ABORT ",
                " CONTINUE ") != 2)
    return;
  std::string script;
  core::read_file(current_script(), script, size_t{1} << 20);
  std::string message;
  if (!explode_visual(visual, script, message)) {
    core::box(message, " OK ", " OK ");
    return;
  }
  core::box("Exploding visual successfully generated!", " OK ", " OK ");
}

}  // namespace editors
