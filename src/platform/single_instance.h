// One engine per program folder: a lock file named from the class text.
#pragma once

#include <string>

namespace platform {

// Tries `looks` times, `pause_ms` apart (through the engine clock), to take
// the lock in `folder`. False when another process still holds it.
bool single_instance_acquire(const std::string& folder, const char* class_text, int looks, int pause_ms);
void single_instance_release();

}  // namespace platform
