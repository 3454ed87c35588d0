// The reply of the X-file import child (platform/sandbox.h) to the loader:
// magic, a status byte, then either a message or the model, the animation
// list and, when asked for, the rig. Parent and child are one program, so
// plain structs travel as their bytes; the reader trusts nothing else of it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/model.h"
#include "core/rig.h"
#include "platform/xfile.h"

namespace platform {

inline constexpr uint32_t kMaxXAnimations = 4096;

std::string x_error_reply(const std::string& message);
// rig null: the reply has none.
std::string x_model_reply(const core::Model& m, const XInfo& info, const core::XRig* rig);
// False with a message when the reply is an error or malformed (out of
// bounds, too large, or not a valid model or rig); rig null: none expected.
bool x_read_reply(std::string_view bytes, core::Model& m, XInfo& info, core::XRig* rig, std::string& error);

}  // namespace platform
