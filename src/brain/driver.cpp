#include "brain/driver.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "brain/code_area.h"
#include "brain/errors.h"
#include "brain/run.h"
#include "core/element_state.h"
#include "core/files.h"
#include "core/protect.h"
#include "core/state.h"

namespace brain {

namespace {

struct Source {
  bool missing = false;
  bool too_large = false;
  std::string read;       // the file's bytes when they were read here
  std::string_view text;  // the request's text, or `read`
  uint32_t checksum = 0;
};

std::string file_name(std::string_view path) {
  size_t p = path.find_last_of("\\/:");
  return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

// Fills `s` in its place (its view may point at its own string).
void read_source(const BrainSource& b, Source& s) {
  if (b.text) {
    s.text = *b.text;  // the request outlives the compile: no copy
    s.too_large = s.text.size() > kMaxBrainBytes;
  } else {
    bool truncated = false;
    s.missing = !core::read_resource(b.path, s.read, kMaxBrainBytes, &truncated);
    s.too_large = truncated;
    s.text = s.read;
  }
  s.checksum = s.missing ? 0 : brain_checksum(s.text);
}

// Elements share a compiled brain when their files have the same checksum
// and the same bytes; a missing file counts as an empty one.
bool same_brain(const Source& a, const Source& b) {
  return a.checksum == b.checksum && a.too_large == b.too_large && a.text == b.text;
}

}  // namespace

uint32_t brain_checksum(std::string_view bytes) {
  if (bytes.size() < 4) return static_cast<uint32_t>(bytes.size());
  uint32_t sum = 0;
  if constexpr (std::endian::native == std::endian::little) {
    // The words as they lie in memory, two at a time in four sums.
    uint64_t sums[4] = {};
    size_t i = 0;
    for (; i + 32 <= bytes.size(); i += 32) {
      uint64_t w[4];
      std::memcpy(w, bytes.data() + i, 32);
      for (int k = 0; k < 4; ++k) sums[k] += (w[k] & 0xFFFFFFFFu) + (w[k] >> 32);
    }
    for (; i + 4 <= bytes.size(); i += 4) {
      uint32_t w;
      std::memcpy(&w, bytes.data() + i, 4);
      sum += w;
    }
    return sum + static_cast<uint32_t>(sums[0] + sums[1] + sums[2] + sums[3]);
  }
  for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + i);
    sum += uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }
  return sum;
}

CompileReport compile_project(const CompileRequest& request) {
  State& s = state();
  const size_t count = std::min(request.elements.size(), size_t(core::kElementCount));
  std::vector<Source> sources(count);
  for (size_t i = 0; i < count; ++i) read_source(request.elements[i], sources[i]);

  CompileReport report;
  report.share.resize(count);
  report.errors.resize(count);
  Backend backend = request.backend;
#if !defined(__x86_64__)
  backend = Backend::kInterpreter;
#endif
  begin_compile(backend, request.strings_used);
  for (size_t i = 0; i < count; ++i) {
    const BrainSource& element = request.elements[i];
    s.names[i] = element.name;
    core::ElementState* es = core::element_state(static_cast<int>(i));
    size_t j = 0;
    while (j < i && !same_brain(sources[j], sources[i])) ++j;
    report.share[i] = static_cast<int>(j);
    if (j < i) {
      es->w[core::kBrainEntry] = core::element_state(static_cast<int>(j))->w[core::kBrainEntry];
      continue;
    }
    BrainResult r;
    if (sources[i].missing)
      r = fail_brain(msg::brain_not_found(file_name(element.path)));
    else if (sources[i].too_large)
      r = fail_brain(std::string(msg::kFileTooLarge));
    else
      r = compile_brain(sources[i].text, request.editor_mode, element.name);
    es->w[core::kBrainEntry] = static_cast<int32_t>(r.entry);
    if (!r.ok) {
      report.errors[i] = r.error;
      core::box("'" + element.name + "' brain ERROR!|" + r.error, " OK ", "");
    }
  }
  end_compile();
  report.brain_error = s.brain_error;
  report.picking_needed = s.picking_needed;
  report.strings_used = s.strings_end;
  return report;
}

}  // namespace brain
