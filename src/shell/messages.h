// Message boxes, notices and error boxes: shown on the desktop, answered from
// the input script in headless runs, and logged for tests with --messages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace shell {

// Points the core notifier at the services of this run.
void install_message_services();
// Opens the --messages log (appending); false when it cannot be opened.
bool open_message_log(const std::string& path);
void close_message_log();

// One JSON object: {"kind":..,"text":..,"buttons":[..],"answer":N}.
std::string message_json(std::string_view kind, std::string_view text, const std::vector<std::string>& buttons,
                         int answer);

}  // namespace shell
