// The program's dialog templates (the version box and the three wizard
// pages) and the ids of their controls: the one table every backend reads.
#pragma once
#include "fw/dialog_template.h"
#include "res/resource.h"

namespace relvo::res {

// Dialog template ids.
enum : int { IDD_ABOUTBOX = 100, IDD_DESTINATION = 130, IDD_START = 132, IDD_CONFIRM = 133 };

// Control ids of the pages (1 and 2 are fw::kIdOk and fw::kIdCancel).
enum : int {
  IDC_DRIVE_LIST = 1002,
  IDC_FOLDER_LIST = 1003,
  IDC_RESTORE_CHECK = 1004,
  IDC_PATH = 1005,
  IDC_NOTICE = 1006,  // the start and destination pages' text box; the confirmation page's folder
  IDC_PICTURE = 1007,
  IDC_BACK = 1008,
  IDC_RESTORE_NOTICE = 1009,  // the confirmation page's "restore, not update" line, hidden unless so
};

// The template with this id; nullptr for an id the program has none for.
const fw::DialogTemplate* FindDialogTemplate(int id);

// The templates themselves.
extern const fw::DialogTemplate kAboutTemplate;        // 100
extern const fw::DialogTemplate kDestinationTemplate;  // 130
extern const fw::DialogTemplate kStartTemplate;        // 132
extern const fw::DialogTemplate kConfirmTemplate;      // 133

}  // namespace relvo::res
