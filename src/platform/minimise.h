// Minimising the main window from a tool screen's minimise box.
#pragma once

namespace platform {

// Asks the desktop to minimise the main window; nothing in a headless run or
// without a window. The window's deactivation and later activation arrive
// as window messages.
void window_minimise();

}  // namespace platform
