// Arbitrary bytes as a brain file opened in the brain editor: the first
// half is the file, the second a run of keys applied to it; the brain's
// comments are read as the parameter editor reads them. Nothing may crash
// or hang, and the view always stays on the text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "editors/brain_text.h"
#include "editors/parameters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const std::string_view file = all.substr(0, size / 2), keys = all.substr(size / 2);
  editors::LoadedText loaded = editors::convert_for_editing(file);
  editors::BrainText t(std::move(loaded.lines));
  std::string clip;
  for (size_t i = 0; i + 1 < keys.size(); i += 2) {
    const auto arg = static_cast<unsigned char>(keys[i + 1]);
    switch (static_cast<unsigned char>(keys[i]) % 24) {
      case 0: t.type(static_cast<char>(arg)); break;
      case 1: t.enter(); break;
      case 2: t.backspace(); break;
      case 3: t.delete_key(); break;
      case 4: t.tab(); break;
      case 5: t.home(); break;
      case 6: t.end_key(); break;
      case 7: t.left(arg & 1); break;
      case 8: t.right(arg & 1); break;
      case 9: t.up(arg & 1); break;
      case 10: t.down(arg & 1); break;
      case 11: t.page_up(); break;
      case 12: t.page_down(); break;
      case 13: t.wheel(static_cast<int8_t>(arg)); break;
      case 14: t.press(arg * 3, arg * 2); break;
      case 15: t.drag(arg * 3 - 100, arg * 2 - 50); break;
      case 16: t.delete_line(); break;
      case 17: t.indent(); break;
      case 18: t.cut(clip); break;
      case 19: t.paste(clip.empty() ? keys.substr(i) : std::string_view(clip)); break;
      case 20: t.store_search(); break;
      case 21: t.find(); break;
      case 22: t.undo(); break;
      default: t.redo(); break;
    }
    const auto lines = static_cast<int32_t>(t.lines().size());
    if (lines < 1 || t.top() < 0 || t.top() + t.row() >= lines || t.column() < 0 ||
        t.column() >= editors::kTextColumns || t.row() < 0 || t.row() >= editors::kTextRows)
      std::abort();
  }
  editors::text_with_crlf(t.lines());
  editors::parameter_label(file, static_cast<int>(size % 40));
  editors::brain_description(file, (size & 1) != 0);
  return 0;
}
