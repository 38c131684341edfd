// The confirmation page.
#include "wizard/confirm_dlg.h"

#include "res/dialogs.h"
#include "wizard/page_picture.h"

namespace relvo {

CConfirmDlg::CConfirmDlg(const PageContext& ctx) : fw::Dialog(res::kConfirmTemplate), ctx_(ctx) {}

bool CConfirmDlg::OnInitDialog() {
  fw::Dialog::OnInitDialog();
  SetDlgItemText(res::IDC_NOTICE, m_strPath);
  if (m_bRestore) {
    GetDlgItem(res::IDC_RESTORE_NOTICE).ShowWindow(true);
    SetDlgItemText(fw::kIdOk, "実行");
  }
  return true;
}

// "戻る" and Esc.
void CConfirmDlg::OnCancel() { EndDialog(fw::kIdCancel); }

void CConfirmDlg::OnPaint() { PaintPagePicture(*this, ctx_, m_strPicture); }

}  // namespace relvo
