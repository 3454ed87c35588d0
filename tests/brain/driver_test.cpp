// The project compile: sharing by checksum, failed brains, the flags, the
// literal region, brain files on disk, and the limits that end a brain's
// compile instead of overflowing a table.
#include <gtest/gtest.h>

#include <elf.h>
#include <stdlib.h>

#include <cstring>
#include <map>

#include "brain/code_area.h"
#include "brain/driver.h"
#include "brain/gdb_jit.h"
#include "core/element_state.h"
#include "core/files.h"
#include "core/state.h"
#include "harness.h"
#include "support/temp_folder.h"

namespace {

using namespace brain_test;

int32_t entry(int e) { return core::element_state(e)->w[core::kBrainEntry]; }

TEST(Driver, Checksum) {
  EXPECT_EQ(brain::brain_checksum(""), 0u);
  EXPECT_EQ(brain::brain_checksum("ab"), 2u);
  EXPECT_EQ(brain::brain_checksum("abcd"), 0x64636261u);
  EXPECT_EQ(brain::brain_checksum("abcdXYZ"), 0x64636261u);  // a trailing 1 to 3 bytes do not count
  EXPECT_EQ(brain::brain_checksum(std::string_view("\xff\xff\xff\xff\x02\0\0\0", 8)), 1u);
  // Texts of every length up to a few hundred bytes, against the sum written out.
  std::string text;
  uint32_t x = 7;
  for (size_t size = 0; size < 300; ++size) {
    uint32_t sum = 0;
    for (size_t i = 0; i + 4 <= text.size(); i += 4)
      sum += uint32_t(uint8_t(text[i])) | uint32_t(uint8_t(text[i + 1])) << 8 | uint32_t(uint8_t(text[i + 2])) << 16 |
             uint32_t(uint8_t(text[i + 3])) << 24;
    EXPECT_EQ(brain::brain_checksum(text), text.size() < 4 ? static_cast<uint32_t>(text.size()) : sum) << size;
    x = x * 1103515245u + 12345u;
    text += static_cast<char>(x >> 24);
  }
}

TEST(Driver, IdenticalFilesShareOneBrain) {
  BoxCapture boxes;
  const std::string a = lines({"var x", "x = x + 1"}), b = lines({"var x", "x = x + 2"});
  brain::CompileRequest req;
  for (auto t : {a, a, b}) req.elements.push_back({"e", "brains/e.brn", t});
  req.elements.push_back({"empty", "brains/empty.brn", std::string()});
  req.elements.push_back({"gone", "/nowhere/gone.brn", std::nullopt});
  req.elements.push_back({"gone2", "/nowhere/other.brn", std::nullopt});
  req.elements.push_back({"e", "brains/e.brn", a});
  // Same checksum, other bytes: compiled separately.
  req.elements.push_back({"c1", "c1", std::string("abcdefgh")});
  req.elements.push_back({"c2", "c2", std::string("efghabcd")});
  auto r = brain::compile_project(req);
  EXPECT_EQ(r.share, (std::vector<int>{0, 0, 2, 3, 3, 3, 0, 7, 8}));
  EXPECT_EQ(entry(1), entry(0));
  EXPECT_EQ(entry(6), entry(0));
  EXPECT_NE(entry(2), entry(0));
  EXPECT_EQ(entry(4), entry(3));  // a missing file shares the empty one
  EXPECT_NE(entry(8), entry(7));
  EXPECT_EQ(boxes.boxes.size(), 2u);  // c1 and c2 fail to compile, once each

  // A missing file with no missing or empty file before it gets the box and does nothing.
  boxes.boxes.clear();
  req.elements = {{"first", "C:\\game\\brains\\lost.brn", std::nullopt},
                  {"second", "", std::string()},
                  {"third", "/x/y:z.brn", std::nullopt}};
  r = brain::compile_project(req);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0], "'first' brain ERROR!|Brain not found (lost.brn)!");
  EXPECT_EQ(r.share, (std::vector<int>{0, 0, 0}));
  EXPECT_TRUE(r.brain_error);
  EXPECT_EQ(run(2), 0);
}

