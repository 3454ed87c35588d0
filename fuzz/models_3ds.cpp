// Arbitrary bytes as a .3ds file: the flat triangle list and the model agree
// on whether it is a model, the model is consistent, and the triangles
// written back read back bit for bit.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "media/model3ds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> file(data, size);
  std::vector<media::Triangle> triangles;
  core::Model model;
  const bool flat = media::parse_3ds_triangles(file, triangles);
  if (media::parse_3ds_model(file, model) != flat) abort();
  if (!core::model_valid(model) || model.indices.size() != 3 * triangles.size()) abort();
  if (!flat) return 0;

  const std::string again = media::encode_3ds(triangles);
  if (again.empty()) return 0;  // larger than the reader takes
  std::vector<media::Triangle> back;
  if (!media::parse_3ds_triangles(std::span(reinterpret_cast<const uint8_t*>(again.data()), again.size()), back))
    abort();
  if (back.size() != triangles.size()) abort();
  if (!back.empty() && std::memcmp(back.data(), triangles.data(), back.size() * sizeof(media::Triangle)) != 0) abort();
  return 0;
}
