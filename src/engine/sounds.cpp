#include "engine/sounds.h"

#include "core/element_state.h"
#include "core/text.h"
#include "engine/scene3d.h"
#include "engine/scene_load.h"
#include "engine/state.h"
#include "project/records.h"

namespace engine {

namespace {

constexpr float kPositionUnit = 512000.0f;

}  // namespace

bool names_no_sound(std::string_view file) {
  constexpr std::string_view kNull = "null_.wav";
  return file.empty() ||
         (file.size() >= kNull.size() && core::equals_ignore_case(file.substr(file.size() - kNull.size()), kNull));
}

media::ElementSoundSettings sound_settings(std::string_view field) {
  media::ElementSoundSettings s;
  const auto item = [&](int n, int32_t& out) {
    const std::string_view text = core::field(field, n, '/');
    if (!text.empty()) out = core::text_to_int(text);
  };
  item(1, s.rate_factor);
  item(2, s.min_distance);
  item(4, s.mode);
  item(5, s.volume_db);
  return s;
}

void load_element_sound(int element) {
  if (element < 0 || element >= core::kElementCount) return;
  int32_t* w = core::element_state(element)->w;
  w[core::kSoundIndex] = -1;
  const std::string file = project::get_field(element, project::kFieldSound);
  if (names_no_sound(file)) return;
  const media::ElementSoundSettings settings = sound_settings(
      project::get_field(element, project::kFieldSoundSettings));
  const int32_t natural = media::load_element_sound(element, program_path(file), settings);
  if (natural == 0) return;
  w[core::kSoundIndex] = 0;
  w[core::kSoundRate] = settings.rate_factor;
  w[core::kSoundRate + 1] = natural;
  if (settings.mode & 1)
    w[core::kFlags] |= core::kFlagSoundOnDemand;
  else
    w[core::kFlags] &= ~core::kFlagSoundOnDemand;
}

void load_element_sounds(int32_t elements) {
  media::set_sound_hearer(0);
  media::start_sound_system();
  for (int e = 0; e < elements && e < core::kElementCount; ++e) load_element_sound(e);
}

void restart_sounds() {
  media::stop_sound_system();
  media::start_sound_system();
  if (!media::sound_available()) return;
  for (int e = 0; e < state().scene.element_count && e < core::kElementCount; ++e) load_element_sound(e);
  media::replay_stopped_sounds();
}

void reset_sounds() { media::reset_element_sounds(state().scene.element_count); }

void update_sounds() {
  media::sound_advance();
  if (!media::sound_available()) return;
  const core::ElementState& h = *core::element_state(media::sound_hearer());
  media::SoundListener listener{};
  const bool on = (h.w[core::kFlags] & core::kFlagOn) != 0;
  if (on) {
    const int32_t* parent = (h.w[core::kFlags] & core::kFlagJoined) ? &h.w[core::kParentRotation] : nullptr;
    core::Vec3 front, up;
    element_axes(&h.w[core::kRotation], parent, front, up);
    for (int k = 0; k < 3; ++k) listener.position[k] = static_cast<float>(h.w[core::kPosition + k]) / kPositionUnit;
    listener.front[0] = front.x;
    listener.front[1] = front.y;
    listener.front[2] = front.z;
    listener.up[0] = up.x;
    listener.up[1] = up.y;
    listener.up[2] = up.z;
  }
  media::sound_frame(state().scene.element_count, on ? &listener : nullptr);
}

}  // namespace engine
