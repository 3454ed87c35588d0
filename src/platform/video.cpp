#include "platform/video.h"

#include <SDL.h>

#include "platform/platform.h"
#include "platform/scancodes.h"
#include "platform/state_local.h"

namespace platform {

namespace {

State& desktop() { return state(); }

// Characters that produce a character message without a text event.
uint8_t control_char(SDL_Keycode key, uint16_t mod) {
  switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return 13;
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_ESCAPE: return 27;
    default: break;
  }
  if ((mod & KMOD_CTRL) && key >= SDLK_a && key <= SDLK_z) return static_cast<uint8_t>(key - SDLK_a + 1);
  return 0;
}

// Decodes one UTF-8 character; characters beyond 255 have no byte code.
int latin1_from_utf8(const char*& p) {
  unsigned char c = static_cast<unsigned char>(*p++);
  if (c < 0x80) return c;
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  uint32_t code = c & (0x3F >> extra);
  for (int i = 0; i < extra && (*p & 0xC0) == 0x80; ++i) code = code << 6 | (static_cast<unsigned char>(*p++) & 0x3F);
  return code <= 255 ? static_cast<int>(code) : -1;
}

}  // namespace

bool video_init(bool headless) {
  State& d = desktop();
  if (d.video) return true;
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (headless) SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
  d.video = true;
  return true;
}

void video_quit() {
  State& d = desktop();
  if (d.window) SDL_DestroyWindow(d.window);
  d.window = nullptr;
  if (d.video) SDL_Quit();
  d.video = false;
}

int display_count() {
  if (!desktop().video) return 0;
  int n = SDL_GetNumVideoDisplays();
  if (n < 0) return 0;
  return n > kMaxDisplays ? kMaxDisplays : n;
}

std::string display_name(int index) {
  const char* name = desktop().video ? SDL_GetDisplayName(index) : nullptr;
  if (index == 0 && (!name || !*name)) return "Primary Device";
  std::string s = name ? name : "";
  if (s.size() > 31) s.resize(31);
  return s;
}

void window_hide() {
  if (desktop().window) SDL_HideWindow(desktop().window);
}

void window_show() {
  if (!desktop().window) return;
  SDL_ShowWindow(desktop().window);
  SDL_RaiseWindow(desktop().window);
}

bool window_exists() { return desktop().window != nullptr; }

void poll_messages(MessageQueue& out) {
  if (!desktop().video) return;
  SDL_Event e;
  // Room is left for the pointer and button messages of the pump and the
  // joystick changes of the step, so that a replay of a recording gets every
  // message of a pump pass in that pass.
  while (out.count < MessageQueue::kCapacity - kReservedMessages && SDL_PollEvent(&e)) {
    Message m;
    switch (e.type) {
      case SDL_MOUSEBUTTONDOWN:
        if (e.button.button == SDL_BUTTON_LEFT) desktop().buttons_pressed |= 1;
        if (e.button.button == SDL_BUTTON_RIGHT) desktop().buttons_pressed |= 2;
        if (e.button.button == SDL_BUTTON_MIDDLE) desktop().buttons_pressed |= 4;
        break;
      case SDL_KEYDOWN: {
        m.kind = MessageKind::KeyDown;
        m.scancode = set1_from_sdl(e.key.keysym.scancode);
        uint8_t ch = control_char(e.key.keysym.sym, e.key.keysym.mod);
        // A text event queued right behind this key carries its character.
        SDL_Event next;
        bool text_follows = SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT) == 1;
        m.char_follows = ch != 0 || text_follows;
        out.push(m);
        if (ch != 0) {
          Message c;
          c.kind = MessageKind::Char;
          c.ch = ch;
          c.scancode = m.scancode;
          out.push(c);
        } else if (text_follows && SDL_PollEvent(&next)) {
          for (const char* p = next.text.text; *p;) {
            int code = latin1_from_utf8(p);
            if (code < 0) continue;
            Message c;
            c.kind = MessageKind::Char;
            c.ch = static_cast<uint8_t>(code);
            c.scancode = m.scancode;
            out.push(c);
          }
        }
        break;
      }
      case SDL_KEYUP:
        m.kind = MessageKind::KeyUp;
        m.scancode = set1_from_sdl(e.key.keysym.scancode);
        out.push(m);
        break;
      case SDL_TEXTINPUT:
        for (const char* p = e.text.text; *p;) {
          int code = latin1_from_utf8(p);
          if (code < 0) continue;
          m.kind = MessageKind::Char;
          m.ch = static_cast<uint8_t>(code);
          out.push(m);
        }
        break;
      case SDL_MOUSEWHEEL:
        m.kind = MessageKind::Wheel;
        m.value = (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y) * 120;
        out.push(m);
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED || e.window.event == SDL_WINDOWEVENT_RESTORED ||
            e.window.event == SDL_WINDOWEVENT_SHOWN) {
          m.kind = MessageKind::Activate;
          out.push(m);
        } else if (e.window.event == SDL_WINDOWEVENT_MINIMIZED || e.window.event == SDL_WINDOWEVENT_HIDDEN) {
          m.kind = MessageKind::Deactivate;
          out.push(m);
        } else if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
          m.kind = MessageKind::Close;
          out.push(m);
        }
        break;
      case SDL_QUIT:
        m.kind = MessageKind::Close;
        out.push(m);
        break;
      default: break;
    }
  }
}

