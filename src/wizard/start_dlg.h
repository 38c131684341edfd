// The start page: the cautions of this update and its picture; "開始"
// goes on, "取消" (or Esc) abandons the wizard.
#pragma once
#include <string>

#include "fw/dialog.h"
#include "wizard/page_context.h"

namespace relvo {

class CStartDlg : public fw::Dialog {
 public:
  explicit CStartDlg(const PageContext& ctx);

  std::string m_strNotice;        // the caution text (CR LF line breaks)
  std::string m_strPicture;       // the picture's file name on the media
  std::string m_strMasterAdjust;  // 0 (as atoi reads it) captions the page "アップデート"

 protected:
  bool OnInitDialog() override;
  void OnPaint() override;

 private:
  PageContext ctx_;
};

}  // namespace relvo
