// The main frame's creation and its title.
#include "app/main_frame.h"

#include "base/line_reader.h"

namespace relvo {

const fw::CommandMapEntry CMainFrame::kCommandMap[] = {
    fw::OnCommand(ID_FRAME_TITLE, &CMainFrame::OnFrameTitle),
};

std::span<const fw::CommandMapEntry> CMainFrame::GetCommandMap() const { return kCommandMap; }

bool CMainFrame::PreCreateWindow(fw::CreateStruct& cs) {
  cs.style = fw::kWsVisible;
  return fw::FrameWnd::PreCreateWindow(cs);
}

int CMainFrame::OnCreate(fw::CreateStruct& cs) {
  if (fw::FrameWnd::OnCreate(cs) == -1) return -1;
  SetMenu(nullptr);
  fw::WindowPlacement wp;
  GetWindowPlacement(wp);
  wp.length = fw::kWindowPlacementLength;
  wp.showCmd = fw::kSwShowMaximized;
  wp.ptMaxPosition = fw::Point{0, 0};
  SetWindowPlacement(wp);
  PostMessage(fw::kWmCommand, ID_FRAME_TITLE, 0);
  return 0;
}

void CMainFrame::OnFrameTitle() {
  std::string title;
  if (std::unique_ptr<FileReader> in = files_.open_read(programFolder_ + "info.txt")) {
    try {
      LineReader lines(*in);
      lines.next(title);
    } catch (const FileError&) {
      // A file that cannot be read gives no title, as one that is missing.
      title.clear();
    }
  }
  SetWindowText(title);
}

}  // namespace relvo
