// The version box: the program's name, version and copyright, and OK.
#pragma once
#include "fw/dialog.h"

namespace relvo {

class CAboutDlg : public fw::Dialog {
 public:
  CAboutDlg();
};

}  // namespace relvo
