#include "standalone/build.h"

#include <dirent.h>

#include <vector>

#include "brain/driver.h"
#include "core/files.h"
#include "core/protect.h"
#include "core/state.h"
#include "core/text.h"
#include "project/channel_map.h"
#include "project/project_file.h"
#include "project/records.h"
#include "project/state.h"
#include "project/types.h"
#include "standalone/engine_copy.h"

namespace standalone {

namespace {

constexpr int kMaxFrames = 999;
// Longest image name looked for in an X file.
constexpr size_t kMaxNameBytes = 260;
constexpr int kFieldNetwork = 47;
constexpr char kDataFiles[] =
    "resume_.bmp|end_.bmp|atan.bin|font.fnt|font8.fnt|random.bin|sinus.bin|sinusbig.bin|hood0a.x|hood1a.x|hood2a.x|"
    "hood3a.x|"
    "hood4a.x|hood0b.x|hood1b.x|hood2b.x|hood3b.x|hood4b.x";

const std::string& program() { return core::state().folders.program; }

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c == '\t') c = ' ';
  }
  return out;
}

bool ends_with(std::string_view s, std::string_view tail) {
  return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

std::string file_name(std::string_view path) {
  const size_t p = path.find_last_of("/\\");
  return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

// The path with the text after its last "." (in its file name) replaced.
std::string with_extension(const std::string& path, const std::string& ext) {
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + "." + ext;
  return path.substr(0, dot + 1) + ext;
}

std::string three(int n) {
  std::string s = std::to_string(n % 1000);
  return std::string(3 - s.size(), '0') + s;
}

// What one build does, with the files it could not write.
struct Builder {
  std::string out = output_folder();
  BuildReport report;

  void note(bool ok, const std::string& file) {
    if (!ok) report.failed.push_back(file_name(file));
  }
  void protect(const std::string& from, const std::string& to) { note(core::protected_copy(from, to), to); }
  void plain(const std::string& from, const std::string& to) {
    std::string bytes;
    if (!core::read_file(from, bytes)) return note(false, to);
    note(core::write_file_atomic(to, bytes), to);
  }

  void empty_output() {
    core::make_folders(out);
    DIR* d = ::opendir(out.c_str());
    if (!d) return;
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(d)) names.emplace_back(e->d_name);
    ::closedir(d);
    for (const std::string& n : names)
      if (core::file_exists(out + n)) core::remove_file(out + n);
  }

  // The images an X file names (".bmp" or ".ppm", from the quote or zero
  // byte before them), copied from its folder under their own names, with
  // a ".pcx" of the same name copied plainly.
  void copy_x_images(const std::string& x_file) {
    std::string bytes;
    if (!core::read_file(x_file, bytes)) return;
    const std::string low = lower(bytes);
    const std::string folder = core::folder_of(x_file);
    std::vector<std::string> done;
    for (const char* ext : {".bmp", ".ppm"}) {
      for (size_t p = low.find(ext); p != std::string::npos; p = low.find(ext, p + 1)) {
        size_t start = p;
        while (start > 0 && p - start < kMaxNameBytes && bytes[start - 1] != '"' && bytes[start - 1] != '\0') --start;
        // Only a file of the X file's own folder: any folder part is dropped.
        const std::string name = file_name(std::string_view(bytes).substr(start, p + 4 - start));
        if (name.size() <= 4 || name.find('\n') != std::string::npos) continue;
        bool seen = false;
        for (const std::string& d : done) seen = seen || d == name;
        if (seen) continue;
        done.push_back(name);
        if (core::file_exists(folder + name)) protect(folder + name, out + name);
        const std::string pcx = name.substr(0, name.size() - 3) + "pcx";
        if (core::file_exists(folder + pcx)) plain(folder + pcx, out + pcx);
      }
    }
  }

  void copy_x(const std::string& x_file) {
    protect(x_file, out + file_name(x_file));
    copy_x_images(x_file);
  }

  // A visual's description, its part images and meshes under derived
  // names; the description written protected like every other resource.
  void copy_visual(const std::string& from, const std::string& to) {
    std::string text;
    if (!core::read_file(from, text, 1u << 20)) return note(false, to);
    core::LineReader lines(text);
    core::LineWriter w;
    for (;;) {
      std::string line = core::slashes_forward(lines.next());
      if (line.empty()) break;
      if (line.rfind("./", 0) == 0) line = program() + line.substr(2);
      for (int k : {2, 3, 30}) {
        std::string src(core::field(line, k));
        if (src.rfind("./", 0) == 0) src = program() + src.substr(2);
        if (src.empty()) continue;
        const std::string dest = derived_name(src);
        if (!core::file_exists(src))
          src = core::folder_of(src) + "default_." + lower(src.substr(src.size() - std::min<size_t>(3, src.size())));
        if (core::file_exists(src)) protect(src, out + dest);
        line = core::with_field(line, k, "./" + dest);
      }
      w.line(line);
    }
    std::string bytes = w.text();
    bytes += "\r\n";
    if (core::transforms(to)) core::protect_text(bytes);
    note(core::write_file_atomic(to, bytes), to);
  }

  // Field k of element e: the file copied under its name in the game, the
  // field pointed at that copy.
  void copy_resource(int e, int k) {
    const std::string path = project::get_field(e, k);
    if (path.empty()) return;
    const std::string p = lower(path);
    if (ends_with(p, ".x")) {
      const std::string src = core::file_exists(path) ? path : program() + "xvisuals/default_.x";
      copy_x(src);
      for (int n = 2; n <= kMaxFrames; ++n) {
        const std::string frame = src.substr(0, src.size() - 2) + "_" + three(n) + ".x";
        if (!core::file_exists(frame)) break;
        copy_x(frame);
      }
      copy_ground_cache(e, k, src, file_name(src));
      project::set_field(e, k, "./" + file_name(src));
      return;
    }
    const std::string dest = derived_name(path);
    std::string src = path;
    if (!core::file_exists(src)) {
      src = ends_with(p, "v3d")
                ? program() + "visuals/default_.v3d"
                : core::folder_of(path) + "default_." + p.substr(p.size() - std::min<size_t>(3, p.size()));
    }
    if (ends_with(p, ".v3d")) {
      copy_visual(src, out + dest);
    } else if (core::file_exists(src)) {
      protect(src, out + dest);
      for (int n = 2; n <= kMaxFrames && src.size() >= 3; ++n) {
        const std::string frame = src.substr(0, src.size() - 3) + three(n);
        if (!core::file_exists(frame)) break;
        protect(frame, out + dest.substr(0, dest.size() - 3) + three(n));
      }
    }
    copy_ground_cache(e, k, path, dest);
    project::set_field(e, k, "./" + dest);
  }

  // A BOUNDARY element's ground-map cache (its aspect with the extension
  // ".m3d"): a built game makes none, so the one the tools made goes along,
  // named after the aspect's name in the game.
  void copy_ground_cache(int e, int k, const std::string& aspect, const std::string& dest) {
    if (k != project::kFieldAspect || project::element_type(e) != project::kBoundary) return;
    const std::string cache = with_extension(aspect, "m3d");
    if (core::file_exists(cache)) protect(cache, out + with_extension(dest, "m3d"));
  }

  bool brains_compile() {
    brain::CompileRequest request;
    for (int e = 0; e <= project::last_index(); ++e)
      request.elements.push_back(
          {project::get_field(e, project::kFieldName), project::get_field(e, project::kFieldBrain), std::nullopt});
    return !brain::compile_project(request).brain_error;
  }

  bool needs_network() {
    if (!project::state().scene.shared_vars.empty()) return true;
    for (int e = 0; e <= project::last_index(); ++e)
      if ((core::text_to_int(project::get_field(e, kFieldNetwork)) & ~0xCC) != 0) return true;
    return false;
  }

  void build_entry(const MultiList& list, int index) {
    const std::string source = std::string(core::field(list[index], kListFieldProject));
    std::string description;
    if (!core::file_exists(source) || !project::load_project(source, description) || !brains_compile()) {
      report.skipped.push_back(index);
      return;
    }
    std::string base = file_name(source);
    if (ends_with(lower(base), ".prj")) base.resize(base.size() - 4);
    core::notice("Compilation in progress... " + base);
    report.networking = report.networking || needs_network();
    for (int e = 0; e <= project::last_index(); ++e) {
      copy_resource(e, project::kFieldAspect);
      copy_resource(e, project::kFieldSound);
    }
    // The background image; without one the engine takes the default, which
    // the game needs as much.
    std::string& background = project::state().scene.background;
    const std::string image = background.empty() ? program() + "bckgrnds/bkgr000_.bmp" : background;
    const std::string dest = derived_name(image);
    if (core::file_exists(image)) {
      protect(image, out + dest);
      background = "./" + dest;
    }
    const std::string level = out + "level" + level_digits(index) + ".prj";
    note(project::save_project(level, description), level);
    protect(level, level);
    const std::string col = project::col_path(source);
    if (core::file_exists(col)) plain(col, project::col_path(level));
    report.levels.push_back(index);
    core::notice("");
    core::notice("Looking for next project to compile, please wait...");
  }
};

}  // namespace

