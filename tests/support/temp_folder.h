// Temporary folders of tests, made fresh under /tmp. A folder is removed
// when it is no longer needed unless a test has failed by then: it stays
// for a look, and its path is printed.
#pragma once

#include <string>
#include <string_view>

namespace testing_support {

// A folder "/tmp/<stem>-XXXXXX/" owned by one object, typically a fixture
// member: removed when the object goes, unless the current test has failed.
class TempFolder {
 public:
  explicit TempFolder(std::string_view stem);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder with a trailing "/"; "/nonexistent-test-folder/" when it
  // could not be made (the test has been failed then).
  const std::string& path() const { return path_; }
  std::string operator/(std::string_view name) const { return path_ + std::string(name); }

 private:
  std::string path_;
  bool made_ = false;
};

// A folder "/tmp/<stem>-XXXXXX/" (with the slash) that lives until the test
// program ends; removed then unless a test failed.
std::string temp_folder(std::string_view stem);

}  // namespace testing_support
