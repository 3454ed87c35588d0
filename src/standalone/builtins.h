// The rows of the stand-alone player: save, save_x, resume, resume_x,
// reset, and the media rows play, play_task, play_task_status, stop_task.
#pragma once

namespace standalone {

void bind_builtins();

}  // namespace standalone
