// Message boxes, notices and error boxes: shown on the desktop, answered from
// the input script in headless runs, and logged for tests with --messages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace shell {

// The services of the core notifier (bound in bindings.cpp): a box with up
// to two labels (1 or 2; 0 for a notice), a notice, the error box.
int message_box(const std::string& text, const std::string& first, const std::string& second);
void message_notice(const std::string& text);
void message_error(const std::string& text);
// A warning: one line on standard error and in the message log.
void message_warning(const std::string& text);
// Opens the --messages log (appending); false when it cannot be opened.
bool open_message_log(const std::string& path);
void close_message_log();

// One JSON object: {"kind":..,"text":..,"buttons":[..],"answer":N}.
std::string message_json(std::string_view kind, std::string_view text, const std::vector<std::string>& buttons,
                         int answer);

}  // namespace shell
