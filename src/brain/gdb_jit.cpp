#include "brain/gdb_jit.h"

#include <elf.h>

#include <cstring>

#include "brain/backends.h"
#include "brain/code_area.h"
#include "brain/state.h"
#include "core/state.h"

// The debugger's rendezvous: it sets a breakpoint in this function and reads
// the descriptor. Names and layout are fixed by gdb, so these two must be
// plain globals.
extern "C" {
struct jit_descriptor {
  uint32_t version;
  uint32_t action_flag;  // 0 none, 1 register, 2 unregister
  brain::JitCodeEntry* relevant_entry;
  brain::JitCodeEntry* first_entry;
};
jit_descriptor __jit_debug_descriptor = {1, 0, nullptr, nullptr};
void __attribute__((noinline)) __jit_debug_register_code() { __asm__ volatile("" ::: "memory"); }
}

namespace brain {

namespace {


struct Bytes {
  std::vector<uint8_t>& v;
  size_t pos() const { return v.size(); }
  void u8(uint32_t x) { v.push_back(static_cast<uint8_t>(x)); }
  void u32(uint32_t x) {
    for (int i = 0; i < 4; ++i) u8(x >> (8 * i));
  }
  void uleb(uint32_t x) {
    do {
      uint8_t b = x & 0x7F;
      x >>= 7;
      if (x) b |= 0x80;
      u8(b);
    } while (x);
  }
  void sleb(int32_t x) {
    for (bool more = true; more;) {
      uint8_t b = x & 0x7F;
      x >>= 7;
      more = !((x == 0 && !(b & 0x40)) || (x == -1 && (b & 0x40)));
      u8(more ? b | 0x80 : b);
    }
  }
  void str(std::string_view s) {
    v.insert(v.end(), s.begin(), s.end());
    u8(0);
  }
  void align(size_t a) {
    while (v.size() % a) u8(0);
  }
  void patch32(size_t at, uint32_t x) { std::memcpy(v.data() + at, &x, 4); }
  template <class T>
  void put(const T& t) {
    const auto* p = reinterpret_cast<const uint8_t*>(&t);
    v.insert(v.end(), p, p + sizeof t);
  }
};

// DWARF register numbers of x86-64.
constexpr uint8_t kDwRbx = 3, kDwRbp = 6, kDwRsp = 7, kDwR12 = 12, kDwR13 = 13, kDwR14 = 14, kDwR15 = 15, kDwRa = 16;
constexpr uint8_t kCfaDefCfa = 0x0C, kCfaOffset = 0x80, kCfaNop = 0x00;

// One FDE: `rules` are the call-frame instructions after the CIE's.
void fde(Bytes& b, size_t cie, uint32_t start, uint32_t size, const std::vector<uint8_t>& rules) {
  const size_t len_at = b.pos();
  b.u32(0);
  b.u32(static_cast<uint32_t>(b.pos() - cie));  // back to the CIE
  b.u32(start);                                 // text-relative
  b.u32(size);
  b.uleb(0);  // no augmentation data
  for (uint8_t r : rules) b.u8(r);
  while ((b.pos() - len_at) % 8) b.u8(kCfaNop);
  b.patch32(len_at, static_cast<uint32_t>(b.pos() - len_at - 4));
}

void build(GdbJit& jit) {
  const core::Pool& code = core::state().pools.code;
  std::vector<uint8_t>& img = jit.image;
  img.clear();
  Bytes b{img};
  Elf64_Ehdr eh{};
  b.put(eh);  // patched below

  // Section names.
  const size_t shstr_at = b.pos();
  b.u8(0);
  const uint32_t n_text = 1, n_eh = 7, n_symtab = 17, n_strtab = 25, n_shstr = 33;
  b.str(".text");
  b.str(".eh_frame");
  b.str(".symtab");
  b.str(".strtab");
  b.str(".shstrtab");
  const size_t shstr_size = b.pos() - shstr_at;

  // Symbol names.
  b.align(8);
  const size_t str_at = b.pos();
  b.u8(0);
  std::vector<uint32_t> name_off;
  name_off.push_back(static_cast<uint32_t>(b.pos() - str_at));
  b.str("brain_entry_stub");
  for (const auto& s : jit.symbols) {
    name_off.push_back(static_cast<uint32_t>(b.pos() - str_at));
    b.str("brain:" + s.name);
  }
  const size_t str_size = b.pos() - str_at;

  // Symbols: the null symbol, the entry stub, one per brain (text-relative).
  b.align(8);
  const size_t sym_at = b.pos();
  b.put(Elf64_Sym{});
  auto symbol = [&](uint32_t name, uint32_t addr, uint32_t size) {
    Elf64_Sym s{};
    s.st_name = name;
    s.st_info = ELF64_ST_INFO(STB_GLOBAL, STT_FUNC);
    s.st_shndx = 1;
    s.st_value = addr - code.addr;
    s.st_size = size;
    b.put(s);
  };
  symbol(name_off[0], code.addr, 64);
  for (size_t i = 0; i < jit.symbols.size(); ++i) symbol(name_off[i + 1], jit.symbols[i].addr, jit.symbols[i].size);
  const size_t sym_size = b.pos() - sym_at;

  // Frames. In brain code the caller's frame pointer is R14 (the entry
  // stub's stack pointer after its pushes) at every gosub depth, and the
  // return address into the stub lies just below it.
  b.align(8);
  const size_t eh_at = b.pos();
  const size_t cie = b.pos();
  b.u32(0);
  b.u32(0);  // CIE id
  b.u8(1);   // version
  b.str("zR");
  b.uleb(1);   // code alignment
  b.sleb(-8);  // data alignment
  b.uleb(kDwRa);
  b.uleb(1);
  b.u8(0x20 | 0x03);  // pointers: text-relative, udata4
  b.u8(kCfaDefCfa);
  b.uleb(kDwRsp);
  b.uleb(8);
  b.u8(kCfaOffset | kDwRa);
  b.uleb(1);
  while ((b.pos() - cie) % 8) b.u8(kCfaNop);
  b.patch32(cie, static_cast<uint32_t>(b.pos() - cie - 4));
  // The stub pushed RBX, RBP, R12 to R15 in this order below its return address.
  std::vector<uint8_t> stub{kCfaDefCfa, kDwR14};
  for (uint32_t v = x64::kFrameSize; true; v >>= 7) {  // ULEB128
    stub.push_back(static_cast<uint8_t>((v & 0x7F) | (v >= 0x80 ? 0x80 : 0)));
    if (v < 0x80) break;
  }
  const uint8_t saved[] = {kDwRbx, kDwRbp, kDwR12, kDwR13, kDwR14, kDwR15};
  for (uint8_t k = 0; k < 6; ++k) {
    stub.push_back(static_cast<uint8_t>(kCfaOffset | saved[k]));
    stub.push_back(static_cast<uint8_t>(k + 2));
  }
  fde(b, cie, x64::kFrameStart, x64::kFrameEnd - x64::kFrameStart, stub);
  for (const auto& s : jit.symbols) fde(b, cie, s.addr - code.addr, s.size, {kCfaDefCfa, kDwR14, 0});
  b.u32(0);  // terminator
  const size_t eh_size = b.pos() - eh_at;

  // Section headers.
  b.align(8);
  const size_t sh_at = b.pos();
  auto section = [&](uint32_t name, uint32_t type, uint64_t flags, uint64_t addr, size_t off, size_t size,
                     uint32_t link, uint32_t info, uint64_t align, uint64_t entsize) {
    Elf64_Shdr sh{};
    sh.sh_name = name;
    sh.sh_type = type;
    sh.sh_flags = flags;
    sh.sh_addr = addr;
    sh.sh_offset = off;
    sh.sh_size = size;
    sh.sh_link = link;
    sh.sh_info = info;
    sh.sh_addralign = align;
    sh.sh_entsize = entsize;
    b.put(sh);
  };
  section(0, SHT_NULL, 0, 0, 0, 0, 0, 0, 0, 0);
  section(n_text, SHT_NOBITS, SHF_ALLOC | SHF_EXECINSTR, code.addr, 0, code.size, 0, 0, 16, 0);
  section(n_eh, SHT_PROGBITS, SHF_ALLOC, 0, eh_at, eh_size, 0, 0, 8, 0);
  section(n_symtab, SHT_SYMTAB, 0, 0, sym_at, sym_size, 4, 1, 8, sizeof(Elf64_Sym));
  section(n_strtab, SHT_STRTAB, 0, 0, str_at, str_size, 0, 0, 1, 0);
  section(n_shstr, SHT_STRTAB, 0, 0, shstr_at, shstr_size, 0, 0, 1, 0);

  std::memcpy(eh.e_ident, ELFMAG, SELFMAG);
  eh.e_ident[EI_CLASS] = ELFCLASS64;
  eh.e_ident[EI_DATA] = ELFDATA2LSB;
  eh.e_ident[EI_VERSION] = EV_CURRENT;
  eh.e_ident[EI_OSABI] = ELFOSABI_SYSV;
  eh.e_type = ET_REL;
  eh.e_machine = EM_X86_64;
  eh.e_version = EV_CURRENT;
  eh.e_shoff = sh_at;
  eh.e_ehsize = sizeof(Elf64_Ehdr);
  eh.e_shentsize = sizeof(Elf64_Shdr);
  eh.e_shnum = 6;
  eh.e_shstrndx = 5;
  std::memcpy(img.data(), &eh, sizeof eh);
}

}  // namespace

void gdb_jit_clear() {
  GdbJit& jit = state().jit;
  jit.symbols.clear();
  if (!jit.registered) return;
  __jit_debug_descriptor.first_entry = nullptr;
  __jit_debug_descriptor.relevant_entry = &jit.entry;
  __jit_debug_descriptor.action_flag = 2;
  __jit_debug_register_code();
  jit.registered = false;
}

void gdb_jit_add(uint32_t addr, uint32_t size, std::string_view name) {
  state().jit.symbols.push_back({addr, size, std::string(name)});
}

void gdb_jit_publish() {
  GdbJit& jit = state().jit;
  if (jit.registered || state().code_backend != Backend::kNative) return;
  build(jit);
  jit.entry = JitCodeEntry{};
  jit.entry.symfile = reinterpret_cast<const char*>(jit.image.data());
  jit.entry.symfile_size = jit.image.size();
  __jit_debug_descriptor.first_entry = &jit.entry;
  __jit_debug_descriptor.relevant_entry = &jit.entry;
  __jit_debug_descriptor.action_flag = 1;
  __jit_debug_register_code();
  jit.registered = true;
}

const std::vector<uint8_t>& gdb_jit_image() { return state().jit.image; }

}  // namespace brain
