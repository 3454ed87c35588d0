// Lights: attached to frames; scene_render.cpp hands the shown ones to the
// program.
#include "platform/scene_local.h"

namespace platform {

int light_create(int frame, int32_t kind, float r, float g, float b) {
  if (!frame_at(frame)) return -1;
  SceneObjects& sc = scene();
  for (int i = 0; i < kMaxLights; ++i) {
    LightRec& l = sc.lights[i];
    if (l.used) continue;
    l = LightRec{};
    l.used = true;
    l.frame = frame;
    l.kind = kind >= kLightAmbient && kind <= kLightDirectional ? kind : kLightDirectional;
    l.r = r;
    l.g = g;
    l.b = b;
    return i;
  }
  return -1;
}

void light_delete(int i) {
  if (LightRec* l = light_at(i)) *l = LightRec{};
}
void light_set_colour(int i, float r, float g, float b) {
  if (LightRec* l = light_at(i)) {
    l->r = r;
    l->g = g;
    l->b = b;
  }
}
void light_colour(int i, float& r, float& g, float& b) {
  const LightRec* l = light_at(i);
  r = l ? l->r : 0;
  g = l ? l->g : 0;
  b = l ? l->b : 0;
}
void light_set_attenuation(int i, float a) {
  if (LightRec* l = light_at(i)) l->attenuation = a;
}
float light_attenuation(int i) { return light_at(i) ? light_at(i)->attenuation : 0; }
void light_set_range(int i, float range) {
  if (LightRec* l = light_at(i)) l->range = range;
}
void light_set_cone(int i, float umbra, float penumbra) {
  if (LightRec* l = light_at(i)) {
    l->umbra = umbra;
    l->penumbra = penumbra;
  }
}

}  // namespace platform
