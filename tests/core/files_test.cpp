#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "core/files.h"
#include "support/temp_folder.h"

namespace {

std::string temp_folder() { return testing_support::temp_folder("quill-files"); }

TEST(Lines, OnlyCarriageReturnLineFeedEndsALine) {
  core::LineReader r("one\r\ntwo\nstill two\rand\r\nlast");
  EXPECT_EQ(r.next(), "one");
  EXPECT_EQ(r.next(), "two\nstill two\rand");
  EXPECT_EQ(r.next(), "last");
  EXPECT_FALSE(r.at_end());
  EXPECT_EQ(r.next(), "");
  EXPECT_TRUE(r.at_end());
  EXPECT_EQ(r.next(), "");
}

TEST(Lines, TrailingPairAndLoneCarriageReturnAtEnd) {
  core::LineReader r("a\r\n\r\nb\r");
  EXPECT_EQ(r.next(), "a");
  EXPECT_EQ(r.next(), "");
  EXPECT_EQ(r.next(), "b\r");
  r.next();
  EXPECT_TRUE(r.at_end());
}

TEST(Lines, WriterEndsEveryLine) {
  core::LineWriter w;
  w.line("x");
  w.line(-5);
  EXPECT_EQ(w.text(), "x\r\n-5\r\n");
}

TEST(Files, AtomicWriteReplacesAndLeavesNoTemporary) {
  std::string dir = temp_folder();
  std::string path = dir + "f.txt";
  ASSERT_TRUE(core::write_file_atomic(path, "first"));
  ASSERT_TRUE(core::write_file_atomic(path, "second"));
  std::string back;
  ASSERT_TRUE(core::read_file(path, back));
  EXPECT_EQ(back, "second");
  EXPECT_FALSE(core::write_file_atomic(dir + "missing/f.txt", "x"));
  std::string cmd = "test $(ls -A " + dir + " | wc -l) -eq 1";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
}

TEST(Files, BoundedReads) {
  std::string dir = temp_folder();
  ASSERT_TRUE(core::write_file_atomic(dir + "f", "0123456789"));
  std::string out;
  bool truncated = false;
  ASSERT_TRUE(core::read_file(dir + "f", out, 4, &truncated));
  EXPECT_EQ(out, "0123");
  EXPECT_TRUE(truncated);
  ASSERT_TRUE(core::read_file(dir + "f", out, 10, &truncated));
  EXPECT_FALSE(truncated);
  EXPECT_FALSE(core::read_file(dir + "none", out));
  EXPECT_FALSE(core::read_file(dir, out));  // a folder is not a file
  char buf[16];
  std::fill(buf, buf + 16, 'z');
  EXPECT_EQ(core::read_into(dir + "f", buf, 16), 10u);
  EXPECT_EQ(buf[10], 'z');
  EXPECT_EQ(core::read_into(dir + "none", buf, 16), 0u);
}

TEST(Files, NamedPipesAreNotFiles) {
  std::string dir = temp_folder();
  ASSERT_EQ(mkfifo((dir + "pipe").c_str(), 0644), 0);
  std::string out;
  EXPECT_FALSE(core::read_file(dir + "pipe", out));  // returns at once, no writer needed
  char buf[4];
  EXPECT_EQ(core::read_into(dir + "pipe", buf, 4), 0u);
}

TEST(Files, Folders) {
  std::string dir = temp_folder();
  EXPECT_TRUE(core::make_folders(dir + "a/b/c"));
  EXPECT_TRUE(core::make_folders(dir + "a/b/c/"));
  EXPECT_EQ(core::folder_of("x/y/z.prj"), "x/y/");
  EXPECT_EQ(core::folder_of("z.prj"), "");
}

}  // namespace

TEST(Files, LfOnlyTextsGetCrLf) {
  std::string lf = "a\nb\n\nc";
  core::crlf_if_lf_only(lf);
  EXPECT_EQ(lf, "a\r\nb\r\n\r\nc");
  // A text with any CR LF keeps its lone LFs (they are part of lines).
  std::string mixed = "a\r\nb\nc\r\n";
  core::crlf_if_lf_only(mixed);
  EXPECT_EQ(mixed, "a\r\nb\nc\r\n");
  std::string none = "abc";
  core::crlf_if_lf_only(none);
  EXPECT_EQ(none, "abc");
}
