// Temporary folders of tests: made fresh under /tmp and removed when the
// test program ends, unless a test failed (they stay for a look then).
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

namespace detail {
inline std::vector<std::string>& made_folders() {
  static std::vector<std::string> folders;
  return folders;
}
inline void remove_made_folders() {
  if (!::testing::UnitTest::GetInstance()->Passed()) return;
  std::error_code ignored;
  for (const std::string& f : made_folders()) std::filesystem::remove_all(f, ignored);
}
}  // namespace detail

// A new folder "/tmp/<stem>-XXXXXX/" (with the slash).
inline std::string temp_folder(const std::string& stem) {
  std::vector<std::string>& made = detail::made_folders();
  std::string templ = "/tmp/" + stem + "-XXXXXX";
  if (!mkdtemp(templ.data())) return "/nonexistent-test-folder/";
  if (made.empty()) std::atexit(detail::remove_made_folders);
  made.push_back(templ);
  return templ + "/";
}

}  // namespace testing_support
