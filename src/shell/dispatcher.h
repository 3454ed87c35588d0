// The run-mode dispatcher: reads runmode.ini, loads the project for the modes
// that need it, runs exactly one mode and saves what that mode changed.
#pragma once

#include <cstdint>
#include <string>

namespace shell {

// Run modes of runmode.ini line 2.
enum RunMode : int32_t {
  kStandAlone = 0,
  kTestRun = 1,
  kChannelMap = 2,
  kVirtualEditor = 3,
  kParameterEditor = 5,
  kSelfExecutableEditor = 6,
  kVisualEditor = 7,
  kExplodeTool = 8,
  kAnimationRenaming = 9,
  kBrainEditor = 13,
  kDisplayArea = 14,
  kBackgroundSetter = 15,
};

// Exit codes a test run can end with.
constexpr int32_t kExitPlain = static_cast<int32_t>(0x80000000u);
constexpr int32_t kExitNone = -1;
constexpr int32_t kExitEndScreen = -2;
constexpr int32_t kExitDesktop = -3;

void run_dispatcher();

// The notice shown after a test run for its exit code; empty for none.
std::string exit_notice(int32_t exit_code);

}  // namespace shell
