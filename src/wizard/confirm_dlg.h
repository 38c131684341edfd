// The confirmation page: the destination folder and a picture; "更新" runs
// the update, "戻る" (or Esc) goes back to the destination page. For a
// restore it says so, and its "実行" puts the product back instead.
#pragma once
#include <string>

#include "fw/dialog.h"
#include "wizard/page_context.h"

namespace relvo {

class CConfirmDlg : public fw::Dialog {
 public:
  explicit CConfirmDlg(const PageContext& ctx);

  std::string m_strPath;     // the destination folder, shown as it is
  std::string m_strPicture;  // the picture's file name on the media
  // The run restores the product as it was before its update: the page
  // shows line 1009 and "実行" in place of "更新".
  bool m_bRestore = false;

 protected:
  bool OnInitDialog() override;
  void OnCancel() override;
  void OnPaint() override;

 private:
  PageContext ctx_;
};

}  // namespace relvo
