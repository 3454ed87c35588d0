#include "platform/joystick.h"

#include <SDL.h>

#include <algorithm>

namespace platform {

namespace {

constexpr int kMaxAxis = 32767;
constexpr int kDeadZone = kMaxAxis * 15 / 100;  // 15 % of the half range
constexpr uint32_t kCentred = 0xFFFFFFFFu;

struct Slot {
  SDL_JoystickID id = -1;  // -1: free
  SDL_Joystick* joystick = nullptr;
  SDL_GameController* pad = nullptr;  // set when SDL knows the device's layout
};

// Devices that could not be opened are not tried again at every poll.
constexpr int kRefusedCount = 8;

struct Joysticks {
  bool started = false;
  Slot slots[kJoysticks];
  SDL_JoystickID refused[kRefusedCount] = {-1, -1, -1, -1, -1, -1, -1, -1};
  int refused_next = 0;
  // Handles of virtual devices opened for tests.
  static constexpr int kVirtualCount = 4;
  SDL_Joystick* virtuals[kVirtualCount] = {};
};

Joysticks& joysticks() {
  static Joysticks j;
  return j;
}

bool in_use(SDL_JoystickID id) {
  const Joysticks& j = joysticks();
  for (const Slot& s : j.slots)
    if (s.id == id) return true;
  for (SDL_JoystickID r : j.refused)
    if (r == id) return true;
  return false;
}

void close_slot(Slot& s) {
  if (s.pad)
    SDL_GameControllerClose(s.pad);
  else if (s.joystick)
    SDL_JoystickClose(s.joystick);
  s = Slot{};
}

// Opens device `index` into slot `s`; false when SDL refuses it.
bool open_slot(Slot& s, int index) {
  if (SDL_IsGameController(index)) {
    s.pad = SDL_GameControllerOpen(index);
    s.joystick = s.pad ? SDL_GameControllerGetJoystick(s.pad) : nullptr;
  }
  if (!s.joystick) s.joystick = SDL_JoystickOpen(index);
  if (!s.joystick) return false;
  s.id = SDL_JoystickInstanceID(s.joystick);
  return true;
}

// Frees the slots of devices that have gone and fills free slots with
// devices that have arrived, in the order SDL lists them.
void update_slots(JoystickState (&out)[kJoysticks]) {
  Joysticks& j = joysticks();
  for (int n = 0; n < kJoysticks; ++n) {
    Slot& s = j.slots[n];
    if (s.joystick && !SDL_JoystickGetAttached(s.joystick)) {
      close_slot(s);
      out[n].present = false;
    }
  }
  const int count = SDL_NumJoysticks();
  for (int index = 0; index < count; ++index) {
    Slot* free_slot = nullptr;
    for (Slot& s : j.slots)
      if (!free_slot && !s.joystick) free_slot = &s;
    if (!free_slot) return;
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
    if (id < 0 || in_use(id)) continue;
    if (!open_slot(*free_slot, index)) {
      j.refused[j.refused_next] = id;
      j.refused_next = (j.refused_next + 1) % kRefusedCount;
    }
  }
}

uint8_t dpad_bits(SDL_GameController* pad) {
  uint8_t bits = 0;
  if (SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_UP)) bits |= kHatUp;
  if (SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_RIGHT)) bits |= kHatRight;
  if (SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN)) bits |= kHatDown;
  if (SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_LEFT)) bits |= kHatLeft;
  return bits;
}

