#include "core/model.h"

namespace core {

bool model_valid(const Model& m) {
  const size_t n = m.positions.size();
  if (m.indices.size() % 3 != 0) return false;
  if (!m.normals.empty() && m.normals.size() != n) return false;
  if (!m.uvs.empty() && m.uvs.size() != n) return false;
  if (!m.colours.empty() && m.colours.size() != n) return false;
  for (uint32_t i : m.indices)
    if (i >= n) return false;
  for (const Group& g : m.groups) {
    if (g.index_count % 3 != 0 || g.first_index > m.indices.size() || g.index_count > m.indices.size() - g.first_index)
      return false;
    if (g.material < 0 || (static_cast<size_t>(g.material) >= m.materials.size() && !m.materials.empty())) return false;
  }
  return true;
}

}  // namespace core
