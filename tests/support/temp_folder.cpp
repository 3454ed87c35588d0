#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace testing_support {

namespace {

constexpr char kRoot[] = "/tmp/";
constexpr char kNoFolder[] = "/nonexistent-test-folder/";

// "/tmp/<stem>-XXXXXX/" made by mkdtemp, or empty. The stem keeps to
// letters, digits, "-" and "_" so that the folder is always under /tmp.
std::string make_folder(std::string_view stem) {
  std::string templ = kRoot;
  for (char c : stem) templ += std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' ? c : '_';
  templ += "-XXXXXX";
  if (!mkdtemp(templ.data())) return {};
  return templ + "/";
}

void remove_or_keep(const std::string& path, bool keep) {
  if (path.rfind(kRoot, 0) != 0 || path.size() <= sizeof kRoot) return;
  if (keep) {
    std::fprintf(stderr, "[   kept   ] %s\n", path.c_str());
    return;
  }
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

std::vector<std::string>& program_folders() {
  static std::vector<std::string> folders;
  return folders;
}

void remove_program_folders() {
  const bool keep = !::testing::UnitTest::GetInstance()->Passed();
  for (const std::string& f : program_folders()) remove_or_keep(f, keep);
}

}  // namespace

TempFolder::TempFolder(std::string_view stem) {
  path_ = make_folder(stem);
  made_ = !path_.empty();
  if (!made_) {
    ADD_FAILURE() << "cannot make a temporary folder for " << stem;
    path_ = kNoFolder;
  }
}

TempFolder::~TempFolder() {
  if (made_) remove_or_keep(path_, ::testing::Test::HasFailure());
}

std::string temp_folder(std::string_view stem) {
  std::string path = make_folder(stem);
  if (path.empty()) {
    ADD_FAILURE() << "cannot make a temporary folder for " << stem;
    return kNoFolder;
  }
  if (program_folders().empty()) std::atexit(remove_program_folders);
  program_folders().push_back(path);
  return path;
}

}  // namespace testing_support
