// The handle table with its allocator, strings, arrays, and the files of
// arrays and globals.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "brain/state.h"
#include "brain/table.h"
#include "core/element_state.h"
#include "core/files.h"
#include "core/state.h"
#include "core/strings.h"
#include "support/builtin_call.h"
#include "support/temp_folder.h"

namespace {

using testing_support::call;

std::vector<std::string> g_errors;
uint32_t g_literal = 0;

class GeneralHandles : public ::testing::Test {
 protected:
  void SetUp() override {
    brain::bind_general_builtins();
    core::handle_reset();
    brain::state().general = {};
    g_errors.clear();
    g_literal = core::state().pools.strings.addr + core::state().pools.strings.size - 4096;
    core::state().notify.error = [](const std::string& t) { g_errors.push_back(t); };
    saved_program_ = core::state().folders.program;
    core::state().folders.program = folder_;
  }
  void TearDown() override {
    core::state().notify.error = nullptr;
    core::state().folders.program = saved_program_;
  }
  // A literal of the string pool (far end, untouched by compiles here).
  int32_t lit(std::string_view text) {
    char* p = core::at<char>(g_literal);
    std::memcpy(p, text.data(), text.size());
    p[text.size()] = 0;
    const int32_t r = static_cast<int32_t>(g_literal);
    g_literal += static_cast<uint32_t>(text.size()) + 1;
    return r;
  }
  std::string text(int32_t s) { return std::string(core::string_arg(s)); }
  testing_support::TempFolder folder{"quill-general"};
  const std::string folder_ = folder.path();
  std::string saved_program_;
};

TEST_F(GeneralHandles, AllocatorReusesTheLowestFreeEntry) {
  EXPECT_EQ(call("a_create", 4), 0);
  EXPECT_EQ(call("str_create", 10), 1);
  EXPECT_EQ(call("a_create", 1), 2);
  EXPECT_EQ(core::state().handle_count, 3);
  call("a_kill", 0);
  EXPECT_EQ(call("str_create", 5), 0);  // two str_create after killing handle 0: 0 first
  EXPECT_EQ(call("str_create", 5), 3);
  call("str_kill", 3);  // the highest: the count drops
  EXPECT_EQ(core::state().handle_count, 3);
  call("a_kill", 3);  // released already: nothing
  call("a_kill", -1);
  call("a_kill", INT_MAX);
  EXPECT_EQ(core::state().handle_count, 3);
  // A released block is reused and comes back zeroed.
  call("a_set", 2, 0, 77);
  call("a_kill", 2);
  EXPECT_EQ(call("a_create", 1), 2);
  EXPECT_EQ(call("a", 2, 0), 0);
}

TEST_F(GeneralHandles, AllocatorRefusesWhatDoesNotFit) {
  EXPECT_EQ(call("a_create", -1), -1);
  EXPECT_EQ(call("a_create", INT_MAX), -1);
  EXPECT_EQ(call("str_create", INT_MAX), -1);
  EXPECT_EQ(call("str_create", -5), -1);
  EXPECT_EQ(core::state().handle_count, 0);
  // The heap fills up and refuses without overflowing; releasing makes room.
  std::vector<int32_t> hs;
  for (int i = 0; i < 100; ++i) {
    const int32_t h = call("a_create", 1 << 19);  // 2 MB each
    if (h < 0) break;
    hs.push_back(h);
  }
  EXPECT_GE(hs.size(), 6u);
  EXPECT_LT(hs.size(), 8u);
  call("a_kill", hs[1]);
  EXPECT_EQ(call("a_create", 1 << 19), hs[1]);
  core::handle_reset();
  // The table fills up at 8192 entries.
  int32_t last = 0;
  for (int i = 0; i < 8193; ++i) last = call("a_create", 0);
  EXPECT_EQ(last, -1);
  EXPECT_EQ(core::state().handle_count, 8192);
}

TEST_F(GeneralHandles, ArrayCellsAreChecked) {
  const int32_t h = call("a_create", 4);
  EXPECT_EQ(call("a_size", h), 16);
  call("a_set", h, 3, -9);
  EXPECT_EQ(call("a", h, 3), -9);
  struct R {
    const char* name;
    int32_t a2, a3, a4;
  };
  // Out of the handle's memory: reads 0, writes nothing.
  const R outside[] = {{"a", 4, 0, 0},       {"a", -1, 0, 0},       {"a", INT_MIN, 0, 0},
                       {"a2", 0, 1, 4},      {"a2", 1, INT_MAX, 2}, {"a_byte", 16, 0, 0},
                       {"a_word", 15, 0, 0}, {"a_dword", 13, 0, 0}, {"a_dword", -1, 0, 0}};
  for (const R& r : outside) EXPECT_EQ(call(r.name, h, r.a2, r.a3, r.a4), 0) << r.name << " " << r.a2;
  call("a_set", h, 4, 1);
  call("a_set", h, -1, 1);
  call("a2_set", h, 0, 1, 4, 1);
  call("a_dword_set", h, 13, 1);
  call("a_word_set", h, 15, 1);
  EXPECT_EQ(call("a", h, 0) | call("a", h, 1) | call("a", h, 2), 0);
  EXPECT_EQ(call("a", h, 3), -9);
  // Byte access, little-endian, unsigned readers.
  call("a_dword_set", h, 1, static_cast<int32_t>(0x80FF0102u));
  EXPECT_EQ(call("a_byte", h, 1), 0x02);
  EXPECT_EQ(call("a_word", h, 3), 0x80FF);
  EXPECT_EQ(call("a_byte", h, 4), 0x80);
  EXPECT_EQ(static_cast<uint32_t>(call("a_dword", h, 1)), 0x80FF0102u);
  call("a2_set", h, 1, 1, 2, 5);
  EXPECT_EQ(call("a", h, 3), 5);
  EXPECT_EQ(call("a2", h, 1, 1, 2), 5);
  // Invalid handles: readers answer the handle, writers do nothing.
  for (int32_t bad : {-1, 7, 8191, 8192, INT_MIN}) {
    EXPECT_EQ(call("a", bad, 0), bad);
    EXPECT_EQ(call("a_byte", bad, 0), bad);
    EXPECT_EQ(call("a_size", bad), 0);
    call("a_set", bad, 0, 1);
  }
}

TEST_F(GeneralHandles, CopyAndInterpolate) {
  const int32_t a = call("a_create", 4), b = call("a_create", 3);
  for (int i = 0; i < 4; ++i) call("a_set", a, i, i + 1);
  call("a_copy", a, b, 1, 0, 100);  // cut to what fits: 3 cells
  EXPECT_EQ(call("a", b, 0), 2);
  EXPECT_EQ(call("a", b, 2), 4);
  call("a_copy", a, a, 0, 1, 3);  // ascending inside one array repeats cell 0
  EXPECT_EQ(call("a", a, 3), 1);
  call("a_copy", a, b, -1, 0, 2);
  call("a_copy", a, b, 0, INT_MAX, 2);
  EXPECT_EQ(call("a", b, 0), 2);
  // Two working cells, three keys: (0, 0), (10, 100), (20, -100).
  const int32_t h = call("a_create", 8);
  const int32_t cells[] = {0, 0, 0, 0, 10, 100, 20, -100};
  for (int i = 0; i < 8; ++i) call("a_set", h, i, cells[i]);
  EXPECT_EQ(call("a_interpolate", h, 15, 30, 2, 3), 100 + (-200) / 2);  // e = 1.5
  EXPECT_EQ(call("a", h, 0), 15);
  EXPECT_EQ(call("a_interpolate", h, 25, 30, 2, 3), -50);  // e = 2.5: key 2 back to key 0
  EXPECT_EQ(call("a", h, 0), 10);
  EXPECT_EQ(call("a_interpolate", h, 1, 0, 2, 3), 0);
  call("a_set", h, 0, 77);
  EXPECT_EQ(call("a_interpolate", h, 1, 30, 2, 4), 0);  // needs 10 cells: refused
  EXPECT_EQ(call("a_interpolate", h, 1, 30, -2, 3), 0);
  EXPECT_EQ(call("a_interpolate", h, 1, 30, INT_MAX, INT_MAX), 0);
  EXPECT_EQ(call("a", h, 0), 77);
  call("a_interpolate", h, -1, -7, 2, 3);  // a negative period still picks keys 0..2
  for (int i = 2; i < 8; ++i) EXPECT_EQ(call("a", h, i), cells[i]);
}

TEST_F(GeneralHandles, StringsCopyAddCompare) {
  const int32_t d = call("str_create", 10);
  call("str_copy", d, lit("xyzxyzxyz"), 0, -1);
  call("str_copy", d, lit("abcdef"), 2, 3);
  EXPECT_EQ(text(d), "cde");
  call("str_copy", d, lit("abcdef"), 6, 3);
  EXPECT_EQ(text(d), "");
  call("str_copy", d, lit("abcdef"), -1, 3);
  EXPECT_EQ(text(d), "");
  call("str_copy", d, lit("abcdef"), 4, -1);
  EXPECT_EQ(text(d), "abcdef");
  call("str_copy", d, lit("abcdef"), 4, INT_MAX);
  EXPECT_EQ(text(d), "ef");
  call("str_add", d, lit("0123456789"));
  EXPECT_EQ(text(d), "ef01234567");  // cut to the handle's 10 characters
  call("str_copy", d, d, 2, 3);      // source inside the destination
  EXPECT_EQ(text(d), "012");
  call("str_add", d, d);
  EXPECT_EQ(text(d), "012012");
  EXPECT_EQ(call("str_len", d), 6);
  EXPECT_EQ(call("str_len", lit("hello")), 5);
  EXPECT_EQ(call("str_len", 5000), 0);
  call("str_chr", d, 0x141);
  EXPECT_EQ(text(d), "A");
  struct C {
    const char *a, *b;
    int32_t mode, want;
  };
  const C cmp[] = {{"abc", "ABC", 0, 0}, {"abc", "ABC", 1, 1}, {"abc", "abd", 1, -1},
                   {"ab", "abc", 0, -1}, {"b", "A", 0, 1},     {"", "", 1, 0}};
  for (const C& c : cmp) EXPECT_EQ(call("str_comp", lit(c.a), lit(c.b), c.mode), c.want) << c.a << c.b;
  EXPECT_EQ(call("str_comp", 4000, lit("x"), 1), 0);  // missing string
  EXPECT_EQ(call("str_comp", lit("x"), -5, 1), 0);
}

TEST_F(GeneralHandles, NumbersInAndOut) {
  const int32_t d = call("str_create", 30);
  struct N {
    int32_t v, dec;
    const char* want;
  };
  const N nums[] = {{1234, 2, "12.34"},
                    {-5, 0, "-5"},
                    {INT_MIN, -3, "-2147483648"},
                    {7, 1, "0.7"},
                    {1, INT_MAX, "0.00000000000000000001"}};
  for (const N& n : nums) {
    call("str_num", d, n.v, n.dec);
    EXPECT_EQ(text(d), n.want);
  }
  struct V {
    const char* s;
    int32_t want;
  };
  const V vals[] = {
      {"010", 8},  {"0x10", 16}, {"42abc", 42}, {"-12", -12}, {"", 0}, {"zz", 0}, {"99999999999", INT_MAX},
      {"0X1f", 31}};
  for (const V& v : vals) EXPECT_EQ(call("str_val", lit(v.s)), v.want) << v.s;
}

TEST_F(GeneralHandles, LiteralDestinationsEndTheRun) {
  int32_t exit_code = -1;
  brain::state().general.exit_code = &exit_code;
  const int32_t l = lit("const");
  call("str_copy", l, lit("x"), 0, 1);
  call("str_add", l, lit("x"));
  call("str_chr", l, 65);
  call("str_num", l, 1, 0);
  ASSERT_EQ(g_errors.size(), 4u);
  EXPECT_EQ(g_errors[0], "First parameter of STR_COPY() instruction must be a string variable, not a constant string.");
  EXPECT_EQ(g_errors[3], "First parameter of STR_NUM() instruction must be a string variable, not a constant string.");
  EXPECT_EQ(static_cast<uint32_t>(exit_code), 0x80000000u);
  EXPECT_EQ(text(l), "const");
  call("str_copy", -1, lit("x"), 0, 1);  // an invalid handle: nothing, no box
  EXPECT_EQ(g_errors.size(), 4u);
}

TEST_F(GeneralHandles, TypedText) {
  static std::string typed;
  typed = "hello";
  brain::state().general.typed_text = [] { return std::string_view(typed); };
  brain::state().general.set_typed_text = [](std::string_view t) { typed = std::string(t); };
  const int32_t d = call("str_create", 3);
  call("str_input", d);
  EXPECT_EQ(text(d), "hel");
  call("str_input_set", lit("bye"));
  EXPECT_EQ(typed, "bye");
}

TEST_F(GeneralHandles, ArrayAndGlobalFiles) {
  const int32_t h = call("a_create", 2);
  call("a_dword_set", h, 0, 0x64636261);
  call("a_save", lit("sub\\arr.bin"), h);  // the folder does not exist: nothing written, no crash
  call("a_save", lit("arr.bin"), h);
  EXPECT_EQ(call("file_exists", lit("arr.bin")), -1);
  EXPECT_EQ(call("file_exists", lit("sub/arr.bin")), 0);
  EXPECT_EQ(call("file_exists", lit("")), 0);
  const int32_t g = call("a_load", lit("arr.bin"));
  EXPECT_EQ(call("a_size", g), 32);  // 8 bytes of file: 8 cells
  EXPECT_EQ(call("a_dword", g, 0), 0x64636261);
  EXPECT_EQ(call("a_dword", g, 4), 0);
  EXPECT_EQ(call("a_load", lit("missing.bin")), 0);
  EXPECT_EQ(call("a_load", lit(".")), 0);  // a folder
  // Globals: one decimal per line, CR LF.
  int32_t* globals = core::state().pools.globals.as<int32_t>();
  globals[2046] = -5;
  globals[2047] = 12;
  call("globals_save", lit("g.txt"), 2046, 2047 + 2048);
  std::string content;
  ASSERT_TRUE(core::read_file(folder_ + "g.txt", content));
  EXPECT_EQ(content, "-5\r\n12\r\n");
  globals[2046] = globals[2047] = 0;
  call("globals_load", lit(("g.txt")), -2, -1);
  EXPECT_EQ(globals[2046], -5);
  EXPECT_EQ(globals[2047], 12);
  call("globals_load", lit("g.txt"), 0, 5);  // two lines: globals 0 and 1 only
  EXPECT_EQ(globals[0], -5);
  EXPECT_EQ(globals[1], 12);
  EXPECT_EQ(globals[2], 0);
}

}  // namespace
