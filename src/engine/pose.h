// Posing an animated model with its rig (core/rig.h): at time t each node's
// local transform comes from its channel's keys at t (or its rest
// transform), global transforms follow the hierarchy, and a vertex is the
// weighted sum of its bones' global x offset applied to its rest position.
#pragma once

#include "core/rig.h"

namespace engine {

// Sizes the work space for the rig.
void x_pose_prepare(const core::XRig& rig, core::XPose& pose);
// The bone matrices at time t (key ticks), in the model's left-handed
// space; no allocation once prepared, nothing done when not prepared for
// this rig.
void x_pose(const core::XRig& rig, double t, core::XPose& pose);

}  // namespace engine
