// The built-ins of network play: the session, machine numbers, element
// owners and text messages.
#pragma once

namespace net {

void bind_builtins();

}  // namespace net
