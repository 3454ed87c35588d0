#include "harness.h"

#include <cstring>

#include <gtest/gtest.h>

#include "brain/run.h"
#include "core/element_state.h"
#include "core/state.h"

namespace brain_test {

namespace {

BoxCapture* g_capture = nullptr;

int capture_box(const std::string& text, const std::string&, const std::string&) {
  if (g_capture) g_capture->boxes.push_back(text);
  return 1;
}
void capture_runtime(const std::string& text) {
  if (g_capture) g_capture->runtime.push_back(text);
}

std::vector<Call>& call_log() {
  static std::vector<Call> log;
  return log;
}

void add(const char* name, uint32_t self, std::initializer_list<int32_t> args) {
  call_log().push_back(Call{name, self, args});
}

int32_t h_sum(uint32_t, int32_t a, int32_t b, int32_t, int32_t, int32_t) {
  return static_cast<int32_t>(uint32_t(a) + uint32_t(b));
}
int32_t h_subtract(uint32_t, int32_t a, int32_t b, int32_t, int32_t, int32_t) {
  return static_cast<int32_t>(uint32_t(a) - uint32_t(b));
}
int32_t h_abs(uint32_t self, int32_t a, int32_t, int32_t, int32_t, int32_t) {
  add("abs", self, {a});
  return a < 0 ? static_cast<int32_t>(0u - uint32_t(a)) : a;
}
int32_t h_random(uint32_t self, int32_t a, int32_t b, int32_t, int32_t, int32_t) {
  add("random", self, {a, b});
  return static_cast<int32_t>(uint32_t(a) * 1000u + uint32_t(b));
}
int32_t h_print(uint32_t self, int32_t a, int32_t b, int32_t c, int32_t d, int32_t) {
  add("print", self, {a, b, c, d});
  return 7;
}
int32_t h_par_get(uint32_t, int32_t a, int32_t, int32_t, int32_t, int32_t) {
  return static_cast<int32_t>(uint32_t(a) * 3u);
}
int32_t h_visual_picked(uint32_t self, int32_t e, int32_t, int32_t, int32_t, int32_t) {
  add("visual_picked", self, {e});
  return 0;
}
int32_t h_local_set(uint32_t self, int32_t e, int32_t i, int32_t v, int32_t, int32_t) {
  add("local_set", self, {e, i, v});
  int index = core::element_index(static_cast<uint32_t>(e));
  if (index >= 0 && i >= 0 && i < 127) core::element_state(index)->w[255 - i] = v;
  return 0;
}
int32_t h_execute(uint32_t self, int32_t e, int32_t, int32_t, int32_t, int32_t) {
  add("execute", self, {e});
  return brain::run(static_cast<uint32_t>(e));
}
int32_t h_a_set(uint32_t self, int32_t a, int32_t b, int32_t c, int32_t, int32_t) {
  add("a_set", self, {a, b, c});
  return 0;
}
int32_t h_a2_set(uint32_t self, int32_t a, int32_t b, int32_t c, int32_t d, int32_t e) {
  add("a2_set", self, {a, b, c, d, e});
  return a ^ b ^ c ^ d ^ e;
}
int32_t h_str_len(uint32_t self, int32_t s, int32_t, int32_t, int32_t, int32_t) {
  add("str_len", self, {s});
  return static_cast<int32_t>(std::strlen(core::at<const char>(static_cast<uint32_t>(s))));
}

}  // namespace

std::string lines(std::initializer_list<std::string_view> l) {
  std::string out;
  for (std::string_view s : l) {
    out += s;
    out += "\r\n";
  }
  return out;
}

void clear_elements() {
  const core::Pool& p = core::state().pools.element_state;
  std::memset(p.bytes(), 0, p.size);
  std::memset(core::state().pools.temp_slots.bytes(), 0, core::state().pools.temp_slots.size);
}

std::string compile(std::string_view text, brain::Backend backend, bool editor_mode) {
  brain::CompileRequest req;
  req.backend = backend;
  req.editor_mode = editor_mode;
  req.elements.push_back({"test", "brains/test.brn", std::string(text)});
  BoxCapture quiet;
  return compile_project(req).errors[0];
}

brain::CompileReport compile_all(const std::vector<std::string>& texts, brain::Backend backend) {
  brain::CompileRequest req;
  req.backend = backend;
  for (size_t i = 0; i < texts.size(); ++i) req.elements.push_back({"e" + std::to_string(i), "brains/e.brn", texts[i]});
  return compile_project(req);
}

BoxCapture::BoxCapture() : outer(g_capture) {
  core::state().notify.box = &capture_box;
  brain::state().runtime_error = &capture_runtime;
  g_capture = this;
}
BoxCapture::~BoxCapture() {
  g_capture = outer;
  if (!outer) {
    core::state().notify.box = nullptr;
    brain::state().runtime_error = nullptr;
  }
}

Handlers::Handlers() {
  log().clear();
  brain::bind("sum", &h_sum);
  brain::bind("subtract", &h_subtract);
  brain::bind("abs", &h_abs);
  brain::bind("random", &h_random);
  brain::bind("print", &h_print);
  brain::bind("par_get", &h_par_get);
  brain::bind("visual_picked", &h_visual_picked);
  brain::bind("local_set", &h_local_set);
  brain::bind("execute", &h_execute);
  brain::bind("a_set", &h_a_set);
  brain::bind("a2_set", &h_a2_set);
  brain::bind("str_len", &h_str_len);
}
Handlers::~Handlers() {
  brain::unbind_all();
  brain::bind_core_builtins();
}
std::vector<Call>& Handlers::log() { return call_log(); }

Snapshot snapshot(int elements, int32_t status) {
  Snapshot s;
  s.status = status;
  for (int e = 0; e < elements; ++e)
    for (int w = 0; w < 256; ++w)
      if (w != core::kBrainEntry) s.words.push_back(core::element_state(e)->w[w]);
  const auto* t = core::state().pools.temp_slots.as<int32_t>();
  s.words.insert(s.words.end(), t, t + 1024);
  s.words.push_back(static_cast<int32_t>(core::state().random_pos));
  s.calls = Handlers::log();
  return s;
}

Outcome run_both(std::string_view text, const std::function<void()>& setup, int runs_on) {
  Outcome out[2];
  const brain::Backend backends[2] = {brain::Backend::kNative, brain::Backend::kInterpreter};
  for (int k = 0; k < 2; ++k) {
    clear_elements();
    Handlers::log().clear();
    out[k].error = compile(text, backends[k]);
    const int32_t entry = core::element_state(0)->w[core::kBrainEntry];
    for (int e = 1; e < 4; ++e) core::element_state(e)->w[core::kBrainEntry] = entry;
    if (setup) setup();
    int32_t status = run(runs_on);
    out[k].snap = snapshot(4, status);
  }
  EXPECT_EQ(out[0].error, out[1].error) << text;
  if (!(out[0].snap == out[1].snap)) {
    std::string where;
    const Snapshot &a = out[0].snap, &b = out[1].snap;
    for (size_t i = 0; i < a.words.size() && i < b.words.size(); ++i)
      if (a.words[i] != b.words[i]) {
        where += " word " + std::to_string(i) + ": " + std::to_string(a.words[i]) + " vs " + std::to_string(b.words[i]);
        break;
      }
    for (size_t i = 0; i < a.calls.size() && i < b.calls.size(); ++i)
      if (!(a.calls[i] == b.calls[i])) {
        where += " call " + std::to_string(i) + " " + a.calls[i].name + " vs " + b.calls[i].name + " (";
        for (int32_t v : a.calls[i].args) where += " " + std::to_string(v);
        where += " vs";
        for (int32_t v : b.calls[i].args) where += " " + std::to_string(v);
        where += " )";
        break;
      }
    if (a.calls.size() != b.calls.size()) where += " call counts differ";
    if (a.status != b.status) where += " status differs";
    ADD_FAILURE() << "back ends disagree (native vs interpreter):" << where << "\n" << text;
  }
  return out[1];
}

}  // namespace brain_test
