// The pages' picture: a bitmap file from the update media drawn into the
// page's picture frame on every paint.
#pragma once
#include <string>

#include "fw/dialog.h"
#include "wizard/page_context.h"

namespace relvo {

// Paints dlg: draws the file named ctx.programFolder + picture stretched
// over the client area of control IDC_PICTURE, after the frame has painted
// itself. A file that cannot be read leaves the frame as it is.
void PaintPagePicture(fw::Dialog& dlg, const PageContext& ctx, const std::string& picture);

}  // namespace relvo
