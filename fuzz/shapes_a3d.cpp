// Arbitrary bytes as a .a3d 3D shape: the reader keeps every face inside its
// vertex list and every tile inside the strip, a shape it accepts writes
// back to the same bytes' meaning, and its model is valid.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "media/shape_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  media::Shape s;
  if (!media::parse_shape({data, size}, s)) {
    if (!s.vertices.empty() || !s.faces.empty()) abort();
    return 0;
  }
  if (s.tiles == 0 || s.tiles > media::kMaxShapeTiles || s.texture.size() > media::kShapeTextureNameBytes) abort();
  for (const media::ShapeFace& f : s.faces) {
    for (uint16_t i : f.v)
      if (i >= s.vertices.size()) abort();
    if (f.tile >= s.tiles) abort();
  }
  const core::Model m = media::shape_model(s.vertices, s.faces, s.tiles);
  if (!core::model_valid(m)) abort();
  std::string again;
  if (s.texture.size() < media::kShapeTextureNameBytes) {
    if (!media::encode_shape(s, again)) abort();
    media::Shape back;
    if (!media::parse_shape({reinterpret_cast<const uint8_t*>(again.data()), again.size()}, back)) abort();
    if (back.faces.size() != s.faces.size() || back.vertices.size() != s.vertices.size()) abort();
  }
  return 0;
}
