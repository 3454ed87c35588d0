// Arbitrary bytes as a .3ds file: the flat triangle list and the model agree
// on whether it is a model, the model is consistent, the texture mapping of
// a visual part (mode, wrap shape and direction chosen by the last byte)
// keeps it consistent, and the triangles written back read back bit for bit.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "media/model3ds.h"
#include "media/visual_model.h"

namespace {

void check_mapping(const core::Model& model, uint8_t choice) {
  media::VisualPart part;
  part.texture_mode = 1 + choice % 3;
  part.wrap_shape = choice / 3 % media::kWrapShapes;
  part.wrap_direction = 1 + choice / 12 % 6;
  core::Model mapped = model;
  media::map_part_texture(mapped, part);
  if (!core::model_valid(mapped) || mapped.indices.size() != model.indices.size()) abort();
  if (!mapped.empty() && mapped.uvs.size() != mapped.positions.size()) abort();
  bool finite = true;
  for (const core::Vec3& v : model.positions)
    finite = finite && std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
  if (!finite) return;
  for (const core::Vec2& t : mapped.uvs)
    if (!std::isfinite(t.u) || !std::isfinite(t.v)) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> file(data, size);
  std::vector<media::Triangle> triangles;
  core::Model model;
  const bool flat = media::parse_3ds_triangles(file, triangles);
  if (media::parse_3ds_model(file, model) != flat) abort();
  if (!core::model_valid(model) || model.indices.size() != 3 * triangles.size()) abort();
  if (!flat) return 0;
  check_mapping(model, size ? data[size - 1] : 0);

  const std::string again = media::encode_3ds(triangles);
  if (again.empty()) return 0;  // larger than the reader takes
  std::vector<media::Triangle> back;
  if (!media::parse_3ds_triangles(std::span(reinterpret_cast<const uint8_t*>(again.data()), again.size()), back))
    abort();
  if (back.size() != triangles.size()) abort();
  if (!back.empty() && std::memcmp(back.data(), triangles.data(), back.size() * sizeof(media::Triangle)) != 0) abort();
  return 0;
}
