// The tool screen: the 640 x 480 image of palette indices every tool mode
// draws on (the tool_screen pool of core), and its primitives: rectangles,
// lines, panels with a title bar, frames, buttons, and text in the current
// tool font. Rectangles are (left, top, right, bottom), inclusive, in
// tool-screen pixels. Everything is clipped to the screen; nothing here
// allocates except the helpers that answer a std::string.
//
// The interface image (panels.h) supplies the frame tiles, the colours and
// the graphics; the mouse position of media::input() is read as tool-screen
// pixels, as the pointer is drawn.
#pragma once

#include <climits>
#include <cstdint>
#include <string>
#include <string_view>

namespace ui {

constexpr int32_t kScreenWidth = 640;
constexpr int32_t kScreenHeight = 480;
constexpr int kButtonCount = 50;
// Answers of button_under_mouse besides a button index.
constexpr int kNoButton = -1;
constexpr int kCloseBox = INT_MAX;
// Lines of a message box are wrapped at this width.
constexpr int32_t kWrapWidth = 560;

struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  bool contains(int32_t x, int32_t y) const { return x >= left && x <= right && y >= top && y <= bottom; }
  bool operator==(const Rect&) const = default;
};

// The interface colours: palette indices read from the panels image.
enum class Colour {
  panel,       // panel fill, pixel (0, 0)
  title,       // title bar, pixel (28, 3)
  button,      // raised button fill, pixel (52, 0)
  field,       // input-field fill, pixel (88, 0)
  message,     // message text, pixel (49, 0)
  label,       // button label and input cursor, pixel (37, 0)
  menu_label,  // menu item labels, pixel (38, 0)
  field_text,  // text of the input box and the selectors, pixel (85, 0)
  field_back,  // background of the input box's field, pixel (86, 0)
  extra_13,    // further colours offered to tools: pixel (13, 0),
  extra_36,    // pixel (36, 0)
  extra_57,    // and pixel (57, 0)
};
uint8_t colour(Colour c);
// A pixel of the panels image (0 outside it).
uint8_t panel_pixel(int32_t x, int32_t y);

// The screen's pixels (640 x 480, rows contiguous).
uint8_t* screen();

void clear_screen();
// Colour 0..255 paints; a negative colour XORs every pixel with its
// magnitude (selection highlights, rubber bands).
void fill(Rect r, int32_t colour);
void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t colour);
void outline(Rect r, int32_t colour);
// An XOR outline whose corners are changed once, so drawing it twice
// leaves the screen as it was.
void xor_outline(Rect r, int32_t colour);
// Copies an image (`pitch` bytes a row) with its top-left corner at (x, y);
// with `transparent`, colour 0 leaves the screen as it was.
void paste(const uint8_t* pixels, int32_t width, int32_t height, int32_t pitch, int32_t x, int32_t y, bool transparent);

// A framed panel with the title bar, its graphic and the minimise and close
// boxes (the close box drawn active or not). Left, top, right and bottom
// are rounded down to multiples of 4 and the panel covers rounded left to
// rounded right - 1. Empties the button table.
void draw_panel(Rect r, bool close_active);
// The panel frame and fill without a title bar (button table kept).
void draw_frame(Rect r);
// A raised button (or an input field): the rectangle shrunk by 4 on the
// right and bottom filled, the frame drawn, the rectangle stored in the
// button table. Its index, or -1 (nothing drawn) when the 50 entries are
// all in use.
int add_button(Rect r, bool input_field);
// The frame of a button or input field alone, covering left..right - 1.
void button_frame(Rect r, bool input_field);
// The text centred in a button, in the current text colour; nothing for a
// free entry.
void button_label(std::string_view text, int index);
// A button's rectangle (all -1 for a free entry) and whether it is an input
// field.
Rect button_rect(int index);
bool button_is_field(int index);
// The first button holding the mouse, kCloseBox over an active close box,
// else kNoButton. A left button held over the minimise box minimises the
// window, waits until it is active again, presents the screen and answers
// kNoButton.
int button_under_mouse();
// The close and minimise boxes of the last panel.
Rect close_box();
Rect minimise_box();

// Text in the current tool font (media::tool_font()).
int32_t text_width(std::string_view text);
int32_t font_height();   // glyph height + line gap
int32_t glyph_height();  // glyph height alone
// The width of "Mm0wW" / 5.
int32_t average_char_width();
void set_text_colour(uint8_t colour);
uint8_t text_colour();
// From (x, y): a space advances by the space width, CR sets x to 0, LF moves
// down a line; characters that would cross an edge of the screen are not
// drawn. The position after the text becomes the current text position.
void draw_text(std::string_view text, int32_t x, int32_t y);
// The same, but characters that would reach past `right` are not drawn.
void draw_text_clipped(std::string_view text, int32_t x, int32_t y, int32_t right);
// Centred on (cx, cy): x = cx - width / 2, y = cy - glyph height / 2.
void draw_centred_text(std::string_view text, int32_t cx, int32_t cy);
// Words laid out greedily into lines no wider than the rectangle, the
// block centred vertically and each line horizontally.
void draw_wrapped_text(std::string_view text, Rect r);
// The text and a line break at the current text position, or into the
// print file while one is open.
void print_line(std::string_view text);
// Print lines go to a file (written when it closes); false when the file
// cannot be opened.
bool open_print_file(const std::string& path);
void close_print_file();

// `|` line breaks inserted before every word that would make its line wider
// than 560 pixels; each word keeps a trailing space and a word holding `|`
// starts a new line count after it.
std::string word_wrap(std::string_view text);
// The lines of a `|`-separated text; `count` of them at most are stored.
int split_lines(std::string_view text, std::string_view* lines, int count);

// Shows the tool screen on the display (at the mode's placement, or
// stretched over the whole display), with the pointer unless it is hidden.
void present();
void present_stretched();
// Fills the display with black.
void clear_display();

}  // namespace ui
