// Glyphs, wrapping and the cell grid of the console's pages.
#include "fw/console/text_grid.h"

#include "base/sjis.h"
#include "fw/console/terminal.h"

namespace relvo::fw::console {

std::vector<GlyphLine> TextLines(std::string_view s, bool keepLineBreaks) {
  std::vector<GlyphLine> lines(1);
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = sjis::char_len(s, i);
    const std::string_view ch = s.substr(i, n);
    i += n;
    if (keepLineBreaks && (ch == "\n" || (ch == "\r" && i < s.size() && s[i] == '\n'))) {
      if (ch == "\r") ++i;
      lines.emplace_back();
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(ch[0]);
    const std::string shown = ForTerminal(ch);
    if (n == 2) {
      lines.back().push_back(Glyph{shown, 2});
    } else if (c >= 0x80) {
      lines.back().push_back(Glyph{shown, 1});  // half-width katakana, or a stray byte shown as one sign
    } else {
      for (char e : shown) lines.back().push_back(Glyph{std::string(1, e), 1});  // ASCII, or its escape
    }
  }
  return lines;
}

std::vector<GlyphLine> WrapText(std::string_view s, bool keepLineBreaks, int width) {
  std::vector<GlyphLine> out;
  for (GlyphLine& line : TextLines(s, keepLineBreaks)) {
    GlyphLine cur;
    int used = 0;
    for (Glyph& g : line) {
      if (used + g.width > width && !cur.empty()) {
        out.push_back(std::move(cur));
        cur.clear();
        used = 0;
      }
      used += g.width;
      cur.push_back(std::move(g));
    }
    out.push_back(std::move(cur));
  }
  return out;
}

int LineWidth(const GlyphLine& line) {
  int w = 0;
  for (const Glyph& g : line) w += g.width;
  return w;
}

void TextGrid::reserve_rows(int rows) {
  while (static_cast<int>(rows_.size()) < rows) rows_.emplace_back(static_cast<std::size_t>(width_), " ");
}

void TextGrid::put(int row, int col, const Glyph& g) {
  if (row < 0 || col < 0 || col + g.width > width_) return;
  reserve_rows(row + 1);
  std::vector<std::string>& r = rows_[static_cast<std::size_t>(row)];
  // A wide glyph cut in half by this write leaves a blank, never half a sign.
  auto clear = [&](int at) {
    if (at < 0 || at >= width_) return;
    if (r[at].empty() && at > 0) r[at - 1] = " ";
    if (at + 1 < width_ && r[at + 1].empty()) r[at + 1] = " ";
    r[at] = " ";
  };
  for (int k = 0; k < g.width; ++k) clear(col + k);
  r[col] = g.utf8;
  for (int k = 1; k < g.width; ++k) r[col + k].clear();
}

void TextGrid::put(int row, int col, const GlyphLine& line) {
  for (const Glyph& g : line) {
    if (col + g.width > width_) break;
    put(row, col, g);
    col += g.width;
  }
}

void TextGrid::put_ascii(int row, int col, std::string_view ascii) {
  for (char c : ascii) put(row, col++, Glyph{std::string(1, c), 1});
}

std::string TextGrid::str() const {
  std::string out;
  for (const std::vector<std::string>& r : rows_) {
    std::string line;
    for (const std::string& cell : r) line += cell;
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line;
    out += '\n';
  }
  return out;
}

void DrawFrame(TextGrid& grid, int top, int col, int rows, int cols, const GlyphLine& label, bool openRight,
               const GlyphLine& bottomLabel) {
  if (rows < 2 || cols < 2) return;
  const int edge = cols - (openRight ? 1 : 2);
  const std::string line = "+" + std::string(static_cast<std::size_t>(edge), '-') + (openRight ? "" : "+");
  grid.put_ascii(top, col, line);
  if (LineWidth(label) <= edge) grid.put(top, col + 1, label);
  grid.put_ascii(top + rows - 1, col, line);
  if (LineWidth(bottomLabel) <= edge) grid.put(top + rows - 1, col + 1, bottomLabel);
  for (int r = top + 1; r < top + rows - 1; ++r) {
    grid.put_ascii(r, col, "|");
    if (!openRight) grid.put_ascii(r, col + cols - 1, "|");
  }
}

Glyph HalfBlock(std::uint32_t upper, std::uint32_t lower) {
  auto rgb = [](std::uint32_t p) {
    return std::to_string((p >> 16) & 0xFF) + ";" + std::to_string((p >> 8) & 0xFF) + ";" + std::to_string(p & 0xFF);
  };
  return Glyph{"\x1b[38;2;" + rgb(upper) + "m\x1b[48;2;" + rgb(lower) + "m\xE2\x96\x80\x1b[0m", 1};
}

}  // namespace relvo::fw::console
