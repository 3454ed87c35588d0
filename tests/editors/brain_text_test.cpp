// The brain editor's text model: loading, keys, selection, search, undo and
// indentation, without the screen.
#include "editors/brain_text.h"

#include <gtest/gtest.h>

namespace {

using editors::BrainText;
using editors::convert_for_editing;
using Lines = std::vector<std::string>;

BrainText text_of(Lines lines) { return BrainText(std::move(lines)); }

TEST(BrainTextLoad, ConvertsTabsLineEndsAndDropsWhatItCannotShow) {
  const auto t = convert_for_editing("a\tb\nc|d{e}\r\nf~\x80g\rh");
  EXPECT_EQ(t.lines, (Lines{"a   b", "cde", "fg", "h"}));
  EXPECT_EQ(t.dropped, 5u);
  EXPECT_EQ(convert_for_editing("").lines, Lines{""});
  EXPECT_EQ(convert_for_editing("x\r\n").lines, Lines{"x"});
  // Saved with CR LF after every line; an empty text stays an empty file.
  EXPECT_EQ(editors::text_with_crlf({"a", "", "b"}), "a\r\n\r\nb\r\n");
  EXPECT_EQ(editors::text_with_crlf({""}), "");
}

TEST(BrainTextKeys, TypingEnterBackspaceDeleteAndTab) {
  BrainText t = text_of({"ab"});
  t.end_key();
  t.type('c');
  t.type('|');  // nothing: not a character of brains
  t.type('{');
  EXPECT_EQ(t.lines(), Lines{"abc"});
  t.left(false);
  t.enter();
  EXPECT_EQ(t.lines(), (Lines{"ab", "c"}));
  EXPECT_EQ(t.row(), 1);
  EXPECT_EQ(t.column(), 0);
  t.backspace();  // joins the lines
  EXPECT_EQ(t.lines(), Lines{"abc"});
  EXPECT_EQ(t.column(), 2);
  t.delete_key();
  EXPECT_EQ(t.lines(), Lines{"ab"});
  t.delete_key();  // at the line end: nothing
  EXPECT_EQ(t.lines(), Lines{"ab"});
  t.home();
  t.backspace();  // at the very start: nothing
  EXPECT_EQ(t.lines(), Lines{"ab"});
  t.right(false);
  t.tab();  // column 1 -> 2
  EXPECT_EQ(t.lines(), Lines{"a b"});
  t.tab();  // column 2 -> 4
  EXPECT_EQ(t.lines(), Lines{"a   b"});
}

TEST(BrainTextKeys, TheLastColumnTakesNothing) {
  BrainText t = text_of({std::string(79, 'x')});
  t.set_view(0, 79, 0);
  t.type('y');
  t.tab();
  EXPECT_EQ(t.lines()[0].size(), 79u);
  // Typing beyond a line's end fills the gap with blanks.
  BrainText u = text_of({"a"});
  u.set_view(0, 4, 0);
  u.type('b');
  EXPECT_EQ(u.lines(), Lines{"a   b"});
}

TEST(BrainTextView, ScrollsAtTheEdgesAndPages) {
  Lines many;
  for (int i = 0; i < 100; ++i) many.push_back(std::to_string(i));
  BrainText t(many);
  for (int i = 0; i < 45; ++i) t.down(false);
  EXPECT_EQ(t.top(), 6);
  EXPECT_EQ(t.row(), 39);
  t.page_down();
  EXPECT_EQ(t.top(), 45);
  EXPECT_EQ(t.row(), 39);
  t.page_up();
  EXPECT_EQ(t.top(), 5);
  EXPECT_EQ(t.row(), 0);
  t.up(false);
  EXPECT_EQ(t.top(), 4);
  t.wheel(-3);
  EXPECT_EQ(t.top(), 1);
  t.wheel(-3);
  EXPECT_EQ(t.top(), 0);
  // The view never runs past the text.
  t.set_view(1000, 200, 200);
  EXPECT_EQ(t.top(), 99);
  EXPECT_EQ(t.row(), 0);
  EXPECT_EQ(t.column(), 79);
}

TEST(BrainTextSelection, ShiftAndMouseSelectCopyCutAndPaste) {
  BrainText t = text_of({"hello world", "second"});
  t.right(true);
  t.right(true);
  EXPECT_EQ(t.selected_text(), "he");
  t.down(true);
  EXPECT_EQ(t.selected_text(), "hello world\rse");
  // A movement without Shift collapses the selection.
  t.right(false);
  EXPECT_FALSE(t.has_selection());
  // The mouse: a press puts the cursor, a drag the selection end.
  t.press(6 * 8, 0);
  t.drag(11 * 8, 5);
  EXPECT_EQ(t.selected_text(), "world");
  std::string clip;
  t.cut(clip);
  EXPECT_EQ(clip, "world");
  EXPECT_EQ(t.lines()[0], "hello ");
  t.paste("big\r\nnew ");
  EXPECT_EQ(t.lines(), (Lines{"hello big", "new ", "second"}));
  EXPECT_EQ(t.cursor(), (editors::Position{1, 4}));
  // Typing over a selection replaces it.
  t.press(0, 24);
  t.drag(3 * 8, 24);
  t.type('S');
  EXPECT_EQ(t.lines()[2], "Sond");
  // Dragging to x = 0 below the first row ends the selection at column 79
  // of the row above.
  t.press(0, 0);
  t.drag(0, 12);
  EXPECT_EQ(t.selection_end(), (editors::Position{0, 79}));
}

TEST(BrainTextSearch, FindsAfterTheCursorIgnoringLetterCase) {
  BrainText t = text_of({"Speed = 1", "x", "if SPEED > 2", "speed"});
  t.right(true);
  t.right(true);
  t.right(true);
  t.right(true);
  t.right(true);
  t.store_search();
  EXPECT_EQ(t.search_text(), "Speed");
  ASSERT_TRUE(t.find());
  EXPECT_EQ(t.top(), 2);
  EXPECT_EQ(t.cursor(), (editors::Position{2, 3}));
  EXPECT_EQ(t.selected_text(), "SPEED");
  ASSERT_TRUE(t.find());
  EXPECT_EQ(t.cursor(), (editors::Position{3, 0}));
  EXPECT_FALSE(t.find());
}

TEST(BrainTextUndo, UndoAndRedoWalkTheRing) {
  BrainText t = text_of({""});
  t.type('a');
  t.type('b');
  t.type('c');
  ASSERT_TRUE(t.undo());
  EXPECT_EQ(t.lines(), Lines{"ab"});
  ASSERT_TRUE(t.undo());
  EXPECT_EQ(t.lines(), Lines{"a"});
  ASSERT_TRUE(t.redo());
  EXPECT_EQ(t.lines(), Lines{"ab"});
  ASSERT_TRUE(t.redo());
  EXPECT_EQ(t.lines(), Lines{"abc"});
  EXPECT_FALSE(t.redo());
  // A new change after an undo drops the redo steps.
  ASSERT_TRUE(t.undo());
  t.type('X');
  EXPECT_EQ(t.lines(), Lines{"abX"});
  EXPECT_FALSE(t.redo());
  // Eight snapshots: at most seven steps back.
  BrainText u = text_of({""});
  for (char c = 'a'; c <= 'l'; ++c) u.type(c);
  int steps = 0;
  while (u.undo()) ++steps;
  EXPECT_EQ(steps, 7);
  EXPECT_EQ(u.lines(), Lines{"abcde"});
}

TEST(BrainTextUndo, ATextBeyondOneSnapshotEditsWithoutUndo) {
  BrainText t(Lines(editors::kUndoSnapshotBytes / 10, std::string(20, 'x')));
  t.type('y');
  EXPECT_EQ(t.lines()[0], "y" + std::string(20, 'x'));
  EXPECT_FALSE(t.undo());
  EXPECT_TRUE(t.undo_refused());
  EXPECT_EQ(t.lines()[0][0], 'y');
}

TEST(BrainTextIndent, IndentAllFollowsIfElseEndif) {
  Lines lines{"  if a=1", "x=2", "   else", "x=3", "endif"};
  editors::indent_all(lines);
  EXPECT_EQ(lines, (Lines{"if a=1", "  x=2", "else", "  x=3", "endif"}));
  Lines nested{"IF a", "if b", "y", "endif", "ENDIF", "endif", "z"};
  editors::indent_all(nested);
  EXPECT_EQ(nested, (Lines{"IF a", "  if b", "    y", "  endif", "ENDIF", "endif", "z"}));
  // Alt+D removes the cursor's line.
  BrainText t = text_of({"a", "b", "c"});
  t.down(false);
  t.delete_line();
  EXPECT_EQ(t.lines(), (Lines{"a", "c"}));
}

}  // namespace
