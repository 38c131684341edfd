// Inspecting one picture file for the media check: the same reading and
// checks as drawing, without a device context.
#pragma once
#include <string>

#include "platform/files.h"

namespace relvo::picture {

struct PictureReport {
  bool drawable = false;  // DrawDibFile would draw it
  int width = 0;          // as in the header; 0 when the header was not read
  int height = 0;         // rows (positive, also for top-down pictures)
  int bitCount = 0;
  std::string reason;     // why not drawable (short English, ASCII); empty when drawable
};

// Reads the picture at path the way DrawDibFile does and reports what it
// found. Never throws for a bad or missing file.
PictureReport InspectDibFile(FileSystem& fs, const std::string& path);

}  // namespace relvo::picture
