// Rendering a viewport in three steps: collect the visible mesh groups and
// shadows under the root, sort them into drawing order (both plain CPU
// work, draw_list_local.h), then submit them to GL.
#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>

#include "platform/scene_local.h"
#include "platform/state_local.h"

namespace platform {

namespace {

// Groups drawn blended: see-through material or texture.
bool translucent(const GroupRec& g) {
  if (g.material.a < 0.999f) return true;
  if (const TextureRec* t = texture_at(g.texture)) return t->translucent;
  return false;
}

// True when the frame and every ancestor are visible.
bool shown(int f) {
  for (const FrameRec* r = frame_at(f); r; r = frame_at(r->parent))
    if (!r->visible) return false;
  return frame_at(f) != nullptr;
}

void set_lights(SceneObjects& sc) {
  float ambient[3] = {0, 0, 0};
  float pos[kMaxShaderLights * 4], dir[kMaxShaderLights * 3], colour[kMaxShaderLights * 3],
      params[kMaxShaderLights * 4];
  int count = 0;
  for (const LightRec& l : sc.lights) {
    if (!l.used || !shown(l.frame)) continue;
    if (l.kind == kLightAmbient) {
      ambient[0] += l.r * l.attenuation;
      ambient[1] += l.g * l.attenuation;
      ambient[2] += l.b * l.attenuation;
      continue;
    }
    if (count == kMaxShaderLights) continue;
    const Mat4 w = frame_world(l.frame);
    const Vec3 p = transform_point(w, {0, 0, 0}), d = normalize(transform_vector(w, {0, 0, 1}));
    pos[count * 4 + 0] = p.x;
    pos[count * 4 + 1] = p.y;
    pos[count * 4 + 2] = p.z;
    pos[count * 4 + 3] = static_cast<float>(l.kind);
    dir[count * 3 + 0] = d.x;
    dir[count * 3 + 1] = d.y;
    dir[count * 3 + 2] = d.z;
    colour[count * 3 + 0] = l.r;
    colour[count * 3 + 1] = l.g;
    colour[count * 3 + 2] = l.b;
    params[count * 4 + 0] = l.range;
    params[count * 4 + 1] = l.attenuation;
    params[count * 4 + 2] = std::cos(l.umbra);
    params[count * 4 + 3] = std::cos(l.penumbra);
    ++count;
  }
  glUniform3fv(sc.u_ambient, 1, ambient);
  glUniform1i(sc.u_light_count, count);
  if (count) {
    glUniform4fv(sc.u_light_pos, count, pos);
    glUniform3fv(sc.u_light_dir, count, dir);
    glUniform3fv(sc.u_light_colour, count, colour);
    glUniform4fv(sc.u_light_params, count, params);
  }
}

void submit(SceneObjects& sc, const ViewportRec& v, const FrameRec& root, const Mat4& view, int count, int x, int y,
            int w, int h) {
  const Mat4 view_proj = projection(v) * view;
  glBindFramebuffer(GL_FRAMEBUFFER, state().device.fbo);
  glViewport(x, y, w, h);
  glEnable(GL_SCISSOR_TEST);
  glScissor(x, y, w, h);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_CULL_FACE);
  glFrontFace(GL_CW);
  glCullFace(GL_BACK);
  glUseProgram(sc.program);
  glUniformMatrix4fv(sc.u_view, 1, GL_FALSE, view.m);
  glUniformMatrix4fv(sc.u_view_proj, 1, GL_FALSE, view_proj.m);
  const Vec3 eye = frame_world_position(v.camera);
  glUniform3f(sc.u_eye, eye.x, eye.y, eye.z);
  set_lights(sc);
  glUniform1i(sc.u_fog, root.fog ? 1 : 0);
  glUniform2f(sc.u_fog_range, root.fog_start, root.fog_end);
  glUniform3f(sc.u_fog_colour, (root.fog_colour & 0xFF) / 255.0f, (root.fog_colour >> 8 & 0xFF) / 255.0f,
              (root.fog_colour >> 16 & 0xFF) / 255.0f);
  glActiveTexture(GL_TEXTURE0);
  bool lines = false;  // the polygon mode set, changed only between groups that differ
  for (int i = 0; i < count; ++i) {
    const DrawItem& it = sc.items[sc.order[i]];
    MeshRec& m = sc.meshes[it.mesh];
    if (m.dirty) upload_mesh(m);
    const GroupRec& g = m.groups[static_cast<size_t>(it.group)];
    const int32_t depth_mode = it.shadow > 0 ? kDepthTestWrite : sc.frames[it.frame].depth_mode;
    if (depth_mode == kDepthWriteOnly || depth_mode == kDepthNone)
      glDisable(GL_DEPTH_TEST);
    else
      glEnable(GL_DEPTH_TEST);
    if (it.shadow > 0) {
      // Coplanar shadow fragments pass once: overlapping triangles of one
      // flattened mesh do not darken twice. Pulled towards the viewer so the
      // receiving surface does not hide it.
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      glDepthMask(GL_TRUE);
      glDepthFunc(GL_LESS);
      glEnable(GL_POLYGON_OFFSET_FILL);
      glPolygonOffset(-1.0f, -4.0f);
      glDisable(GL_CULL_FACE);
    } else if (it.translucent) {
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      glDepthMask(GL_FALSE);
    } else {
      glDisable(GL_BLEND);
      glDepthMask(depth_mode == kDepthTestOnly || depth_mode == kDepthNone ? GL_FALSE : GL_TRUE);
    }
    glUniformMatrix4fv(sc.u_model, 1, GL_FALSE, it.world.m);
    const TextureRec* t = it.shadow > 0 ? nullptr : texture_at(g.texture);
    if (it.shadow > 0) {
      static const float kNone[3] = {0, 0, 0};
      glUniform4f(sc.u_colour, 0, 0, 0, it.shadow);
      glUniform3fv(sc.u_emissive, 1, kNone);
      glUniform4f(sc.u_specular, 0, 0, 0, 0);
      glUniform1i(sc.u_vertex_colours, 0);
      glUniform1i(sc.u_lit, 0);
    } else {
      glUniform4f(sc.u_colour, g.material.r, g.material.g, g.material.b, g.material.a);
      glUniform3fv(sc.u_emissive, 1, g.material.emissive);
      glUniform4f(sc.u_specular, g.material.specular[0], g.material.specular[1], g.material.specular[2],
                  state().specular ? g.material.power : 0.0f);
      glUniform1i(sc.u_vertex_colours, m.has_colours ? 1 : 0);
      glUniform1i(sc.u_lit, m.unlit || !g.lit ? 0 : 1);
    }
    const bool want_lines = g.lines && it.shadow <= 0;
    if (want_lines != lines) {
      glPolygonMode(GL_FRONT_AND_BACK, want_lines ? GL_LINE : GL_FILL);
      lines = want_lines;
    }
    glUniform1i(sc.u_textured, t ? 1 : 0);
    if (t) glBindTexture(GL_TEXTURE_2D, t->id);
    glBindVertexArray(m.vao);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(g.count), GL_UNSIGNED_INT,
                   reinterpret_cast<void*>(static_cast<uintptr_t>(g.first) * 4));
    if (it.shadow > 0) {
      glDisable(GL_POLYGON_OFFSET_FILL);
      glDepthFunc(GL_LEQUAL);
      glEnable(GL_CULL_FACE);
    }
    ++sc.drawn;
  }
  if (lines) glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glDepthMask(GL_TRUE);
  glDisable(GL_BLEND);
  glDisable(GL_CULL_FACE);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_DEPTH_TEST);
  const DeviceObjects& d = state().device;
  glViewport(0, 0, d.width, d.height);
}

}  // namespace

