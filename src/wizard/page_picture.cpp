// Painting a page's picture into its frame.
#include "wizard/page_picture.h"

#include "picture/dib_draw.h"
#include "res/dialogs.h"

namespace relvo {

void PaintPagePicture(fw::Dialog& dlg, const PageContext& ctx, const std::string& picture) {
  fw::PaintDc paint(dlg);
  const fw::Control frame = dlg.GetDlgItem(res::IDC_PICTURE);
  const std::unique_ptr<fw::Dc> dc = frame.GetDC();
  if (!dc) return;
  // The frame paints itself first, so that the picture lies on top of it.
  frame.Invalidate(true);
  frame.UpdateWindow();
  const fw::Rect rect = frame.GetClientRect();
  picture::DrawDibFile(ctx.files, *dc, rect, ctx.programFolder + picture, fw::kSrcCopy);
}

}  // namespace relvo
