// The destination page: the folder of the installed product, proposed from
// the registry's uninstall entries, chosen by walking drives and folders or
// typed. "次へ" goes on with the path box's text, "戻る" goes back to the
// start page, Esc leaves the wizard; each makes the drive that was current
// at opening current again. A folder with a restore point shows the box
// "更新前に戻す": checked, the wizard puts the product back as it was before
// its update instead of updating it.
#pragma once
#include <array>
#include <span>
#include <string>
#include <vector>

#include "fw/dialog.h"
#include "wizard/page_context.h"

namespace relvo {

class CDestinationDlg : public fw::Dialog {
 public:
  explicit CDestinationDlg(const PageContext& ctx);

  fw::ListBox m_lstFolder;  // control 1003
  fw::ListBox m_lstDrive;   // control 1002
  int m_nStartDrive = 0;    // the drive current at opening (1 = A)
  std::string m_strPath;    // in: the proposed folder; out: the path box's text after "次へ"
  std::string m_strNotice;  // the page's explanatory text (CR LF line breaks)
  std::string m_strPicture; // the picture's file name on the media
  std::array<std::string, 15> m_strUninstallKeys;  // uninstall entry names; "NULL" ends the list
  // In: "更新前に戻す" checked whenever it shows; out: it showed and was
  // checked when "次へ" was pressed.
  bool m_bRestore = false;
  // Out: the folder accepted has a restore point (the box showed).
  bool m_bRestorable = false;

  // Fills table with ".." and the names of the folders (hidden ones too,
  // never files) that pattern finds, in the order the search gives them,
  // and returns the number of entries. There is no limit to their number
  // or length.
  int ListSubfolders(std::vector<std::string>& table, const std::string& pattern);

 protected:
  void DoDataExchange(fw::DataExchange& dx) override;
  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  void OnPaint() override;
  std::span<const fw::MessageMapEntry> GetMessageMap() const override;

  void OnSelchangeDriveList();
  void OnSelchangeFolderList();
  void OnDblclkFolderList();
  void OnBack();
  void OnChangePath();

  // Refills the folder list with the folders of drive entry driveEntry
  // ("[-c-]") that tail finds ("\*.*": the root, ".\*.*": the drive's
  // current folder), each as "[name]", under the wait cursor.
  void FillFolderList(const std::string& driveEntry, const std::string& tail);
  // Puts the folder the registry records for the installed product into the
  // path box, when it records one.
  void LookUpInstalledFolder();
  // Shows and enables box 1004 when the path box's folder has a restore
  // point (checked as m_bRestore asks), hides and disables it otherwise.
  void UpdateRestoreCheck();

 private:
  static const fw::MessageMapEntry kMessageMap[];
  PageContext ctx_;
};

// Makes an uninstall command line into the folder of the file named after
// its " -f" option: buffer becomes that file's drive and directory (usually
// ending in '\') and the result is 1. Without " -f" the result is 0 and
// buffer is unchanged. Any length is taken whole.
int FolderFromUninstallString(std::string& buffer);

}  // namespace relvo
