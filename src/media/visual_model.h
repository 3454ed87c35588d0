// One frame of a visual (.v3d) as a model for the scene, shared by the
// engine's visual objects, the picture selector's thumbnails and the visual
// editor's preview.
//
// Every part is one group with its own material: colour-only parts take the
// part colour; textured parts (texture modes 1 to 3) are white with the
// part's texture, mapped by the texture mode:
//   1 six views        each triangle is projected from the side its face
//                      looks at (front, back, left, right, top, bottom);
//   2 flat projection  the texture is wrapped by the part's wrap shape,
//                      seen from its wrap direction;
//   3 cylindrical wrap the same, a FLAT wrap shape being read as CYLINDER
//                      (the mode's own shape).
// Wrap shapes (field 28): FLAT projects the image along the wrap direction
// over the part's bounding box; CYLINDER wraps it once around the axis that
// is "up" from that direction, the seam at the far side; SPHERE does the
// same around a sphere, top to bottom; CHROME takes the coordinates from
// the smoothed normals, as a reflection of the image would.
// The part's quality (field 5) decides how its group is drawn:
//   0 WIREFRAME  the edges of its front-facing triangles as lines, lit and
//                smooth-shaded as a Gouraud part would be (the group's
//                `lines`); its shadow stays solid;
//   1 UNLITFLAT  solid at the full value of its colour or texture, whatever
//                the lights (the group is not `lit`), every triangle with
//                its own vertices;
//   2 FLAT       solid and lit, every triangle with its own three vertices so
//                that the scene gives them the triangle's normal (faceted);
//   3 GOURAUD    solid and lit with normals smoothed over shared vertices.
// A value outside 0..3 in the file is read as GOURAUD.
// A METAL material gets a highlight, a translucent part is drawn half
// transparent, a morphing part lies the given percentage of the way from
// its source to its target (when both have the same number of vertices).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/model.h"
#include "media/visual_file.h"

namespace media {

enum WrapShape : int32_t { kWrapFlat = 0, kWrapCylinder = 1, kWrapSphere = 2, kWrapChrome = 3 };
inline constexpr int kWrapShapes = 4;
// The shape a part's texture is wrapped with, from its mode and field 28;
// -1 for the modes that do not wrap (colour only, six views).
int32_t effective_wrap_shape(const VisualPart& part);

enum VisualQuality : int32_t { kQualityWireframe = 0, kQualityUnlitFlat = 1, kQualityFlat = 2, kQualityGouraud = 3 };
// The quality a part is drawn with: its field 5, a value out of range
// taken as the nearest one (as the reader and the visual editor take it).
int32_t effective_quality(const VisualPart& part);

// Gives the model texture coordinates for the part's texture mode. Flat and
// chrome keep the mesh's vertices; six views, cylinder and sphere give every
// triangle its own three vertices, so that each can take its own side and
// no wrap shows a seam. Normals are left to the scene.
void map_part_texture(core::Model& model, const VisualPart& part);

// The parts of one frame, one group each even when its mesh is empty (the
// brains number parts by their lines); names not starting with "/" are in the program
// folder, and a source that is no model is replaced by the installation's
// 3dsfiles/default_.3ds. The sources that could not be used are added to
// `missing`.
core::Model visual_frame_model(const VisualFrame& frame, const std::string& program_folder,
                               std::vector<std::string>* missing = nullptr);

// Textures of the model's materials (BMP files; for a transparent part the
// name ends in "|" and pure black is keyed out, a "|" being no part of any
// name a visual can hold) created in the scene and put on the mesh's groups.
// `made` maps a name to its texture and keeps textures made before, -1 for
// one that could not be read; the caller deletes what it holds.
void apply_visual_textures(int mesh, const core::Model& model, std::map<std::string, int>& made);

}  // namespace media