TEST(Driver, AFailedBrainBecomesALoneReturn) {
  for (auto backend : {brain::Backend::kNative, brain::Backend::kInterpreter}) {
    BoxCapture boxes;
    clear_elements();
    auto r = compile_all({lines({"var x", "x = 1", "x = (2)"}), lines({"var x", "x = 7"})}, backend);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0],
              "'e0' brain ERROR!|x = (2) (3)|Square brackets '[' exected but round brackets '(' found instead!");
    EXPECT_TRUE(r.brain_error);
    EXPECT_EQ(r.errors[1], "");
    EXPECT_EQ(entry(1) - entry(0), backend == brain::Backend::kNative ? 1 : 8);
    EXPECT_EQ(entry(0), int32_t(core::state().pools.code.addr + 8192));
    run(0);
    run(1);
    EXPECT_EQ(var(0, 1), 0);
    EXPECT_EQ(var(1, 1), 7);
    r = compile_all({lines({"var x"})}, backend);
    EXPECT_FALSE(r.brain_error);
  }
}

TEST(Driver, PickingFlagAndLiteralRegion) {
  BoxCapture boxes;
  auto r = compile_all({lines({"if 0", "visual_picked(element)", "endif"})});
  EXPECT_TRUE(r.picking_needed);
  EXPECT_TRUE(brain::state().picking_needed);
  r = compile_all({lines({"var x", "x = 1"})});
  EXPECT_FALSE(r.picking_needed);

  brain::CompileRequest req;
  req.strings_used = 100;
  req.elements.push_back({"s", "s", lines({"var a", "a = \"abc\"", "a = \"de\""})});
  r = brain::compile_project(req);
  const uint32_t pool = core::state().pools.strings.addr;
  EXPECT_EQ(r.strings_used, 100u + 4 + 3);
  EXPECT_EQ(brain::state().literal_begin, pool + 100);
  EXPECT_EQ(brain::state().literal_end, pool + 107);
  // A failed brain's literals are dropped.
  req.elements[0].text = lines({"var a", "a = \"abc\"", "a = zz"});
  r = brain::compile_project(req);
  EXPECT_EQ(r.strings_used, 100u);
}

TEST(Driver, CompiledBrainsAreNamedForDebuggers) {
  BoxCapture boxes;
  brain::CompileRequest req;
  req.backend = brain::Backend::kNative;
  req.elements = {{"rocket", "r", lines({"var x", "x = 1"})},
                  {"ship", "s", lines({"var x", "x = 2"})},
                  {"copy", "c", lines({"var x", "x = 1"})}};
  brain::compile_project(req);
  const std::vector<uint8_t>& img = brain::gdb_jit_image();
  ASSERT_GE(img.size(), sizeof(Elf64_Ehdr));
  Elf64_Ehdr eh;
  std::memcpy(&eh, img.data(), sizeof eh);
  ASSERT_EQ(std::memcmp(eh.e_ident, ELFMAG, SELFMAG), 0);
  ASSERT_LE(eh.e_shoff + eh.e_shnum * sizeof(Elf64_Shdr), img.size());
  std::vector<Elf64_Shdr> sh(eh.e_shnum);
  std::memcpy(sh.data(), img.data() + eh.e_shoff, eh.e_shnum * sizeof(Elf64_Shdr));
  const core::Pool& code = core::state().pools.code;
  EXPECT_EQ(sh[1].sh_addr, code.addr);
  std::map<std::string, uint64_t> symbols;
  for (const Elf64_Shdr& s : sh) {
    if (s.sh_type != SHT_SYMTAB) continue;
    const Elf64_Shdr& strtab = sh[s.sh_link];
    for (size_t off = s.sh_offset; off + sizeof(Elf64_Sym) <= s.sh_offset + s.sh_size; off += sizeof(Elf64_Sym)) {
      Elf64_Sym sym;
      std::memcpy(&sym, img.data() + off, sizeof sym);
      symbols[reinterpret_cast<const char*>(img.data() + strtab.sh_offset + sym.st_name)] = sym.st_value;
    }
  }
  EXPECT_EQ(symbols.count("brain:copy"), 0u);  // shares the rocket's code
  ASSERT_EQ(symbols.count("brain:ship"), 1u);
  EXPECT_EQ(symbols["brain:rocket"] + code.addr, uint32_t(entry(0)));
  EXPECT_EQ(symbols["brain:ship"] + code.addr, uint32_t(entry(1)));
}