int draw_collect(SceneObjects& sc, int root, const Mat4& view) {
  if (!frame_at(root)) return 0;
  int items = 0;
  const uint32_t serial = ++sc.render_serial;
  walk_visible(sc, root, [&](int f, const FrameRec& fr, const Mat4& world) {
    sc.drawn_world[f] = world;
    sc.drawn_stamp[f] = serial;
    if (MeshRec* m = mesh_at(fr.mesh)) {
      float depth = transform_point(view, transform_point(world, {0, 0, 0})).z;
      if (!(depth == depth)) depth = 0;  // NaN would break the sort's ordering
      if (fr.part_order) update_centres(*m);
      for (size_t g = 0; g < m->groups.size() && items < kMaxFrames; ++g) {
        const GroupRec& gr = m->groups[g];
        if (!gr.visible) continue;
        float part_depth = fr.part_order ? transform_point(view, transform_point(world, gr.centre)).z : 0.0f;
        if (!(part_depth == part_depth)) part_depth = 0;
        sc.items[items++] = {fr.mesh, static_cast<int>(g), world, depth, translucent(gr), f, part_depth, 0.0f};
      }
    }
  });
  // Shadows of the casters reached above, flattened onto their planes.
  for (const ShadowRec& sh : sc.shadows) {
    if (!sh.used || sh.alpha <= 0 || !frame_at(sh.caster) || sc.drawn_stamp[sh.caster] != serial) continue;
    const FrameRec& fr = sc.frames[sh.caster];
    const MeshRec* m = mesh_at(fr.mesh);
    Mat4 flatten;
    if (!m || !shadow_matrix(sh.plane_point, sh.plane_normal, sh.point, sh.light, flatten)) continue;
    const Mat4 world = flatten * sc.drawn_world[sh.caster];
    float depth = transform_point(view, transform_point(sc.drawn_world[sh.caster], {0, 0, 0})).z;
    if (!(depth == depth)) depth = 0;
    for (size_t g = 0; g < m->groups.size() && items < kMaxFrames; ++g)
      if (m->groups[g].visible)
        sc.items[items++] = {fr.mesh, static_cast<int>(g), world, depth, true, sh.caster, 0.0f, sh.alpha};
  }
  return items;
}

