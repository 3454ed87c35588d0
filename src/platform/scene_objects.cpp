// The scene's tables as a whole: made at the first use, released at once.
#include <epoxy/gl.h>

#include "platform/scene_local.h"
#include "platform/state_local.h"

namespace platform {

SceneObjects& scene() {
  State& s = state();
  if (!s.scene) s.scene = new SceneObjects();
  return *s.scene;
}

bool gl() { return state().device.context != nullptr; }

void scene_reset() {
  State& s = state();
  if (!s.scene) return;
  SceneObjects& sc = *s.scene;
  for (MeshRec& m : sc.meshes) release_mesh_gl(m);
  if (gl()) {
    for (TextureRec& t : sc.textures)
      if (t.used) glDeleteTextures(1, &t.id);
    if (sc.program) glDeleteProgram(sc.program);
  }
  delete s.scene;
  s.scene = nullptr;
  ++s.scene_generation;
}

uint32_t scene_generation() { return state().scene_generation; }

void scene_set_specular(bool on) { state().specular = on; }

int scene_drawn_count() { return scene().drawn; }

}  // namespace platform
