// Start-up of the application object and its command handlers.
#include "app/relvo_app.h"

#include <memory>

#include "app/main_frame.h"
#include "app/program_folder.h"
#include "app/relvo_doc.h"
#include "platform/system.h"
#include "res/dialogs.h"
#include "res/strings.h"
#include "wizard/about_dlg.h"

namespace relvo {

const fw::CommandMapEntry CRelvoApp::kCommandMap[] = {
    fw::OnCommand(fw::kIdAppAbout, &CRelvoApp::OnAppAbout),
    fw::OnCommand(fw::kIdFileNew, &CRelvoApp::OnFileNew),
    fw::OnCommand(fw::kIdFileOpen, &CRelvoApp::OnFileOpen),
};

std::span<const fw::CommandMapEntry> CRelvoApp::GetCommandMap() const { return kCommandMap; }

bool CRelvoApp::InitInstance() {
  // 1. Control containment and 3D controls: our framework's controls are
  //    always so; there is nothing to enable.
  // 2. The framework's registry key and recent-file list: our framework
  //    keeps no recent-file list and writes nothing to the registry, so
  //    neither step is taken.
  // 3. The program folder: the executable's drive and folder, or the media
  //    folder given on the command line, by the same rule.
  programFolder_ = setup_.mediaFolder.empty()
                       ? app::ProgramFolderFromExePath(executable_path())
                       : app::ProgramFolderFromArgument(app::AbsoluteFolderText(setup_.folders, setup_.mediaFolder));
  environment_.emplace(setup_.environment(programFolder_));

  // 4. The single-document template: document, frame and view.
  AddDocTemplate(std::make_unique<fw::SingleDocTemplate>(
      IDR_MAINFRAME, res::kMainFrameDocString, [] { return std::make_unique<CRelvoDoc>(); },
      [this] { return std::make_unique<CMainFrame>(programFolder_, environment_->run.fs); },
      [this] { return std::make_unique<CRelvoView>(*environment_); }));

  // 5. The command line: a new document, whose creation makes the frame and
  //    the view inside it.
  fw::CommandLineInfo cmdInfo;
  ParseCommandLine(cmdInfo);
  if (!ProcessShellCommand(cmdInfo)) return false;

  // 6. Shown and painted.
  m_pMainWnd->ShowWindow(fw::kSwShow);
  m_pMainWnd->UpdateWindow();
  return true;
}

void CRelvoApp::OnAppAbout() {
  CAboutDlg about;
  about.DoModal();
}

}  // namespace relvo
