// The version box.
#include "wizard/about_dlg.h"

#include "res/dialogs.h"

namespace relvo {

CAboutDlg::CAboutDlg() : fw::Dialog(res::kAboutTemplate) {}

}  // namespace relvo
