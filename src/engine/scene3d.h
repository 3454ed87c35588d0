// The 3D side of a run: renderer objects built once per scene, and the
// cameras' views of every drawn frame.
#pragma once

#include <cstdint>
#include <string>

#include "core/math3d.h"
#include "engine/objects.h"

namespace engine {

enum Root : int { kBackgroundRoot = 0, kMainRoot = 1, kSecondRoot = 2, kOverlayRoot = 3 };

constexpr int kMaxLayers = 16;
// The 3D-background colour before any brain sets one: the caps keep the
// hood's own colours and cleared viewports take the scene colour.
constexpr uint32_t kColourUnset = 0xFFFFFFFFu;
// The 3D background image of a scene whose settings name none, or one that
// cannot be read as a BMP image.
inline constexpr char kDefaultBackground3d[] = "bckgrnds/bkgr000_.bmp";

// Roots, device settings, the 3D background and one renderer object per 3D
// object of the object table (cameras, lights, 3D shapes, flat shapes,
// visuals, X models); elements whose record asks for a priority layer are
// put in it.
void build_scene3d(int32_t elements);
// The elements' transforms into the renderer, then every active camera's
// view (the frame's 3D layer).
void draw_views();
// The X file of an X-model object: the element's aspect for frame 1, then
// its numbered files ("car.x" gives "car_002.x").
std::string x_model_file(const Object& obj);

// Drops every renderer object.
void release_scene3d();

// The virtual editor's markers (a scene built with set_editor_scene): the
// box, the radius ring and the axis cross put around one element; -1 hides
// them.
void show_editor_markers(int element);

// Fog of the main, second and overlay roots (and of every layer) from the
// engine's settings.
void apply_fog();

// Puts an element in priority layer `layer` (1 to kMaxLayers; 0 takes it
// out). Only flat shapes and X models take part; the layered-flats pass is
// on while any layer is in use. False when the element or layer is out of
// range, or the element has another kind.
bool set_priority_layer(int element, int32_t layer);

// An element's orientation as the frame drawing computes it: the direction
// (local z) and up (local y) vectors turned by the element rotation (first
// by `parent` when it is not null), with the integer rotation of the motion
// built-ins.
void element_axes(const int32_t* rotation, const int32_t* parent, core::Vec3& dir, core::Vec3& up);
// The same orientation by the quaternion product of scaled visuals and X
// models, as the renderer's rotation of local to parent coordinates.
core::Quat element_rotation(const int32_t* rotation, const int32_t* parent);

}  // namespace engine
