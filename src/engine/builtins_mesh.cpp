// Built-ins that edit the renderer objects of elements: colours,
// vertices, normals, materials, parts, shadows and renderer states.
#include "engine/builtins.h"

namespace engine {

void bind_mesh_builtins() {}

}  // namespace engine
