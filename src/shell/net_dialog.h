// The connection dialog of network play, drawn on the tool screen (filled
// into net::dialog at start-up).
//
// The connection is chosen from a list first (skipped when there is only
// one). The session screen then lists the sessions found, searching again
// every 3 seconds; typing edits the name of a session to host. Host (a
// click, or F1) hosts under that name; Join (a click, F2, or Enter while a
// session is listed) joins the selected session; Enter with no session
// listed hosts. Up and Down move the selection. Escape, the right button or
// the close box cancel.
#pragma once

#include <string>
#include <vector>

#include "net/session.h"

namespace shell {

net::DialogChoice connection_dialog(const std::vector<std::string>& connections, net::SessionSearch search,
                                    const std::string& default_name);

}  // namespace shell