// A gamepad: sticks, triggers, d-pad and buttons as docs/input.md lays
// them out.
void read_pad(SDL_GameController* pad, JoystickState& st) {
  auto axis = [pad](SDL_GameControllerAxis a) { return static_cast<int>(SDL_GameControllerGetAxis(pad, a)); };
  const int left = std::max(axis(SDL_CONTROLLER_AXIS_TRIGGERLEFT), 0);
  const int right = std::max(axis(SDL_CONTROLLER_AXIS_TRIGGERRIGHT), 0);
  st.axis[kJoyX] = joystick_axis(axis(SDL_CONTROLLER_AXIS_LEFTX), true);
  st.axis[kJoyY] = joystick_axis(axis(SDL_CONTROLLER_AXIS_LEFTY), true);
  st.axis[kJoyZ] = joystick_axis(left - right, true);
  st.axis[kJoyXr] = joystick_rotation(axis(SDL_CONTROLLER_AXIS_RIGHTX));
  st.axis[kJoyYr] = joystick_rotation(axis(SDL_CONTROLLER_AXIS_RIGHTY));
  st.axis[kJoyZr] = 0;
  st.axis[kJoyU] = joystick_trigger(left);
  st.axis[kJoyV] = joystick_trigger(right);
  st.hat[0] = joystick_hat(dpad_bits(pad));
  st.hat[1] = st.hat[2] = st.hat[3] = kCentred;
  // clang-format off
  static constexpr SDL_GameControllerButton kButtons[] = {
      SDL_CONTROLLER_BUTTON_A,         SDL_CONTROLLER_BUTTON_B,            SDL_CONTROLLER_BUTTON_X,
      SDL_CONTROLLER_BUTTON_Y,         SDL_CONTROLLER_BUTTON_LEFTSHOULDER, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
      SDL_CONTROLLER_BUTTON_BACK,      SDL_CONTROLLER_BUTTON_START,        SDL_CONTROLLER_BUTTON_LEFTSTICK,
      SDL_CONTROLLER_BUTTON_RIGHTSTICK, SDL_CONTROLLER_BUTTON_GUIDE,       SDL_CONTROLLER_BUTTON_MISC1,
      SDL_CONTROLLER_BUTTON_PADDLE1,   SDL_CONTROLLER_BUTTON_PADDLE2,      SDL_CONTROLLER_BUTTON_PADDLE3,
      SDL_CONTROLLER_BUTTON_PADDLE4,   SDL_CONTROLLER_BUTTON_TOUCHPAD};
  // clang-format on
  uint32_t mask = 0;
  for (uint32_t i = 0; i < sizeof kButtons / sizeof kButtons[0]; ++i)
    if (SDL_GameControllerGetButton(pad, kButtons[i])) mask |= 1u << i;
  // The triggers pressed past half way are buttons 17 and 18 as well.
  if (left > kMaxAxis / 2) mask |= 1u << 17;
  if (right > kMaxAxis / 2) mask |= 1u << 18;
  st.buttons = mask;
}

// A joystick SDL has no layout for: its axes, hats and buttons in order.
void read_joystick(SDL_Joystick* js, JoystickState& st) {
  const int axes = std::min(SDL_JoystickNumAxes(js), 8);
  for (int a = 0; a < 8; ++a) {
    const int raw = a < axes ? SDL_JoystickGetAxis(js, a) : 0;
    if (a <= kJoyZ)
      st.axis[a] = joystick_axis(raw, true);
    else if (a <= kJoyZr)
      st.axis[a] = a < axes ? joystick_rotation(raw) : 0;
    else
      st.axis[a] = joystick_axis(raw, false);
  }
  const int hats = std::min(SDL_JoystickNumHats(js), 4);
  for (int h = 0; h < 4; ++h) st.hat[h] = h < hats ? joystick_hat(SDL_JoystickGetHat(js, h)) : kCentred;
  const int buttons = std::min(SDL_JoystickNumButtons(js), 32);
  uint32_t mask = 0;
  for (int b = 0; b < buttons; ++b)
    if (SDL_JoystickGetButton(js, b)) mask |= 1u << b;
  st.buttons = mask;
}

}  // namespace

int32_t JoystickState::get(int field) const {
  if (field >= kJoyX && field <= kJoyV) return axis[field];
  if (field >= kJoyHat1 && field <= kJoyHat4) return static_cast<int32_t>(hat[field - kJoyHat1]);
  if (field == kJoyButtons) return static_cast<int32_t>(buttons);
  if (field == kJoyPresent) return present ? 1 : 0;
  return 0;
}

void JoystickState::set(int field, int32_t value) {
  if (field >= kJoyX && field <= kJoyV)
    axis[field] = value;
  else if (field >= kJoyHat1 && field <= kJoyHat4)
    hat[field - kJoyHat1] = static_cast<uint32_t>(value);
  else if (field == kJoyButtons)
    buttons = static_cast<uint32_t>(value);
  else if (field == kJoyPresent)
    present = value != 0;
}

int32_t joystick_axis(int raw, bool dead_zone) {
  const int m = std::min(raw < 0 ? -raw : raw, kMaxAxis);
  const int zone = dead_zone ? kDeadZone : 0;
  if (m <= zone) return 0;
  const int32_t v = (m - zone) * 1000 / (kMaxAxis - zone);
  return raw < 0 ? -v : v;
}

int32_t joystick_trigger(int raw) { return -1000 + std::clamp(raw, 0, kMaxAxis) * 2000 / kMaxAxis; }

int32_t joystick_rotation(int raw) { return std::clamp(raw, -32768, 32767) + 32768; }

