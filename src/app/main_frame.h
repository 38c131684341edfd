// The main frame: a bare, maximized window without menu bar, toolbar or
// status bar, titled with the first line of info.txt.
#pragma once
#include <span>
#include <string>

#include "fw/window.h"
#include "platform/files.h"

namespace relvo {

// The frame's title command, posted by the frame to itself.
enum : int { ID_FRAME_TITLE = 104 };

class CMainFrame : public fw::FrameWnd {
 public:
  // The title is read from programFolder + "info.txt" through files.
  CMainFrame(const std::string& programFolder, FileSystem& files) : programFolder_(programFolder), files_(files) {}

 protected:
  // The style becomes WS_VISIBLE alone: no system menu, no minimize or
  // maximize box, no sizing border, no document name in the title.
  bool PreCreateWindow(fw::CreateStruct& cs) override;
  // The framework's frame creation (the view inside it), then no menu, the
  // window maximized, and ID_FRAME_TITLE posted. -1 when the framework's
  // creation fails.
  int OnCreate(fw::CreateStruct& cs) override;
  std::span<const fw::CommandMapEntry> GetCommandMap() const override;

  // Sets the window text to the first line of info.txt, or to the empty
  // text when the file cannot be opened.
  void OnFrameTitle();

 private:
  static const fw::CommandMapEntry kCommandMap[];
  std::string programFolder_;
  FileSystem& files_;
};

}  // namespace relvo
