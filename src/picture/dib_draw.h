// Drawing a bitmap file stretched into a rectangle of a device context,
// with a logical palette made from its color table.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "fw/dc.h"
#include "picture/dib_file.h"
#include "platform/files.h"

namespace relvo::picture {

// The palette to select for a picture: one made from its color table (owned
// here, deleted with this object) or the device's stock default palette.
class DibPalette {
 public:
  DibPalette() = default;
  explicit DibPalette(std::unique_ptr<fw::Palette> owned) : owned_(std::move(owned)), use_(owned_.get()) {}
  explicit DibPalette(fw::Palette& stock) : use_(&stock) {}
  // The palette to select; nullptr when none could be made.
  fw::Palette* get() const { return use_; }
  bool is_stock() const { return use_ != nullptr && !owned_; }

 private:
  std::unique_ptr<fw::Palette> owned_;
  fw::Palette* use_ = nullptr;
};

// A palette for the block's picture: the stock default palette when its
// header's color-used count is 0 (a picture without a color table);
// otherwise a palette of nColors entries, entry i the red, green and blue of
// color table entry i. Empty when the device could not make the palette
// or block holds no picture that ReadDibFile read.
DibPalette CreateDibPalette(fw::Dc& dc, const PictureBlock& block);

// Reads the bitmap file at path and draws it with its top-left corner at
// rect.left, rect.top, rect.right pixels wide and rect.bottom pixels high,
// combined by the raster operation rop. Returns 1 when the file was read
// and drawn (whatever the stretch reported), 0 when it could not be read;
// nothing is drawn then. The palette is selected back and deleted, and the
// picture freed, before it returns.
int DrawDibFile(FileSystem& fs, fw::Dc& dc, const fw::Rect& rect, const std::string& path, std::uint32_t rop);

}  // namespace relvo::picture
