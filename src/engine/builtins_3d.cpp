// Built-ins of the 3D views: cameras, fog, lights, flats, sorting, picking
// and placing sprites at 3D points.
#include <algorithm>

#include "brain/bind.h"
#include "core/element_state.h"
#include "engine/builtins.h"
#include "engine/objects.h"
#include "engine/scene3d.h"
#include "engine/state.h"
#include "media/input.h"
#include "platform/scene.h"
#include "project/state.h"

namespace engine {

namespace {

using core::ElementState;


int32_t field_scale() { return std::clamp(project::state().scene.field_scale, 1, 100); }

int32_t camera_fov(int32_t a1) {
  const Object* o = current_object_of(core::element_at(a1), kTagCamera);
  if (!o || !o->w[1]) return 0;
  return core::at<int32_t>(static_cast<uint32_t>(o->w[1]))[10];
}

int32_t camera_fov_set(int32_t a1, int32_t a2) {
  const ElementState* st = core::element_at(a1);
  if (!current_object_of(st, kTagCamera) || a2 == 0) return 0;
  const int o = current_object(*st);
  platform::viewport_set_field(state().views.object_viewport[o],
                               field_scale() / 100.0f * 240.0f / static_cast<float>(a2));
  return 0;
}

int32_t fog_set(int32_t a1, int32_t a2) {
  State& s = state();
  s.drawing.fog_start = std::min(a1, a2) / 1000;
  s.drawing.fog_end = a2 / 1000;
  apply_fog();
  return 0;
}

int32_t fog_start() { return static_cast<int32_t>(static_cast<int64_t>(state().drawing.fog_start) * 1000); }

int32_t fog_end() { return static_cast<int32_t>(static_cast<int64_t>(state().drawing.fog_end) * 1000); }

int32_t fog_color_set(int32_t a1, int32_t a2, int32_t a3) {
  state().drawing.scene_colour = 0xFF000000u | uint32_t(a1 & 255) << 16 | uint32_t(a2 & 255) << 8 | uint32_t(a3 & 255);
  apply_fog();
  return 0;
}

int32_t clip_distance() {
  return static_cast<int32_t>(static_cast<int64_t>(project::state().scene.clip_distance) * 512000);
}

int32_t background3d_colour_set(int32_t a1, int32_t a2, int32_t a3) {
  state().views.background3d_colour = uint32_t(a1 & 255) << 16 | uint32_t(a2 & 255) << 8 | uint32_t(a3 & 255);
  return 0;
}

int32_t background3d_set(int32_t a1) {
  state().views.background3d_mode = a1;
  return 0;
}

int32_t light_color_set(int32_t a1, int32_t a2, int32_t a3, int32_t a4) {
  const ElementState* st = core::element_at(a1);
  if (!current_object_of(st, kTagLight)) return 0;
  const int o = current_object(*st);
  state().views.light_values[o][0] = a2 & 255;
  state().views.light_values[o][1] = a3 & 255;
  state().views.light_values[o][2] = a4 & 255;
  platform::light_set_colour(state().views.object_light[o], (a2 & 255) / 255.0f, (a3 & 255) / 255.0f,
                             (a4 & 255) / 255.0f);
  return 0;
}

int32_t light_intensity_set(int32_t a1, int32_t a2) {
  const ElementState* st = core::element_at(a1);
  if (!current_object_of(st, kTagLight)) return 0;
  const int o = current_object(*st);
  state().views.light_values[o][3] = a2 & 1023;
  platform::light_set_attenuation(state().views.object_light[o], 1.0f - (a2 & 1023) / 1024.0f);
  return 0;
}

template <int Channel>
int32_t light_value(int32_t a1) {
  const ElementState* st = core::element_at(a1);
  return current_object_of(st, kTagLight) ? state().views.light_values[current_object(*st)][Channel] : 0;
}

int32_t flats_priority_set(int32_t a1) {
  state().views.flats_after_cameras = (a1 & 1) != 0;
  return 0;
}

// Scale of a flat shape; the extent follows from its unscaled copy.
int32_t flat_scale_set(int32_t a1, int32_t a2, int32_t a3) {
  ElementState* st = core::element_at(a1);
  if (!current_object_of(st, kTagFlat)) return 0;
  st->w[core::kScaleX] = a2;
  st->w[core::kScaleY] = a3;
  const int e = core::element_index(a1);
  const int32_t* keep = state().scene.unscaled[e];
  static constexpr int kAxis[6] = {0, 1, 2, 0, 1, 2};
  const int32_t scale[3] = {a2, a3, st->w[core::kScaleZ]};
  for (int k = 0; k < 6; ++k)
    st->w[core::kExtent + k] = static_cast<int32_t>(int64_t(keep[k]) * scale[kAxis[k]] / 1000);
  return 0;
}

int32_t sort_mode_set(int32_t a1) {
  if (a1 < 1 || a1 > 3) return 0;
  platform::frame_set_sort_mode(state().views.roots[kMainRoot], a1);
  platform::frame_set_sort_mode(state().views.roots[kSecondRoot], a1);
  return 0;
}

int32_t poly_sort_mode_set(int32_t a1) {
  if (a1 == 0 || a1 == 1) state().views.sorted_transparency = a1 == 1;
  return 0;
}

int32_t antialias_set(int32_t a1) {
  state().views.antialias = a1 != 0;
  return 0;
}

// Whether a hit on a priority layer's copy shows over the main scene's hit:
// the layer's offset d moves its front clip n out, so a point at depth z1
// still shows over one at z0 while z1 < z0 (n + d) / n.
bool layer_shows_over(const platform::Pick& layered, const platform::Pick& main, int viewport) {
  const State& s = state();
  float offset = s.views.layer_step;  // the second root itself
  for (int i = 0; i < s.views.layer_count; ++i)
    if (s.views.layer_frames[i] == platform::frame_parent(layered.frame))
      offset = s.views.layer_step * static_cast<float>(i + 1);
  const float front = platform::viewport_front(viewport);
  if (front <= 0) return layered.distance < main.distance;
  return layered.distance + front < (main.distance + front) * (front + offset) / front;
}

// The element whose renderer frame the mouse ray hits first, over every
// active camera in index order (a later camera's hit wins).
uint32_t pick(int32_t* hit_point) {
  const State& s = state();
  uint32_t found = 0;
  for (int e = 0; e < s.scene.element_count; ++e) {
    const ElementState& cam = *core::element_state(e);
    if (!core::on_and_shown(cam)) continue;
    const int o = current_object(cam);
    if (o < 0 || s.views.object_viewport[o] < 0) continue;
    const float mx = static_cast<float>(media::input().mouse_x), my = static_cast<float>(media::input().mouse_y);
    platform::Pick p = platform::viewport_pick(s.views.object_viewport[o], s.views.roots[kMainRoot], mx, my);
    // Elements of the priority layers are drawn (and found) as their copies
    // under the second root, with the depth mapping moved out by the layer's
    // offset: they show over faces up to that far in front of them.
    const platform::Pick layered = platform::viewport_pick(s.views.object_viewport[o], s.views.roots[kSecondRoot], mx,
                                                           my);
    if (layered.frame >= 0 && (p.frame < 0 || layer_shows_over(layered, p, s.views.object_viewport[o]))) p = layered;
    if (p.frame < 0) continue;
    for (int t = 0; t < s.scene.element_count; ++t) {
      const int to = current_object(*core::element_state(t));
      const bool copy_hit = s.views.element_layer[t] > 0 && s.views.layer_copy[t] == p.frame;
      if ((to >= 0 && s.views.object_frame[to] == p.frame) || copy_hit) {
        found = core::element_ref(t);
        if (hit_point) {
          hit_point[0] = static_cast<int32_t>(p.point.x * 512000.0f);
          hit_point[1] = static_cast<int32_t>(p.point.y * 512000.0f);
          hit_point[2] = static_cast<int32_t>(p.point.z * 512000.0f);
        }
        break;
      }
    }
  }
  return found;
}

int32_t visual_picked_get() { return static_cast<int32_t>(pick(nullptr)); }

int32_t visual_picked_get_ex(int32_t a1) {
  int32_t point[3];
  const uint32_t found = pick(point);
  if (found)
    if (ElementState* st = core::element_at(a1)) std::copy(point, point + 3, &st->w[core::kPosition]);
  return static_cast<int32_t>(found);
}

int32_t visual_picked(int32_t a1) { return a1 != 0 && static_cast<uint32_t>(a1) == state().loop.picked ? -1 : 0; }

// Places sprite s at the screen point of element a seen by camera c.
int32_t sprite_3d_pos(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5) {
  const ElementState* a = core::element_at(a1);
  ElementState* sprite = core::element_at(a2);
  const ElementState* cam = core::element_at(a5);
  if (!a || !sprite || !current_object_of(cam, kTagCamera)) return 0;
  const int v = state().views.object_viewport[current_object(*cam)];
  const platform::Vec4 t = platform::viewport_transform(v, {a->w[core::kPosition] / 512000.0f,
                                                            a->w[core::kPosition + 1] / 512000.0f,
                                                            a->w[core::kPosition + 2] / 512000.0f});
  if (t.w == 0) return 0;
  sprite->w[core::kPosition] = static_cast<int32_t>(std::clamp(t.x / t.w + a3, -2e9f, 2e9f));
  sprite->w[core::kPosition + 1] = static_cast<int32_t>(std::clamp(t.y / t.w + a4, -2e9f, 2e9f));
  return static_cast<int32_t>(std::clamp(t.w, -3906.0f, 3906.0f) * 512000.0f);
}

}  // namespace

uint32_t pick_element() { return pick(nullptr); }

void bind_3d_builtins() {
  brain::bind<camera_fov>("camera_fov");
  brain::bind<camera_fov_set>("camera_fov_set");
  brain::bind<fog_set>("fog_set");
  brain::bind<fog_start>("fog_start");
  brain::bind<fog_end>("fog_end");
  brain::bind<fog_color_set>("fog_color_set");
  brain::bind<clip_distance>("clip_distance");
  brain::bind<background3d_colour_set>("3dbg_color_set");
  brain::bind<background3d_set>("background3d_set");
  brain::bind<light_color_set>("light_color_set");
  brain::bind<light_intensity_set>("light_intensity_set");
  brain::bind<light_value<0>>("light_color_red");
  brain::bind<light_value<1>>("light_color_green");
  brain::bind<light_value<2>>("light_color_blue");
  brain::bind<light_value<3>>("light_intensity");
  brain::bind<flats_priority_set>("flats_priority_set");
  brain::bind<flat_scale_set>("flat_scale_set");
  brain::bind<sort_mode_set>("sort_mode_set");
  brain::bind<poly_sort_mode_set>("poly_sort_mode_set");
  brain::bind<antialias_set>("antialias_set");
  brain::bind<visual_picked_get>("visual_picked_get");
  brain::bind<visual_picked_get_ex>("visual_picked_get_ex");
  brain::bind<visual_picked>("visual_picked");
  brain::bind<sprite_3d_pos>("sprite_3d_pos");
}

}  // namespace engine
