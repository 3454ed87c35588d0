// Compiling and linking the small GLSL programs of the device.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The linked program, or 0 with the compiler's message in `error`.
uint32_t gl_program(const char* vertex, const char* fragment, std::string* error = nullptr);

}  // namespace platform
