// The general built-ins: integers and geometry, elements and their small
// stores, global variables, strings and arrays on the handle table, boxes,
// programs, dates and the runtime error box.
//
// Facts that belong to the engine reach these routines through
// GeneralServices (brain::state().general), which the shell fills at
// start-up. Every member may stay null; the default is given with it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brain {

struct GeneralServices {
  // Run-loop values (engine). Null: tick_count reads 0; writes are dropped.
  const uint32_t* tick_count = nullptr;
  int32_t* exit_code = nullptr;
  uint32_t* next_deadline = nullptr;
  const int32_t* tick_length = nullptr;  // null: 150
  uint32_t (*timer)() = nullptr;         // the run loop's timer; null: 0

  // Number of project elements (the last element is count - 1, at most
  // 256). Null: the highest element with a name in brain::state().names.
  int (*element_count)() = nullptr;
  // `type` of an element's current object: 0 camera ... 11 X model, -1
  // otherwise. Null: -1.
  int32_t (*object_type)(int element) = nullptr;
  // Sound of an element: restart (looping, or once) and stop. Null: nothing.
  void (*sound_restart)(int element, bool once) = nullptr;
  void (*sound_stop)(int element) = nullptr;
  // Called with true before a modal box (silence the sound, show the
  // cursor) and with false after it (restore both). Null: nothing.
  void (*silence)(bool on) = nullptr;
  // Clears / sets option bit 2 of a run-time X-model object (disable / enable
  // with bit 31 set). Null: nothing.
  void (*xmodel_enable)(uint32_t object, bool enable) = nullptr;
  // The counter element under the mouse pointer (an element reference), 0
  // for none. Null: 0.
  uint32_t (*picked_counter)() = nullptr;
  // Called by global_set before the write (network play writes received
  // globals in). Null: nothing.
  void (*global_sync)() = nullptr;
  // The typed-text buffer: read and replace. Null: empty / nothing.
  std::string_view (*typed_text)() = nullptr;
  void (*set_typed_text)(std::string_view text) = nullptr;
  // Fills the display with black (clear). Null: nothing.
  void (*clear_screen)() = nullptr;
  // Shows the engine's window again after run / run_task. Null: nothing.
  void (*show_window)() = nullptr;
};

// Binds every general built-in except the ones that later subsystems own
// (input_box, list_box, file_box, play, play_task, play_task_status,
// stop_task, save, save_x, resume, resume_x, reset).
void bind_general_builtins();

// The runtime error box: with sound silenced, the platform error box shows
// `text`; afterwards next_deadline = timer + tick_length and exit_code =
// 0x80000000, which ends the run: no brain runs again until the next
// compile, a brain that goes on looping stops at its next clock check, and
// its later errors show no further box. The shell may point
// brain::state().runtime_error at it.
void runtime_error_box(const std::string& text);

namespace general {

// Family binders (general_*.cpp).
void bind_integers();
void bind_elements();
void bind_globals();
void bind_arrays();
void bind_strings();
void bind_system();

// Shared helpers.
// Index of the last element (0..255).
int last_element_index();
// Resets the deadline after a stall (box, program): timer + tick_length.
void restart_deadline();
// A path argument: `\` turned into `/`, relative to the program folder.
// False for an empty path.
bool path_arg(int32_t value, std::string& out);

}  // namespace general

}  // namespace brain
