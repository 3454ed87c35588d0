#include "ui/text_fit_local.h"

#include "ui/screen.h"

namespace ui {

std::string fit_end(std::string_view text, int32_t width) {
  if (text_width(text) <= width) return std::string(text);
  size_t n = text.size();
  while (n > 0 && text_width(text.substr(0, n)) + text_width("...") > width) --n;
  return std::string(text.substr(0, n)) + "...";
}

std::string fit_tail(std::string_view text, int32_t width) {
  if (text_width(text) <= width) return std::string(text);
  size_t n = text.size();
  while (n > 0 && text_width(text.substr(text.size() - n)) + text_width("...") > width) --n;
  return "..." + std::string(text.substr(text.size() - n));
}

}  // namespace ui
