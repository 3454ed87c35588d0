// Element types: the number in field 36 of a record, the name the editors
// show, and the tag of the object the scene loader makes of its aspect.
#pragma once

#include <string>
#include <string_view>

namespace project {

enum ElementType : int {
  kCamera = 0,
  kShape3d = 1,
  kFlatShape = 2,
  kShadow = 3,
  kUnused = 4,
  kSprite = 5,
  kFrame = 6,
  kBackground = 7,
  kCounter = 8,
  kTrack = 9,
  kLight = 10,
  kVisual = 11,
  kBoundary = 12,
  kXModel = 13,
};
constexpr int kTypeCount = 14;

// The names, item t + 1 for type t; types 4 and 13 have none.
constexpr char kTypeNames[] =
    "CAMERA-type element|3D-SHAPE-type element|FLAT-SHAPE-type element|SHADOW-type element||"
    "SPRITE-type element|FRAME-type element|BACKGROUND-type element|COUNTER-type element|"
    "TRACK-type element|LIGHT-type element|VISUAL-type element|BOUNDARY-type element";

// Empty for a type without a name or a number outside the table.
std::string type_name(int type);
// The four-byte object tag ("d30." for cameras); empty when the type makes
// no object.
std::string_view type_tag(int type);

}  // namespace project
