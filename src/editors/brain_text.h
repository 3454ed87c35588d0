// The brain editor's text: the loaded brain as lines, the 80 x 40 view, the
// cursor and the selection, the search text, the clipboard, the undo ring
// and indentation. Everything here is plain data and editing steps; the
// screen loop and the mode flow are in brain_editor.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace editors {

constexpr int kTextColumns = 80;
constexpr int kTextRows = 40;
constexpr int kUndoSlots = 8;
constexpr size_t kUndoSnapshotBytes = 65520;
constexpr size_t kSearchMax = 503;
constexpr uint32_t kClipboardMarker = 0xF1CAF1CAu;

// A brain file converted for editing: tabs become 3 blanks, CR ends a line,
// LF is taken as a line end of its own only when no CR is next to it, the
// characters 32 to 122 are kept and every other byte is dropped (`dropped`
// counts them).
struct LoadedText {
  std::vector<std::string> lines;  // at least one
  size_t dropped = 0;
};
LoadedText convert_for_editing(std::string_view file);

// The lines written back with CR LF after each (a text of one empty line is
// an empty file).
std::string text_with_crlf(const std::vector<std::string>& lines);

// Indent all: leading blanks removed, then "if " lines raise the level by 2
// after themselves, "else" lines sit 2 to the left, "endif" lines lower it
// before themselves (letters in any case; the level never goes below 0).
void indent_all(std::vector<std::string>& lines);

struct Position {
  int32_t line = 0;  // index into the lines
  int32_t column = 0;
  bool operator==(const Position&) const = default;
};

class BrainText {
 public:
  explicit BrainText(std::vector<std::string> lines);

  const std::vector<std::string>& lines() const { return lines_; }
  int32_t top() const { return top_; }
  int32_t column() const { return column_; }
  int32_t row() const { return row_; }
  Position cursor() const { return {top_ + row_, column_}; }
  Position selection_end() const { return end_; }
  bool has_selection() const { return !(end_ == cursor()); }
  // The selection as an ordered pair (columns clamped to the line ends).
  void selection(Position& from, Position& to) const;
  std::string selected_text() const;
  // Set when the text is too long for an undo snapshot and undo was asked.
  bool undo_refused() const { return undo_refused_; }

  // The view and cursor (the top line is kept within the text).
  void set_view(int32_t top, int32_t column, int32_t row);

  // Editing, as the keys of the editor do them.
  void type(char c);
  void enter();
  void backspace();
  void delete_key();
  void tab();
  void home();
  void end_key();
  void left(bool shift);
  void right(bool shift);
  void up(bool shift);
  void down(bool shift);
  void page_up();
  void page_down();
  void wheel(int32_t lines);
  void press(int32_t x, int32_t y);  // the mouse in screen pixels
  void drag(int32_t x, int32_t y);
  void delete_line();
  void indent();
  bool delete_selection();  // false when there was none

  // Clipboard and search.
  std::string copy() const { return selected_text(); }
  void cut(std::string& clip);
  void paste(std::string_view clip);
  void store_search();
  bool find();
  const std::string& search_text() const { return search_; }

  // The undo ring: a snapshot before each change; undo and redo walk it.
  bool undo();
  bool redo();

  bool changed() const { return changed_; }

 private:
  struct Snapshot {
    int32_t top = 0, column = 0, row = 0;
    std::vector<std::string> lines;
  };
  void snapshot();
  Snapshot present() const;
  void restore(const Snapshot& s);
  void collapse() { end_ = cursor(); }
  void set_cursor(Position p);
  void scroll_to_cursor_line(int32_t line);
  void insert_text(std::string_view text);
  std::string& line_at(int32_t i) { return lines_[static_cast<size_t>(i)]; }
  const std::string& line_at(int32_t i) const { return lines_[static_cast<size_t>(i)]; }
  size_t text_bytes() const;

  std::vector<std::string> lines_;
  int32_t top_ = 0, column_ = 0, row_ = 0;
  Position end_;
  std::string search_;
  int32_t search_width_ = 0, search_height_ = 0;
  std::vector<Snapshot> ring_;
  size_t undo_at_ = 0;  // ring_.size() when the present is not stored
  bool undo_refused_ = false;
  bool changed_ = false;
};

}  // namespace editors