TEST(Driver, BrainFilesOnDisk) {
  BoxCapture boxes;
  const std::string dir = testing_support::temp_folder("quill-brain");
  const std::string path = dir + "ship.brn";
  ASSERT_TRUE(core::write_file_atomic(path, lines({"var x", "x = 42"})));
  brain::CompileRequest req;
  req.elements.push_back({"ship", path, std::nullopt});
  clear_elements();
  auto r = brain::compile_project(req);
  EXPECT_EQ(r.errors[0], "");
  run();
  EXPECT_EQ(var(0, 1), 42);
  ASSERT_TRUE(core::write_file_atomic(path, std::string(brain::kMaxBrainBytes + 1, ';')));
  r = brain::compile_project(req);
  EXPECT_EQ(r.errors[0], "Brain file too large!");
}

TEST(Driver, FixedTablesEndTheCompileInsteadOfOverflowing) {
  BoxCapture boxes;
  std::string text;
  for (int i = 0; i < 103; ++i) text += "l" + std::to_string(i) + ":\r\n";
  EXPECT_EQ(compile(text), "l102: (103)|Too many labels!");
  EXPECT_EQ(compile(text.substr(0, text.find("l102:"))), "");

  text = "var x\r\n";
  for (int i = 0; i < 1023; ++i) text += "if x\r\n";
  for (int i = 0; i < 1023; ++i) text += "endif\r\n";
  EXPECT_EQ(compile(text), "");
  EXPECT_EQ(compile("var x\r\n" + std::string("if x\r\n") + text.substr(7)),
            "if x (1025)|If...endif nesting too deep!");

  std::string sum = "x = 1";
  for (int i = 0; i < 1024; ++i) sum += "+1";
  auto o = run_both(lines({"var x", sum}));
  EXPECT_EQ(o.error, "");
  EXPECT_EQ(var(0, 1), 1025);
  EXPECT_EQ(compile(lines({"var x", sum + "+1"})), sum + "+1 (2)|Expression too complex!");
  const std::string deep = "x = " + std::string(150, '[') + "1" + std::string(150, ']');
  EXPECT_EQ(compile(lines({"var x", deep})), "");
  const std::string deeper = "x = " + std::string(250, '[') + "1" + std::string(250, ']');
  EXPECT_EQ(compile(lines({"var x", deeper})), deeper + " (2)|Expression too complex!");

  for (auto backend : {brain::Backend::kNative, brain::Backend::kInterpreter}) {
    std::string big = "var x\r\n";
    for (int i = 0; i < 20000; ++i) big += "x = print(1, 2, 3, 4)\r\n";
    auto r = compile_all({big, lines({"var x", "x = 5"})}, backend);
    EXPECT_TRUE(r.errors[0].ends_with("|Code area full!")) << r.errors[0];
    EXPECT_EQ(r.errors[1], "");
    EXPECT_LE(brain::state().code_end, core::state().pools.code.addr + core::state().pools.code.size);
  }

  // A full code area: every later brain still gets an entry inside the pool.
  for (auto backend : {brain::Backend::kNative, brain::Backend::kInterpreter}) {
    std::string chunk = "var x\r\n";
    for (int i = 0; i < 1000; ++i) chunk += "x = print(1, 2, 3, 4)\r\n";
    brain::begin_compile(backend, 0);
    while (brain::compile_brain(chunk, false).ok) {
    }
    while (brain::compile_brain(lines({"var x", "x = 1"}), false).ok) {
    }
    const core::Pool& code = core::state().pools.code;
    for (int i = 0; i < 300; ++i) {
      auto r = brain::fail_brain("failed");
      ASSERT_TRUE(code.contains(r.entry, 1));
      core::element_state(0)->w[core::kBrainEntry] = int32_t(r.entry);
    }
    EXPECT_LE(brain::state().code_end, code.addr + code.size);
    brain::end_compile();
    EXPECT_EQ(run(), 0);
  }

  brain::CompileRequest req;
  req.strings_used = core::state().pools.strings.size - 8;
  req.elements.push_back({"s", "s", lines({"var a", "a = \"1234567\"", "a = \"8\""})});
  auto r = brain::compile_project(req);
  EXPECT_EQ(r.errors[0], "a = \".\" (3)|String pool full!");
  EXPECT_EQ(r.strings_used, core::state().pools.strings.size - 8);
}

}  // namespace
