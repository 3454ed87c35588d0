// What the frame benchmarks share: a fresh installation in a temporary
// folder (made once, removed at exit) and a main that opens headless video.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/state.h"
#include "platform/platform.h"
#include "platform/video.h"
#include "shell/install.h"

namespace bench_support {

// The installation folder ending in "/", or empty when it cannot be made.
inline std::string installation(const char* stem) {
  static std::string folder;
  if (!folder.empty()) return folder;
  std::string templ = std::string("/tmp/") + stem + "-XXXXXX";
  if (!mkdtemp(templ.data())) return {};
  std::string error;
  if (!shell::init_install(templ, error)) return {};
  folder = templ + "/";
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  });
  return folder;
}

inline int headless_main(int argc, char** argv) {
  core::init_memory();
  platform::set_headless(true);
  if (!platform::video_init(true)) {
    std::fprintf(stderr, "no video\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  platform::video_quit();
  return 0;
}

}  // namespace bench_support
