// The wizard view: creation, the page sequence in the message queue, the
// update run, and painting.
#include "wizard/relvo_view.h"

#include "picture/dib_draw.h"
#include "res/dialogs.h"
#include "wizard/confirm_dlg.h"
#include "wizard/destination_dlg.h"
#include "wizard/start_dlg.h"

namespace relvo {

const fw::CommandMapEntry CRelvoView::kCommandMap[] = {
    fw::OnCommand(ID_WIZARD_START, &CRelvoView::OnStartPage),
    fw::OnCommand(ID_WIZARD_DESTINATION, &CRelvoView::OnDestinationPage),
    fw::OnCommand(ID_WIZARD_CONFIRM, &CRelvoView::OnConfirmPage),
};

std::span<const fw::CommandMapEntry> CRelvoView::GetCommandMap() const { return kCommandMap; }

int CRelvoView::OnCreate(fw::CreateStruct& cs) {
  // A missing descriptor is not looked at here: the wizard goes on with
  // empty texts and no rows, and the update run refuses to install.
  const int read = ReadUpdateInfo(env_.run.fs, env_.programFolder, descriptor_);
  if (env_.events) env_.events->descriptor_read(read, descriptor_);
  if (fw::View::OnCreate(cs) == -1) return -1;
  // The start page tells the cautions of the update: undoing one begins
  // with the folder.
  Post(env_.restore ? ID_WIZARD_DESTINATION : ID_WIZARD_START);
  return 0;
}

void CRelvoView::OnPaint() {
  fw::WindowPaintDc paint(*this);
  if (!paint.dc()) return;
  // Nothing is drawn, and nothing said, when the picture cannot be read.
  picture::DrawDibFile(env_.run.fs, *paint.dc(), GetClientRect(), env_.programFolder + descriptor_.viewPicture,
                       fw::kSrcCopy);
}

PageContext CRelvoView::Pages() const {
  return PageContext{env_.programFolder, env_.run.fs, env_.folders, env_.registry, env_.points};
}

void CRelvoView::Post(int command) { PostMessage(fw::kWmCommand, static_cast<std::uintptr_t>(command), 0); }

void CRelvoView::CloseProgram() {
  if (fw::FrameWnd* frame = GetParentFrame()) frame->PostMessage(fw::kWmClose, 0, 0);
}

void CRelvoView::PageEnded(int pageId, int result) {
  if (env_.events) env_.events->page_ended(pageId, result, descriptor_);
}

void CRelvoView::OnStartPage() {
  CStartDlg dlg(Pages());
  dlg.m_strMasterAdjust = descriptor_.masterAdjust;
  dlg.m_strNotice = descriptor_.startNotice;
  dlg.m_strPicture = descriptor_.startPicture;
  dlg.SetEscapeHelp("ends the wizard");
  const int result = dlg.DoModal();
  PageEnded(res::IDD_START, result);
  if (result == fw::kIdOk)
    Post(ID_WIZARD_DESTINATION);
  else
    CloseProgram();
}

void CRelvoView::OnDestinationPage() {
  CDestinationDlg dlg(Pages());
  dlg.m_strUninstallKeys = descriptor_.uninstallKeys;
  dlg.m_strNotice = descriptor_.destinationNotice;
  dlg.m_strPath = descriptor_.installFolder;
  dlg.m_strPicture = descriptor_.destinationPicture;
  dlg.m_bRestore = restore_;
  dlg.SetEscapeHelp("ends the wizard");
  const int result = dlg.DoModal();
  if (result == fw::kIdOk) descriptor_.installFolder = dlg.m_strPath;
  PageEnded(res::IDD_DESTINATION, result);
  if (result == fw::kIdOk && env_.restore && !dlg.m_bRestorable) {
    // Undoing an update, never updating by mistake.
    env_.run.ui.message_box(kNoRestorePointHere, kNoRestorePointCaption, fw::Buttons::Ok);
    if (env_.events) env_.events->no_restore_point(descriptor_);
    Post(ID_WIZARD_DESTINATION);
  } else if (result == fw::kIdOk) {
    restore_ = dlg.m_bRestore;
    Post(ID_WIZARD_CONFIRM);
  }
  else if (result == res::IDC_BACK)
    Post(ID_WIZARD_START);
  else
    // Esc (the page has no Cancel button), or a page that could not be
    // made: the program ends as a cancelled start page ends it, rather than
    // leave a window without a page and without a way out.
    CloseProgram();
}

void CRelvoView::OnConfirmPage() {
  CConfirmDlg dlg(Pages());
  dlg.m_strPath = descriptor_.installFolder;
  dlg.m_strPicture = descriptor_.confirmPicture;
  dlg.m_bRestore = restore_;
  dlg.SetEscapeHelp("goes back to the destination page");
  const int result = dlg.DoModal();
  PageEnded(res::IDD_CONFIRM, result);
  if (result == fw::kIdOk && restore_) {
    RunRestore();
    CloseProgram();
  } else if (result == fw::kIdOk) {
    if (RunUpdate() == 1)
      CloseProgram();
    else
      Post(ID_WIZARD_DESTINATION);
  } else if (result == fw::kIdCancel) {
    Post(ID_WIZARD_DESTINATION);
  } else {
    // A page that could not be made: as on the destination page.
    CloseProgram();
  }
}

int CRelvoView::RunUpdate() {
  Host host = env_.run;
  host.ownerWindow = this;
  if (env_.events) env_.events->update_starting(descriptor_);
  UpdateOutcome how = UpdateOutcome::Failed;
  const int result = env_.runner ? env_.runner->Run(host, descriptor_, env_.programFolder, &how)
                                 : relvo::RunUpdate(host, descriptor_, env_.programFolder, &how);
  if (env_.events) env_.events->update_ended(result, how);
  return result;
}

void CRelvoView::RunRestore() {
  if (!env_.points.known()) return;  // no folder showed the box
  const std::string points = ProductPointsFolder(env_.run.fs, env_.points.base, descriptor_.installFolder);
  if (env_.events) env_.events->restore_starting(descriptor_, points);
  const RestoreOutcome r =
      RestoreWithBoxes(env_.run.ui, env_.run.fs, *env_.points.store, points, env_.changedFiles, env_.restoreEvents);
  if (env_.events) env_.events->restore_ended(r);
}

}  // namespace relvo
