// A model as the loaders hand it to the scene: triangles in groups that
// share a material. Plain CPU data; the scene copies it into its meshes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/math3d.h"

namespace core {

struct Material {
  float r = 1, g = 1, b = 1, a = 1;  // diffuse colour and opacity
  float emissive[3] = {0, 0, 0};
  float specular[3] = {0, 0, 0};
  float power = 0;      // specular exponent (0: none)
  std::string texture;  // image file, empty for none
};

struct Group {
  uint32_t first_index = 0;  // into Model::indices
  uint32_t index_count = 0;  // a multiple of 3
  int material = 0;          // into Model::materials
  bool lines = false;        // drawn as the edges of its triangles, not filled
  bool lit = true;           // false: drawn at full colour, whatever the lights
};

// Left-handed: x right, y up, z away from the viewer; front faces wind
// clockwise as seen from the viewer.
struct Model {
  std::vector<Vec3> positions;
  std::vector<Vec3> normals;      // empty: computed by the scene
  std::vector<Vec2> uvs;          // empty: none
  std::vector<uint32_t> colours;  // per vertex 0xAABBGGRR, empty: none
  std::vector<uint32_t> indices;
  std::vector<Group> groups;
  std::vector<Material> materials;

  bool empty() const { return indices.empty(); }
};

// True when every index and group lies inside the model's arrays.
bool model_valid(const Model& m);

}  // namespace core