void draw_sort(SceneObjects& sc, int count, int32_t mode) {
  for (int i = 0; i < count; ++i) sc.order[i] = i;
  // Ties keep the order of collection (the index decides), which makes the
  // sort stable without the work buffer std::stable_sort would allocate.
  std::sort(sc.order, sc.order + count, [&](int a, int b) {
    const DrawItem &ia = sc.items[a], &ib = sc.items[b];
    if (ia.translucent != ib.translucent) return !ia.translucent;
    if (ia.translucent) {
      if (ia.depth != ib.depth) return ia.depth > ib.depth;  // blended: back to front
    } else if (mode == kSortFrontToBack && ia.depth != ib.depth) {
      return ia.depth < ib.depth;
    } else if (mode == kSortBackToFront && ia.depth != ib.depth) {
      return ia.depth > ib.depth;
    }
    return a < b;
  });
  // The groups of a frame with a part order, where they follow each other.
  for (int i = 0; i < count;) {
    int j = i + 1;
    const DrawItem& first = sc.items[sc.order[i]];
    while (j < count && sc.items[sc.order[j]].frame == first.frame &&
           sc.items[sc.order[j]].translucent == first.translucent && sc.items[sc.order[j]].shadow == first.shadow)
      ++j;
    const int32_t order = sc.frames[first.frame].part_order;
    if (j - i > 1 && order && first.shadow == 0)
      std::sort(sc.order + i, sc.order + j, [&](int a, int b) {
        const float da = sc.items[a].part_depth, db = sc.items[b].part_depth;
        if (da != db) return order == 1 ? da < db : da > db;
        return a < b;
      });
    i = j;
  }
}

void viewport_render(int vi, int root) {
  SceneObjects& sc = scene();
  sc.drawn = 0;
  const ViewportRec* v = viewport_at(vi);
  const FrameRec* r = frame_at(root);
  int x, y, w, h;
  if (!v || !r || !frame_at(v->camera) || !gl_rect(*v, x, y, w, h) || !ready_program(sc)) return;
  const Mat4 view = view_matrix(*v);
  const int count = draw_collect(sc, root, view);
  draw_sort(sc, count, r->sort);
  submit(sc, *v, *r, view, count, x, y, w, h);
}

}  // namespace platform