uint32_t text_hash(std::string_view text) {
  uint32_t h = 0;
  for (char c : text) h = h * 31u + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(c)));
  return h;
}

std::string derived_name(std::string_view path) {
  const std::string p = lower(path);
  if (ends_with(p, "null_.wav")) return "null_.wav";
  return core::hex8(text_hash(p)) + ".dat";
}

std::string output_folder() { return program() + "tarvoexe/"; }

BuildReport build_game(const MultiList& list, const std::string& name) {
  Builder b;
  if (core::box("Executable compilation. Please confirm:", " CONTINUE ", " ABORT ") != 1) {
    b.report.aborted = true;
    return b.report;
  }
  b.empty_output();
  int last = -1;
  for (int i = 0; i < kListEntries; ++i)
    if (entry_on(list, i)) last = i;
  if (last < 0) return b.report;
  for (int i = 0; i <= last; ++i)
    if (entry_on(list, i)) b.build_entry(list, i);
  core::notice("");

  const std::string& out = b.out;
  if (b.report.networking) b.note(core::write_file_atomic(out + "netmode.ini", "\r\n"), out + "netmode.ini");
  const std::string& engine_file = core::state().folders.engine_file;
  const std::string engine = !engine_file.empty() && core::file_exists(program() + engine_file)
                                 ? program() + engine_file
                                 : "/proc/self/exe";
  b.note(write_engine_copy(engine, out + "tarvoexe.exe", name), out + "tarvoexe.exe");

  const std::string& data = core::state().folders.data;
  for (int k = 1; k <= core::field_count(kDataFiles); ++k) {
    const std::string n(core::field(kDataFiles, k));
    if (core::file_exists(data + n)) b.plain(data + n, out + n);
  }
  if (core::file_exists(data + "panels2.pcx")) b.plain(data + "panels2.pcx", out + "panels.pcx");
  for (const char* n : {"config.exe", "config.ini", "noencrypt.txt"})
    if (core::file_exists(program() + n)) b.plain(program() + n, out + n);
  b.note(core::write_file_atomic(out + "multilev.ini", output_list(list)), out + "multilev.ini");

  for (int i = 0; i < kListEntries; ++i) {
    if (!entry_on(list, i)) continue;
    for (int k : {kListFieldLoading, kListFieldComplete}) {
      const std::string image(core::field(list[i], k));
      if (image.empty() || !core::file_exists(image)) continue;
      b.protect(image, out + file_name(image));
      if (image.size() > 4) {
        const std::string video = image.substr(0, image.size() - 4) + ".avi";
        if (core::file_exists(video)) b.plain(video, out + file_name(video));
      }
    }
  }
  if (core::box("Do you want to include Screen Saver installation module (tarvoexe.scr)?", " YES ", " NO ") == 1 &&
      core::file_exists(program() + "data/ssmod.bin"))
    b.plain(program() + "data/ssmod.bin", out + "tarvoexe.scr");
  b.note(write_run_script(out), out + "run");

  if (!b.report.failed.empty()) {
    std::string text = "The stand-alone version is incomplete: these files could not be written:";
    for (size_t i = 0; i < b.report.failed.size() && i < 10; ++i) text += "|" + b.report.failed[i];
    if (b.report.failed.size() > 10) text += "|...";
    core::box(text, " OK ", " OK ");
    return b.report;
  }
  core::box(
      "The stand-alone version of the multi-project is in 'tarvo/tarvoexe/' folder now"
      "|You can port it to other PCs by porting the 'tarvoexe' folder and its content"
      "|You can run the project by executing the tarvoexe.exe file"
      "|You can freely rename the ported 'tarvoexe' folder and the 'tarvoexe.exe' file",
      " OK ", " OK ");
  return b.report;
}

}  // namespace standalone