void cursor_show(bool show) {
  if (desktop().video) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

void mouse_state(int32_t& x, int32_t& y, int32_t& buttons) {
  int mx = 0, my = 0;
  Uint32 b = desktop().video ? SDL_GetMouseState(&mx, &my) : 0;
  x = mx;
  y = my;
  buttons = ((b & SDL_BUTTON_LMASK) ? 1 : 0) | ((b & SDL_BUTTON_RMASK) ? 2 : 0) | ((b & SDL_BUTTON_MMASK) ? 4 : 0);
}

int32_t take_mouse_presses() {
  const int32_t pressed = desktop().buttons_pressed;
  desktop().buttons_pressed = 0;
  return pressed;
}

bool key_held(uint8_t scancode) {
  if (!desktop().video || scancode == 0) return false;
  int n = 0;
  const Uint8* keys = SDL_GetKeyboardState(&n);
  for (int i = 0; i < n; ++i)
    if (keys[i] && set1_from_sdl(i) == scancode) return true;
  return false;
}

int message_box(const char* caption, const std::string& text, const char* const* buttons, int count, bool error) {
  SDL_MessageBoxButtonData data[4];
  if (count > 4) count = 4;
  // SDL lays buttons out right to left on some desktops; keep the given order.
  for (int i = 0; i < count; ++i) {
    data[i].flags = i == 0 ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT : 0;
    data[i].buttonid = i;
    data[i].text = buttons[i];
  }
  SDL_MessageBoxData box{};
  box.flags = (error ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION) | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
  box.window = desktop().window;
  box.title = caption;
  box.message = text.c_str();
  box.numbuttons = count;
  box.buttons = data;
  int chosen = -1;
  if (SDL_ShowMessageBox(&box, &chosen) != 0) return -1;
  return chosen;
}

namespace {
std::string& headless_clipboard() {
  static std::string text;
  return text;
}
}  // namespace

std::string clipboard_text() {
  if (headless() || !SDL_WasInit(SDL_INIT_VIDEO)) return headless_clipboard();
  char* text = SDL_GetClipboardText();
  std::string out = text ? text : "";
  SDL_free(text);
  return out;
}

void set_clipboard_text(const std::string& text) {
  if (headless() || !SDL_WasInit(SDL_INIT_VIDEO)) {
    headless_clipboard() = text;
    return;
  }
  SDL_SetClipboardText(text.c_str());
}

}  // namespace platform
