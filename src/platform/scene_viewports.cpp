// Viewports: a camera frame, a rectangle of the frame and a projection.
#include <epoxy/gl.h>

#include <cmath>

#include "platform/scene_local.h"
#include "platform/state_local.h"

namespace platform {

Mat4 projection(const ViewportRec& v) {
  Mat4 p;
  const float aspect = static_cast<float>(v.width) / static_cast<float>(v.height > 0 ? v.height : 1);
  const float field = v.field > 1e-6f ? v.field : 1e-6f;
  const float n = v.front > 1e-6f ? v.front : 1e-6f;
  const float f = v.back > n * 1.0001f ? v.back : n * 1.0001f;
  p.at(0, 0) = 1.0f / field;
  p.at(1, 1) = aspect / field;
  p.at(2, 2) = (f + n) / (f - n);
  p.at(2, 3) = -2 * f * n / (f - n);
  p.at(3, 2) = 1;
  p.at(3, 3) = 0;
  return p;
}

Mat4 view_matrix(const ViewportRec& v) { return inverse_affine(frame_world(v.camera)); }

int viewport_create(int camera, int x, int y, int width, int height) {
  if (!frame_at(camera)) return -1;
  SceneObjects& sc = scene();
  for (int i = 0; i < kMaxViewports; ++i) {
    ViewportRec& v = sc.viewports[i];
    if (v.used) continue;
    v = ViewportRec{};
    v.used = true;
    v.camera = camera;
    viewport_set_rect(i, x, y, width, height);
    return i;
  }
  return -1;
}

void viewport_delete(int i) {
  if (ViewportRec* v = viewport_at(i)) *v = ViewportRec{};
}

void viewport_set_rect(int i, int x, int y, int width, int height) {
  if (ViewportRec* v = viewport_at(i)) {
    v->x = x;
    v->y = y;
    v->width = width > 0 ? width : 1;
    v->height = height > 0 ? height : 1;
  }
}
void viewport_set_field(int i, float field) {
  if (ViewportRec* v = viewport_at(i)) v->field = field > 0 ? field : 0.5f;
}
float viewport_field(int i) { return viewport_at(i) ? viewport_at(i)->field : 0; }
void viewport_set_clip(int i, float front, float back) {
  if (ViewportRec* v = viewport_at(i)) {
    v->front = front;
    v->back = back;
  }
}
float viewport_front(int i) { return viewport_at(i) ? viewport_at(i)->front : 0; }
float viewport_back(int i) { return viewport_at(i) ? viewport_at(i)->back : 0; }

bool gl_rect(const ViewportRec& v, int& x, int& y, int& w, int& h) {
  const DeviceObjects& d = state().device;
  x = v.x;
  y = d.height - (v.y + v.height);
  w = v.width;
  h = v.height;
  return d.context != nullptr;
}

void viewport_clear_depth(int i) {
  const ViewportRec* v = viewport_at(i);
  int x, y, w, h;
  if (!v || !gl_rect(*v, x, y, w, h)) return;
  glBindFramebuffer(GL_FRAMEBUFFER, state().device.fbo);
  glEnable(GL_SCISSOR_TEST);
  glScissor(x, y, w, h);
  glDepthMask(GL_TRUE);
  glClear(GL_DEPTH_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
}

Vec4 viewport_transform(int vi, Vec3 world) {
  const ViewportRec* v = viewport_at(vi);
  if (!v) return {0, 0, 0, 0};
  const Mat4 vp = projection(*v) * view_matrix(*v);
  const Vec3 c = transform_point(vp, world);
  const float cw = vp.at(3, 0) * world.x + vp.at(3, 1) * world.y + vp.at(3, 2) * world.z + vp.at(3, 3);
  if (std::fabs(cw) < 1e-12f) return {0, 0, 0, 0};
  const float sx = v->x + (c.x / cw * 0.5f + 0.5f) * v->width;
  const float sy = v->y + (0.5f - c.y / cw * 0.5f) * v->height;
  return {sx * cw, sy * cw, c.z, cw};
}

Vec3 viewport_inverse_transform(int vi, float sx, float sy, float depth) {
  const ViewportRec* v = viewport_at(vi);
  if (!v) return {};
  const float nx = (sx - v->x) / v->width * 2 - 1;
  const float ny = 1 - (sy - v->y) / v->height * 2;
  const float aspect = static_cast<float>(v->width) / static_cast<float>(v->height);
  const Vec3 view_point{nx * v->field * depth, ny * v->field / aspect * depth, depth};
  return transform_point(frame_world(v->camera), view_point);
}

}  // namespace platform
