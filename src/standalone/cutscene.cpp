#include "standalone/cutscene.h"

#include "core/files.h"

namespace standalone {

namespace {

struct Cutscene {
  CutsceneAreaSource area_source = nullptr;
  CutsceneSound sound = nullptr;
  bool playing = false;
};

Cutscene& cs() {
  static Cutscene c;
  return c;
}

}  // namespace

void set_cutscene_area_source(CutsceneAreaSource source) { cs().area_source = source; }
CutsceneArea cutscene_area() { return cs().area_source ? cs().area_source() : CutsceneArea{}; }
void set_cutscene_sound(CutsceneSound sink) { cs().sound = sink; }

bool cutscene_start(const std::string& path, int32_t, int32_t) {
  cutscene_stop();
  if (path.empty() || !core::file_exists(path)) return false;
  return false;
}

bool cutscene_update() { return cs().playing; }
bool cutscene_playing() { return cs().playing; }
void cutscene_stop() { cs().playing = false; }

}  // namespace standalone
