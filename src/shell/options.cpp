#include "shell/options.h"

#include <cctype>
#include <charconv>

#include "core/text.h"

namespace shell {

namespace {

bool is_space(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

}  // namespace

Options parse_options(int argc, const char* const* argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string_view a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) {
        o.error = "option " + std::string(a) + " needs a value";
        return;
      }
      out = argv[++i];
    };
    if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a == "--headless") {
      o.headless = true;
    } else if (a == "--windowed") {
      o.windowed = true;
    } else if (a == "--init-install") {
      value(o.init_install);
    } else if (a == "--messages") {
      value(o.messages);
    } else if (a == "--input-script") {
      value(o.input_script);
    } else if (a == "--record-input") {
      value(o.record_input);
    } else if (a == "--dump") {
      value(o.dump);
    } else if (a == "--screenshot") {
      value(o.screenshot);
    } else if (a == "--record-audio") {
      value(o.record_audio);
    } else if (a == "--builtins" || a == "--builtins=text") {
      o.builtins = "text";
    } else if (a == "--builtins=json") {
      o.builtins = "json";
    } else if (a == "--brain-listing") {
      value(o.brain_listing);
    } else if (a == "--ticks") {
      std::string n;
      value(n);
      int64_t v = -1;
      auto [p, ec] = std::from_chars(n.data(), n.data() + n.size(), v);
      if (ec != std::errc() || p != n.data() + n.size() || v < 0)
        o.error = "--ticks needs a count of ticks";
      else
        o.ticks = v;
    } else if (a.substr(0, 11) == "--builtins=") {
      o.error = "--builtins lists as text or as json, not " + std::string(a.substr(11));
    } else if (a.size() > 2 && a.substr(0, 2) == "--") {
      o.error = "unknown option " + std::string(a);
    } else {
      if (!o.command_line.empty()) o.command_line += ' ';
      o.command_line += a;
    }
  }
  return o;
}

std::string usage() {
  return "usage: quill [options] [/n ...]\n"
         "Runs the task that runmode.ini in the current folder asks for, or plays the\n"
         "game of this folder when there is none. /n values are read by brains.\n"
         "\n"
         "  --help               this text\n"
         "  --version            the engine's version\n"
         "  --init-install DIR   create a complete tool installation in DIR\n"
         "  --headless           no window, sound mixed in memory, virtual time\n"
         "  --windowed           a window of the display mode's size, not full screen\n"
         "  --messages FILE      append every box, notice and error to FILE (JSON lines)\n"
         "  --input-script FILE  scripted input, one 'PUMP EVENT ARGS' per line\n"
         "  --record-input FILE  write the run's input as an input script that replays it\n"
         "  --ticks N            end a run (or each level) after N ticks\n"
         "  --dump FILE          write the element states at the end of a run (JSON)\n"
         "  --screenshot FILE    write the last frame of a test run, or the display at the end, as PNG\n"
         "  --record-audio FILE  write the whole sound mix as a WAV file\n"
         "  --builtins[=json]    list the built-in functions brains may call: name,\n"
         "                       argument count, family, and whether this build has them\n"
         "  --brain-listing FILE print what a brain file compiles to: its instructions\n"
         "                       and the machine code of each one\n";
}

int parse_program_args(std::string_view s, int32_t* values, int capacity) {
  int count = 0;
  size_t i = 0;
  if (s.empty() || s[0] != '/') return 0;
  while (true) {
    ++i;  // past the "/"
    if (i >= s.size()) break;
    size_t used = 0;
    int32_t v = core::atoi_like(s.substr(i), &used);
    if (count < capacity) values[count++] = v;
    i += used;
    while (i < s.size() && !is_space(s[i])) ++i;
    while (i < s.size() && is_space(s[i])) ++i;
    if (i >= s.size() || s[i] != '/') break;
  }
  return count;
}

}  // namespace shell
