// The start page.
#include "wizard/start_dlg.h"

#include "base/cnum.h"
#include "res/dialogs.h"
#include "wizard/page_picture.h"

namespace relvo {

CStartDlg::CStartDlg(const PageContext& ctx) : fw::Dialog(res::kStartTemplate), ctx_(ctx) {}

bool CStartDlg::OnInitDialog() {
  fw::Dialog::OnInitDialog();
  // The template's caption "マスタ調整機能付" stays for an update that
  // adjusts the master files.
  if (c_atoi(m_strMasterAdjust) == 0) SetWindowText("アップデート");
  SetDlgItemText(res::IDC_NOTICE, m_strNotice);
  return true;
}

void CStartDlg::OnPaint() { PaintPagePicture(*this, ctx_, m_strPicture); }

}  // namespace relvo
