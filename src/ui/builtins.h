// The brain built-ins of the tool screen: input_box, list_box and file_box
// (docs/tool-screens.md describes their arguments and styles).
#pragma once

namespace ui {

// Binds the three rows; shell::bind_builtins() calls it.
void bind_builtins();

}  // namespace ui
