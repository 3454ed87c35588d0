// The one place where the subsystems composed here are wired together: every
// built-in row, every hook of the engine, the general built-ins' services,
// the notifier of the core and the brains' run-time error box. Nothing else
// fills a hook (tests and benchmarks set their own).
#pragma once

namespace shell {

// The notifier: message boxes, notices and error boxes of this run. Done
// first, so that everything after it can report.
void bind_message_services();
// The built-in rows and every other hook.
void bind_builtins();

}  // namespace shell
