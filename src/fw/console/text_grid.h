// Laying texts out in terminal cells: CP932 texts cut into glyphs that know
// their width, wrapped to a width, and drawn on a grid of cells that prints
// as UTF-8.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace relvo::fw::console {

// One character as the terminal shows it: its UTF-8 bytes (or an escape
// sequence of ours) and the cells it takes, 1 or 2.
struct Glyph {
  std::string utf8;
  int width = 1;
};
using GlyphLine = std::vector<Glyph>;

// The lines of a CP932 text as a terminal shows it (through ForTerminal):
// single-byte characters (ASCII, half-width katakana) take one cell,
// double-byte characters two, control characters their escape. With
// keepLineBreaks, LF and CR LF break lines; otherwise the text is one line.
std::vector<GlyphLine> TextLines(std::string_view cp932, bool keepLineBreaks);

// The same text's lines cut to at most width cells each (at least one line).
std::vector<GlyphLine> WrapText(std::string_view cp932, bool keepLineBreaks, int width);

// Cells taken by a line.
int LineWidth(const GlyphLine& line);

// The half-block of one cell: the upper pixel (0x00RRGGBB) as foreground,
// the lower as background, in 24-bit colour.
Glyph HalfBlock(std::uint32_t upper, std::uint32_t lower);

// A grid of cells, blank at first, that grows downwards as rows are written.
class TextGrid {
 public:
  explicit TextGrid(int width) : width_(width) {}
  int width() const { return width_; }

  // Writes line from (row, col), clipped at the right edge; a wide glyph
  // that does not fit whole is left out.
  void put(int row, int col, const GlyphLine& line);
  void put(int row, int col, const Glyph& g);
  // An ASCII text (the grid's own frames and labels).
  void put_ascii(int row, int col, std::string_view ascii);
  // Makes sure rows 0..rows-1 exist.
  void reserve_rows(int rows);

  // The grid as UTF-8 lines, each ended by LF, trailing blanks removed.
  std::string str() const;

 private:
  // Each cell holds its glyph's bytes; the second cell of a wide glyph is
  // empty (nothing is printed for it).
  std::vector<std::vector<std::string>> rows_;
  int width_;
};

// The one frame of the console, for the boxes of pages and for message
// boxes: '+' corners, '-' edges and '|' sides around rows [top, top + rows)
// and columns [col, col + cols), label written into the top edge and
// bottomLabel into the bottom one, after the corner, when they fit.
// openRight leaves out the right side and corners, for a box whose lines
// may run on past its width (a message box).
void DrawFrame(TextGrid& grid, int top, int col, int rows, int cols, const GlyphLine& label, bool openRight = false,
               const GlyphLine& bottomLabel = {});

}  // namespace relvo::fw::console
