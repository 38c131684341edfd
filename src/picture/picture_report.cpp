// InspectDibFile: the reader's verdict on one picture, for the media check.
#include "picture/picture_report.h"

#include <cstdint>

#include "picture/dib_file.h"

namespace relvo::picture {

PictureReport InspectDibFile(FileSystem& fs, const std::string& path) {
  PictureBlock block;
  std::uint16_t bitsOffset = 0;
  PictureReport r;
  r.drawable = ReadDibFile(fs, path, block, bitsOffset) == 1;
  const DibHeader& h = block.header;
  r.width = h.width;
  // A top-down picture counts its rows as a negative height.
  r.height = h.height == INT32_MIN ? INT32_MAX : (h.height < 0 ? -h.height : h.height);
  r.bitCount = h.bitCount;
  if (!r.drawable) r.reason = DibErrorText(block.error);
  return r;
}

}  // namespace relvo::picture
