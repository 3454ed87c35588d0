// Textures: GL textures with their size and whether any texel is
// translucent (which makes the groups that use them draw blended).
#include <epoxy/gl.h>

#include "platform/scene_local.h"

namespace platform {

namespace {

void apply_quality(const TextureRec& t, int quality) {
  static const GLint kMin[6] = {GL_NEAREST, GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR_MIPMAP_NEAREST,
                                GL_LINEAR,  GL_NEAREST_MIPMAP_LINEAR,  GL_LINEAR_MIPMAP_LINEAR};
  static const GLint kMag[6] = {GL_NEAREST, GL_NEAREST, GL_LINEAR, GL_LINEAR, GL_NEAREST, GL_LINEAR};
  if (quality < 0 || quality > 5) quality = 0;
  glBindTexture(GL_TEXTURE_2D, t.id);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, kMin[quality]);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, kMag[quality]);
}

}  // namespace

int texture_create(const uint32_t* rgba, int width, int height) {
  if (!gl() || !rgba || width <= 0 || height <= 0 || width > 8192 || height > 8192) return -1;
  SceneObjects& sc = scene();
  for (int i = 0; i < kMaxTextures; ++i) {
    TextureRec& t = sc.textures[i];
    if (t.used) continue;
    t = TextureRec{};
    t.used = true;
    t.width = width;
    t.height = height;
    glGenTextures(1, &t.id);
    texture_update(i, rgba);
    return i;
  }
  return -1;
}

void texture_update(int i, const uint32_t* rgba) {
  TextureRec* t = texture_at(i);
  if (!t || !gl()) return;
  t->translucent = false;
  const size_t n = static_cast<size_t>(t->width) * static_cast<size_t>(t->height);
  for (size_t p = 0; p < n; ++p)
    if ((rgba[p] >> 24) != 0xFF) {
      t->translucent = true;
      break;
    }
  glBindTexture(GL_TEXTURE_2D, t->id);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, t->width, t->height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  glGenerateMipmap(GL_TEXTURE_2D);
  apply_quality(*t, scene().texture_quality);
}

bool texture_info(int i, uint32_t& id, int& width, int& height) {
  const TextureRec* t = texture_at(i);
  if (!t || !gl()) return false;
  id = t->id;
  width = t->width;
  height = t->height;
  return true;
}

void texture_delete(int i) {
  if (TextureRec* t = texture_at(i)) {
    if (gl()) glDeleteTextures(1, &t->id);
    *t = TextureRec{};
    for (MeshRec& m : scene().meshes)
      for (GroupRec& g : m.groups)
        if (g.texture == i) g.texture = -1;
  }
}

void texture_set_quality(int quality) {
  SceneObjects& sc = scene();
  sc.texture_quality = quality;
  if (!gl()) return;
  for (const TextureRec& t : sc.textures)
    if (t.used) apply_quality(t, quality);
}

}  // namespace platform
