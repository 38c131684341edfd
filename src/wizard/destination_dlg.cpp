// The destination page: opening, the drive and folder walk, the three ways
// out, and painting.
#include "wizard/destination_dlg.h"

#include "engine/restore.h"
#include "res/dialogs.h"
#include "wizard/page_picture.h"

namespace relvo {

const fw::MessageMapEntry CDestinationDlg::kMessageMap[] = {
    fw::OnNotify(res::IDC_DRIVE_LIST, fw::kLbnSelChange, &CDestinationDlg::OnSelchangeDriveList),
    fw::OnNotify(res::IDC_FOLDER_LIST, fw::kLbnSelChange, &CDestinationDlg::OnSelchangeFolderList),
    fw::OnNotify(res::IDC_FOLDER_LIST, fw::kLbnDblClk, &CDestinationDlg::OnDblclkFolderList),
    fw::OnNotify(res::IDC_BACK, fw::kBnClicked, &CDestinationDlg::OnBack),
    fw::OnNotify(res::IDC_PATH, fw::kEnChange, &CDestinationDlg::OnChangePath),
};

CDestinationDlg::CDestinationDlg(const PageContext& ctx) : fw::Dialog(res::kDestinationTemplate), ctx_(ctx) {}

std::span<const fw::MessageMapEntry> CDestinationDlg::GetMessageMap() const { return kMessageMap; }

void CDestinationDlg::DoDataExchange(fw::DataExchange& dx) {
  fw::Dialog::DoDataExchange(dx);
  fw::DDX_Control(dx, res::IDC_FOLDER_LIST, m_lstFolder);
  fw::DDX_Control(dx, res::IDC_DRIVE_LIST, m_lstDrive);
}

bool CDestinationDlg::OnInitDialog() {
  fw::Dialog::OnInitDialog();
  m_nStartDrive = ctx_.folders.current_drive();
  // No drive holds the working folder (a folder outside the drive map):
  // the first drive there is becomes current, so that the way out has a
  // drive to make current again and a typed name counts from a drive.
  if (m_nStartDrive == 0) {
    const std::vector<char> present = ctx_.folders.drives();
    if (!present.empty() && ctx_.folders.change_drive(present.front() - 'A' + 1)) m_nStartDrive = ctx_.folders.current_drive();
  }
  ctx_.folders.change_dir("\\");
  std::string pathSpec = "*.*";
  DlgDirList(pathSpec, res::IDC_DRIVE_LIST, 0, fw::kDdlDrives | fw::kDdlExclusive);
  SetDlgItemText(res::IDC_PATH, m_strPath);
  SetDlgItemText(res::IDC_NOTICE, m_strNotice);
  LookUpInstalledFolder();
  UpdateRestoreCheck();
  return true;
}

void CDestinationDlg::OnSelchangeDriveList() {
  const int index = m_lstDrive.GetCurSel();
  if (index == fw::kLbErr) return;
  std::string entry;
  m_lstDrive.GetText(index, entry);
  if (entry.size() < 3) return;  // not a "[-x-]" entry
  const std::string root = std::string(1, entry[2]) + ":\\";
  ctx_.folders.change_dir(root);
  SetDlgItemText(res::IDC_PATH, root);
  UpdateRestoreCheck();
  FillFolderList(entry, "\\*.*");
}

void CDestinationDlg::OnSelchangeFolderList() { OnDblclkFolderList(); }

void CDestinationDlg::OnDblclkFolderList() {
  std::string drive, folder;
  const int driveIndex = m_lstDrive.GetCurSel();
  if (driveIndex != fw::kLbErr) m_lstDrive.GetText(driveIndex, drive);
  const int folderIndex = m_lstFolder.GetCurSel();
  if (folderIndex != fw::kLbErr) m_lstFolder.GetText(folderIndex, folder);
  if (driveIndex == fw::kLbErr || folderIndex == fw::kLbErr) return;
  if (drive.size() < 3 || folder.size() < 2) return;  // not "[-x-]" and "[name]" entries
  // "[name]" relative to the drive's current folder: "c:Windows", "c:..".
  const std::string target = std::string(1, drive[2]) + ":" + folder.substr(1, folder.size() - 2);
  ctx_.folders.change_dir(target);
  // The whole current folder, however long it is.
  SetDlgItemText(res::IDC_PATH, ctx_.folders.current_dir());
  UpdateRestoreCheck();
  FillFolderList(drive, ".\\*.*");
}

void CDestinationDlg::FillFolderList(const std::string& driveEntry, const std::string& tail) {
  m_lstFolder.ResetContent();
  const std::string pattern = std::string(1, driveEntry[2]) + ":" + tail;
  fw::WaitCursor wait(AppUi());
  std::vector<std::string> table;
  const int count = ListSubfolders(table, pattern);
  for (int i = 0; i < count; ++i) m_lstFolder.AddString("[" + table[static_cast<std::size_t>(i)] + "]");
}

int CDestinationDlg::ListSubfolders(std::vector<std::string>& table, const std::string& pattern) {
  table.assign(1, "..");
  // Only the directory attribute counts, so hidden and system folders are
  // listed too.
  for (FoundEntry& e : ctx_.files.find(pattern))
    if (e.isFolder && e.name != "." && e.name != "..") table.push_back(std::move(e.name));
  return static_cast<int>(table.size());
}

// Typed, or set by the page (the Win32 edit box tells both).
void CDestinationDlg::OnChangePath() { UpdateRestoreCheck(); }

void CDestinationDlg::UpdateRestoreCheck() {
  bool restorable = false;
  const std::string folder = GetDlgItemText(res::IDC_PATH);
  if (ctx_.points.known() && !folder.empty()) {
    const std::string points = ProductPointsFolder(ctx_.files, ctx_.points.base, folder);
    // Its points are read whole, which takes a while for a large product.
    if (ctx_.points.store->exists(points)) {
      fw::WaitCursor wait(AppUi());
      PointInfo point;
      restorable = PointToRestore(*ctx_.points.store, points, point);
    }
  }
  fw::Control box = GetDlgItem(res::IDC_RESTORE_CHECK);
  // A box that stays as it is keeps what the user made of it.
  if (box.IsWindowVisible() == restorable && box.IsWindowEnabled() == restorable) return;
  box.SetCheck(restorable && m_bRestore);
  box.EnableWindow(restorable);
  box.ShowWindow(restorable);
}

void CDestinationDlg::OnOK() {
  m_strPath = GetDlgItemText(res::IDC_PATH);
  const fw::Control box = GetDlgItem(res::IDC_RESTORE_CHECK);
  m_bRestorable = box.IsWindowVisible() && box.IsWindowEnabled();
  m_bRestore = m_bRestorable && box.GetCheck();
  ctx_.folders.change_drive(m_nStartDrive);
  fw::Dialog::OnOK();
}

void CDestinationDlg::OnBack() {
  ctx_.folders.change_drive(m_nStartDrive);
  EndDialog(res::IDC_BACK);
}

// Esc: the page has no Cancel button.
void CDestinationDlg::OnCancel() {
  ctx_.folders.change_drive(m_nStartDrive);
  fw::Dialog::OnCancel();
}

void CDestinationDlg::OnPaint() { PaintPagePicture(*this, ctx_, m_strPicture); }

}  // namespace relvo
