#include "editors/brain_text.h"

#include <algorithm>

namespace editors {

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool starts_with_ci(std::string_view line, std::string_view word) {
  if (line.size() < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (lower(line[i]) != word[i]) return false;
  return true;
}

bool keeps(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 32 && u <= 122;
}

}  // namespace

LoadedText convert_for_editing(std::string_view file) {
  LoadedText out;
  std::string line;
  for (size_t i = 0; i < file.size(); ++i) {
    const char c = file[i];
    if (c == '\r') {
      out.lines.push_back(std::move(line));
      line.clear();
      if (i + 1 < file.size() && file[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      // A line feed alone is a line end of another system's text; it is
      // not kept as a character, so nothing is lost by taking it as one.
      out.lines.push_back(std::move(line));
      line.clear();
    } else if (c == '\t') {
      line += "   ";
    } else if (keeps(c)) {
      line += c;
    } else {
      ++out.dropped;
    }
  }
  if (!line.empty() || out.lines.empty()) out.lines.push_back(std::move(line));
  return out;
}

std::string text_with_crlf(const std::vector<std::string>& lines) {
  std::string out;
  if (lines.size() == 1 && lines[0].empty()) return out;
  for (const std::string& l : lines) {
    out += l;
    out += "\r\n";
  }
  return out;
}

void indent_all(std::vector<std::string>& lines) {
  int level = 0;
  for (std::string& l : lines) {
    const size_t first = l.find_first_not_of(' ');
    l.erase(0, first == std::string::npos ? l.size() : first);
    int indent = level;
    if (starts_with_ci(l, "endif")) {
      level = std::max(level - 2, 0);
      indent = level;
    } else if (starts_with_ci(l, "else")) {
      indent = std::max(level - 2, 0);
    } else if (starts_with_ci(l, "if ")) {
      level += 2;
    }
    if (!l.empty()) l.insert(0, static_cast<size_t>(indent), ' ');
  }
}

BrainText::BrainText(std::vector<std::string> lines) : lines_(std::move(lines)) {
  if (lines_.empty()) lines_.emplace_back();
}

size_t BrainText::text_bytes() const {
  size_t n = 0;
  for (const std::string& l : lines_) n += l.size() + 1;
  return n;
}

void BrainText::set_view(int32_t top, int32_t column, int32_t row) {
  const auto last = static_cast<int32_t>(lines_.size()) - 1;
  top_ = std::clamp(top, 0, last);
  column_ = std::clamp(column, 0, kTextColumns - 1);
  row_ = std::clamp(row, 0, std::min(kTextRows - 1, last - top_));
  collapse();
}

void BrainText::set_cursor(Position p) {
  const auto last = static_cast<int32_t>(lines_.size()) - 1;
  p.line = std::clamp(p.line, 0, last);
  p.column = std::clamp(p.column, 0, kTextColumns - 1);
  if (p.line < top_) top_ = p.line;
  if (p.line > top_ + kTextRows - 1) top_ = p.line - (kTextRows - 1);
  row_ = p.line - top_;
  column_ = p.column;
}

void BrainText::selection(Position& from, Position& to) const {
  from = cursor();
  to = end_;
  const auto last = static_cast<int32_t>(lines_.size()) - 1;
  to.line = std::clamp(to.line, 0, last);
  if (to.line < from.line || (to.line == from.line && to.column < from.column)) std::swap(from, to);
  from.column = std::min<int32_t>(from.column, static_cast<int32_t>(line_at(from.line).size()));
  to.column = std::min<int32_t>(to.column, static_cast<int32_t>(line_at(to.line).size()));
}

std::string BrainText::selected_text() const {
  if (!has_selection()) return {};
  Position a, b;
  selection(a, b);
  if (a.line == b.line)
    return line_at(a.line).substr(static_cast<size_t>(a.column), static_cast<size_t>(b.column - a.column));
  std::string out = line_at(a.line).substr(static_cast<size_t>(a.column));
  for (int32_t l = a.line + 1; l < b.line; ++l) out += "\r" + line_at(l);
  out += "\r" + line_at(b.line).substr(0, static_cast<size_t>(b.column));
  return out;
}

bool BrainText::delete_selection() {
  if (!has_selection()) return false;
  snapshot();
  Position a, b;
  selection(a, b);
  std::string joined = line_at(a.line).substr(0, static_cast<size_t>(a.column)) +
                       line_at(b.line).substr(static_cast<size_t>(b.column));
  lines_.erase(lines_.begin() + a.line + 1, lines_.begin() + b.line + 1);
  line_at(a.line) = std::move(joined);
  set_cursor(a);
  collapse();
  changed_ = true;
  return true;
}

void BrainText::type(char c) {
  if (!keeps(c)) return;
  if (delete_selection()) {
  } else if (column_ >= kTextColumns - 1) {
    return;
  } else {
    snapshot();
  }
  if (column_ >= kTextColumns - 1) return;
  std::string& l = line_at(top_ + row_);
  if (l.size() < static_cast<size_t>(column_)) l.resize(static_cast<size_t>(column_), ' ');
  l.insert(static_cast<size_t>(column_), 1, c);
  ++column_;
  collapse();
  changed_ = true;
}

void BrainText::enter() {
  if (!delete_selection()) snapshot();
  const int32_t line = top_ + row_;
  std::string& l = line_at(line);
  const size_t at = std::min(l.size(), static_cast<size_t>(column_));
  std::string rest = l.substr(at);
  l.erase(at);
  lines_.insert(lines_.begin() + line + 1, std::move(rest));
  set_cursor({line + 1, 0});
  collapse();
  changed_ = true;
}

void BrainText::backspace() {
  const int32_t line = top_ + row_;
  if (column_ == 0) {
    if (line == 0) return;
    snapshot();
    const auto prev = static_cast<int32_t>(line_at(line - 1).size());
    line_at(line - 1) += line_at(line);
    lines_.erase(lines_.begin() + line);
    set_cursor({line - 1, std::min(prev, kTextColumns - 1)});
  } else {
    std::string& l = line_at(line);
    if (static_cast<size_t>(column_) <= l.size()) {
      snapshot();
      line_at(line).erase(static_cast<size_t>(column_ - 1), 1);
    }
    --column_;
  }
  collapse();
  changed_ = true;
}

void BrainText::delete_key() {
  if (delete_selection()) return;
  std::string& l = line_at(top_ + row_);
  if (static_cast<size_t>(column_) >= l.size()) return;
  snapshot();
  line_at(top_ + row_).erase(static_cast<size_t>(column_), 1);
  changed_ = true;
}

void BrainText::tab() {
  if (column_ >= kTextColumns - 2) return;
  const int32_t n = 2 - column_ % 2;
  snapshot();
  std::string& l = line_at(top_ + row_);
  if (l.size() < static_cast<size_t>(column_)) l.resize(static_cast<size_t>(column_), ' ');
  l.insert(static_cast<size_t>(column_), static_cast<size_t>(n), ' ');
  column_ += n;
  collapse();
  changed_ = true;
}

void BrainText::home() {
  column_ = 0;
  collapse();
}

void BrainText::end_key() {
  column_ = std::min<int32_t>(static_cast<int32_t>(line_at(top_ + row_).size()), kTextColumns - 1);
  collapse();
}

void BrainText::left(bool shift) {
  if (shift) {
    end_.column = std::max(end_.column - 1, 0);
    return;
  }
  column_ = std::max(column_ - 1, 0);
  collapse();
}

void BrainText::right(bool shift) {
  if (shift) {
    end_.column = std::min(end_.column + 1, kTextColumns - 1);
    return;
  }
  column_ = std::min(column_ + 1, kTextColumns - 1);
  collapse();
}

void BrainText::up(bool shift) {
  if (shift) {
    end_.line = std::max(end_.line - 1, 0);
    return;
  }
  set_cursor({top_ + row_ - 1, column_});
  collapse();
}

void BrainText::down(bool shift) {
  const auto last = static_cast<int32_t>(lines_.size()) - 1;
  if (shift) {
    end_.line = std::min(end_.line + 1, last);
    return;
  }
  set_cursor({top_ + row_ + 1, column_});
  collapse();
}

void BrainText::page_up() {
  top_ = std::max(top_ - kTextRows, 0);
  row_ = 0;
  collapse();
}

void BrainText::page_down() {
  const auto last = static_cast<int32_t>(lines_.size()) - 1;
  top_ = std::min(top_ + kTextRows - 1, last);
  row_ = std::min(kTextRows - 1, last - top_);
  collapse();
}

void BrainText::wheel(int32_t lines) {
  const auto last = static_cast<int32_t>(lines_.size()) - 1;
  top_ = std::clamp(top_ + lines, 0, last);
  row_ = std::min(row_, last - top_);
  collapse();
}

void BrainText::press(int32_t x, int32_t y) {
  set_cursor({top_ + std::clamp(y / 12, 0, kTextRows - 1), std::clamp(x / 8, 0, kTextColumns - 1)});
  collapse();
}

void BrainText::drag(int32_t x, int32_t y) {
  const auto last = static_cast<int32_t>(lines_.size()) - 1;
  int32_t r = std::clamp(y / 12, 0, kTextRows - 1);
  int32_t c = std::clamp(x / 8, 0, kTextColumns - 1);
  if (x <= 0 && r > 0) {
    --r;
    c = kTextColumns - 1;
  }
  end_ = {std::min(top_ + r, last), c};
}

void BrainText::delete_line() {
  snapshot();
  const int32_t line = top_ + row_;
  if (lines_.size() == 1) {
    lines_[0].clear();
  } else {
    lines_.erase(lines_.begin() + line);
  }
  set_cursor({line, column_});
  collapse();
  changed_ = true;
}

void BrainText::indent() {
  snapshot();
  indent_all(lines_);
  collapse();
  changed_ = true;
}

void BrainText::insert_text(std::string_view text) {
  int32_t line = top_ + row_;
  std::string& l = line_at(line);
  if (l.size() < static_cast<size_t>(column_)) l.resize(static_cast<size_t>(column_), ' ');
  std::string tail = l.substr(static_cast<size_t>(column_));
  l.erase(static_cast<size_t>(column_));
  const LoadedText parts = convert_for_editing(text);
  size_t n = 0;
  for (const std::string& part : parts.lines) {
    if (n++ > 0) lines_.insert(lines_.begin() + ++line, std::string());
    line_at(line) += part;
  }
  // A text ending in a line break leaves the cursor at the start of a new line.
  if (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
    lines_.insert(lines_.begin() + ++line, std::string());
  const auto column = static_cast<int32_t>(line_at(line).size());
  line_at(line) += tail;
  set_cursor({line, std::min(column, kTextColumns - 1)});
  collapse();
  changed_ = true;
}

void BrainText::cut(std::string& clip) {
  clip = selected_text();
  delete_selection();
}

void BrainText::paste(std::string_view clip) {
  if (!delete_selection()) snapshot();
  if (!clip.empty()) insert_text(clip);
}

void BrainText::store_search() {
  Position a, b;
  selection(a, b);
  search_ = selected_text().substr(0, kSearchMax);
  search_height_ = b.line - a.line;
  search_width_ = search_height_ == 0 ? b.column - a.column : b.column;
}

bool BrainText::find() {
  if (search_.empty()) return false;
  // The text as one run with CR line ends, searched after the cursor.
  std::string all;
  std::vector<size_t> starts;
  for (const std::string& l : lines_) {
    starts.push_back(all.size());
    all += l;
    all += '\r';
  }
  const Position c = cursor();
  const size_t from = starts[static_cast<size_t>(c.line)] +
                      std::min<size_t>(static_cast<size_t>(c.column) + 1,
                                       lines_[static_cast<size_t>(c.line)].size() + 1);
  for (size_t i = from; i + search_.size() <= all.size(); ++i) {
    bool same = true;
    for (size_t k = 0; k < search_.size() && same; ++k) same = lower(all[i + k]) == lower(search_[k]);
    if (!same) continue;
    const auto line = static_cast<int32_t>(std::upper_bound(starts.begin(), starts.end(), i) - starts.begin() - 1);
    const auto column = static_cast<int32_t>(i - starts[static_cast<size_t>(line)]);
    top_ = line;
    row_ = 0;
    column_ = std::min(column, kTextColumns - 1);
    end_ = search_height_ == 0
               ? Position{line, std::min(column_ + search_width_, kTextColumns - 1)}
               : Position{std::min(line + search_height_, static_cast<int32_t>(lines_.size()) - 1), search_width_};
    return true;
  }
  return false;
}

BrainText::Snapshot BrainText::present() const { return {top_, column_, row_, lines_}; }

void BrainText::restore(const Snapshot& s) {
  lines_ = s.lines;
  top_ = s.top;
  column_ = s.column;
  row_ = s.row;
  collapse();
  changed_ = true;
}

void BrainText::snapshot() {
  if (text_bytes() > kUndoSnapshotBytes) {
    // Too long for a snapshot: editing goes on without undo.
    ring_.clear();
    undo_at_ = 0;
    return;
  }
  ring_.resize(undo_at_);
  ring_.push_back(present());
  if (ring_.size() > kUndoSlots) ring_.erase(ring_.begin());
  undo_at_ = ring_.size();
}

bool BrainText::undo() {
  undo_refused_ = text_bytes() > kUndoSnapshotBytes;
  if (undo_refused_ || undo_at_ == 0) return false;
  if (undo_at_ == ring_.size()) {
    ring_.push_back(present());
    if (ring_.size() > kUndoSlots) {
      ring_.erase(ring_.begin());
      --undo_at_;
    }
    if (undo_at_ == 0) return false;
  }
  --undo_at_;
  restore(ring_[undo_at_]);
  return true;
}

bool BrainText::redo() {
  if (undo_at_ + 1 >= ring_.size()) return false;
  ++undo_at_;
  restore(ring_[undo_at_]);
  return true;
}

}  // namespace editors
