// A fresh tool installation: the folders, the lookup tables, config.ini and
// the default resources every engine run may read.
#pragma once

#include <string>

namespace shell {

// Creates the installation in `folder`; false (with a reason) on failure.
bool init_install(const std::string& folder, std::string& error);

// A valid WAV file of a tenth of a second of silence.
std::string silent_wav();

}  // namespace shell
