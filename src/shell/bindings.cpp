#include "shell/bindings.h"

#include <algorithm>

#include "brain/bind.h"
#include "brain/builtins/general.h"
#include "brain/state.h"
#include "core/element_state.h"
#include "core/protect.h"
#include "core/state.h"
#include "engine/builtins.h"
#include "engine/collisions.h"
#include "engine/draw.h"
#include "engine/hooks.h"
#include "engine/objects.h"
#include "engine/scene3d.h"
#include "engine/state.h"
#include "engine/xobjects.h"
#include "media/device.h"
#include "media/input.h"
#include "media/sound.h"
#include "net/builtins.h"
#include "net/packet.h"
#include "net/tick.h"
#include "platform/platform.h"
#include "platform/video.h"
#include "project/records.h"
#include "project/state.h"
#include "shell/messages.h"
#include "shell/state.h"
#include "ui/builtins.h"
#include "shell/net_dialog.h"
#include "standalone/builtins.h"
#include "standalone/cutscene.h"
#include "standalone/player.h"

namespace shell {

namespace {

// Bit 0: the stand-alone player; bit 1: the simulate-stand-alone switch.
int32_t exemode() { return (core::state().stand_alone & 1) | (state().editor.simulate_stand_alone == 1 ? 2 : 0); }

// What the general built-ins need to know of the run.
void bind_general_services() {
  brain::GeneralServices& g = brain::state().general;
  engine::Loop& loop = engine::state().loop;
  g.tick_count = &loop.tick_count;
  g.exit_code = &loop.exit_code;
  g.next_deadline = &loop.next_deadline;
  g.tick_length = &loop.tick_length;
  g.timer = platform::now;
  g.element_count = [] { return static_cast<int>(project::last_index() + 1); };
  g.object_type = [](int element) { return engine::tag_type(engine::current_tag(*core::element_state(element))); };
  g.clear_screen = media::clear_display;
  g.xmodel_enable = engine::xobject_enable;
  g.show_window = platform::window_show;
  g.typed_text = media::typed_text;
  g.set_typed_text = media::set_typed_text;
  g.sound_restart = media::restart_element_sound;
  g.sound_stop = media::stop_element_sound;
  g.silence = media::sound_silence;
  brain::state().runtime_error = brain::runtime_error_box;
}

void bind_engine_hooks() {
  engine::Hooks& h = engine::hooks();
  h.draw_frame = engine::draw_frame;
  h.draw_views = engine::draw_views;
  h.build_scene = engine::build_scene3d;
  h.release_scene = engine::release_scene3d;
  h.pick = engine::pick_element;
  h.race_checkpoints = engine::race_update;
  h.poll_joysticks = media::poll_joysticks;
  h.collisions = engine::collision_pass;
}

// The stand-alone player keeps its working brain copies protected.
void bind_player_hooks() {
  project::state().protect = [](std::string& bytes) {
    if (core::transforms(".bra")) core::protect_text(bytes);
  };
  // A save file keeps the sound system's hearer; play_set's area places
  // the cut-scenes, whose sound the sound system plays.
  standalone::set_cutscene_sound(media::cutscene_sound);
  standalone::player().hearer_of_sound = media::sound_hearer;
  standalone::player().set_hearer_of_sound = media::set_sound_hearer;
  standalone::set_cutscene_area_source([] {
    const media::PlaybackArea& a = media::playback_area();
    return standalone::CutsceneArea{a.x, a.y, a.width, a.height, (a.options & 1) != 0};
  });
}

void bind_network() {
  net::bind_builtins();
  engine::Hooks& h = engine::hooks();
  h.net_tick_start = net::tick_start;
  h.net_element_before = net::element_before;
  h.net_element_after = net::element_after;
  h.net_tick_end = net::tick_end;
  h.net_scene_setup = net::scene_setup;
  brain::state().general.global_sync = net::global_sync;
  net::dialog = connection_dialog;
  // A headless run is a test run: its session searches stay on this
  // machine instead of going to the local network's broadcast address.
  if (platform::headless()) net::reach().broadcast_ip = 0x7F000001u;
}

}  // namespace

void bind_message_services() {
  core::Notifier& n = core::state().notify;
  n.box = message_box;
  n.notice = message_notice;
  n.error = message_error;
  n.warning = message_warning;
}

void bind_builtins() {
  brain::bind_core_builtins();
  // General rows first: where an engine family implements a row too (clear,
  // counter_picked), the engine's binding is the one that stays.
  brain::bind_general_builtins();
  brain::bind<exemode>("exemode");
  engine::bind_builtins();
  ui::bind_builtins();
  standalone::bind_builtins();
  bind_general_services();
  bind_engine_hooks();
  bind_player_hooks();
  bind_network();
}

}  // namespace shell