uint32_t joystick_hat(uint8_t bits) {
  switch (bits) {
    case kHatUp: return 0;
    case kHatUp | kHatRight: return 4500;
    case kHatRight: return 9000;
    case kHatDown | kHatRight: return 13500;
    case kHatDown: return 18000;
    case kHatDown | kHatLeft: return 22500;
    case kHatLeft: return 27000;
    case kHatUp | kHatLeft: return 31500;
    default: return kCentred;  // centred, or two opposite directions at once
  }
}

bool joysticks_start() {
  Joysticks& j = joysticks();
  if (j.started) return true;
  if (SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER) != 0) return false;
  // Read by polling at each step; the event queue stays free of axis motion.
  SDL_JoystickEventState(SDL_IGNORE);
  SDL_GameControllerEventState(SDL_IGNORE);
  j.started = true;
  JoystickState scratch[kJoysticks];
  SDL_JoystickUpdate();
  update_slots(scratch);
  return true;
}

void joysticks_stop() {
  Joysticks& j = joysticks();
  if (!j.started) return;
  for (SDL_Joystick*& v : j.virtuals)
    if (v) {
      SDL_JoystickClose(v);
      v = nullptr;
    }
  for (Slot& s : j.slots) close_slot(s);
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER);
  j = Joysticks{};
}

bool joysticks_started() { return joysticks().started; }

void joysticks_read(JoystickState (&out)[kJoysticks]) {
  Joysticks& j = joysticks();
  if (!j.started) return;
  SDL_JoystickUpdate();
  update_slots(out);
  for (int n = 0; n < kJoysticks; ++n) {
    const Slot& s = j.slots[n];
    if (!s.joystick) continue;
    out[n].present = true;
    if (s.pad)
      read_pad(s.pad, out[n]);
    else
      read_joystick(s.joystick, out[n]);
  }
}

int joystick_attach_virtual(bool gamepad, int axes, int buttons, int hats) {
  Joysticks& j = joysticks();
  if (!j.started) return -1;
  int id = 0;
  while (id < Joysticks::kVirtualCount && j.virtuals[id]) ++id;
  if (id == Joysticks::kVirtualCount) return -1;
  SDL_VirtualJoystickDesc desc{};
  desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
  desc.type = static_cast<Uint16>(gamepad ? SDL_JOYSTICK_TYPE_GAMECONTROLLER : SDL_JOYSTICK_TYPE_UNKNOWN);
  desc.naxes = static_cast<Uint16>(std::clamp(axes, 0, 16));
  desc.nbuttons = static_cast<Uint16>(std::clamp(buttons, 0, 32));
  desc.nhats = static_cast<Uint16>(std::clamp(hats, 0, 4));
  desc.name = gamepad ? "quill test gamepad" : "quill test joystick";
  const int index = SDL_JoystickAttachVirtualEx(&desc);
  if (index < 0) return -1;
  j.virtuals[id] = SDL_JoystickOpen(index);
  if (!j.virtuals[id]) {
    SDL_JoystickDetachVirtual(index);
    return -1;
  }
  return id;
}

namespace {

SDL_Joystick* virtual_joystick(int id) {
  return id >= 0 && id < Joysticks::kVirtualCount ? joysticks().virtuals[id] : nullptr;
}

}  // namespace

bool joystick_virtual_axis(int id, int axis, int16_t value) {
  SDL_Joystick* js = virtual_joystick(id);
  return js && SDL_JoystickSetVirtualAxis(js, axis, value) == 0;
}

bool joystick_virtual_button(int id, int button, bool down) {
  SDL_Joystick* js = virtual_joystick(id);
  return js && SDL_JoystickSetVirtualButton(js, button, down ? SDL_PRESSED : SDL_RELEASED) == 0;
}

bool joystick_virtual_hat(int id, int hat, uint8_t value) {
  SDL_Joystick* js = virtual_joystick(id);
  return js && SDL_JoystickSetVirtualHat(js, hat, value) == 0;
}

bool joystick_detach_virtual(int id) {
  SDL_Joystick* js = virtual_joystick(id);
  if (!js) return false;
  const SDL_JoystickID instance = SDL_JoystickInstanceID(js);
  SDL_JoystickClose(js);
  joysticks().virtuals[id] = nullptr;
  for (int index = 0; index < SDL_NumJoysticks(); ++index)
    if (SDL_JoystickGetDeviceInstanceID(index) == instance) return SDL_JoystickDetachVirtual(index) == 0;
  return false;
}

}  // namespace platform
