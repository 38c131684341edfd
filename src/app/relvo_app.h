// The application object: start-up (the program folder, the document
// template, the main frame with the wizard view) and the version box.
#pragma once
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "fw/app.h"
#include "platform/current_folders.h"
#include "wizard/relvo_view.h"

namespace relvo {

// What the program's main decides before the application starts.
struct AppSetup {
  // The media folder given on the command line (CP932); empty: the
  // executable's own folder, as when started from the media.
  std::string mediaFolder;
  // The process's current folders: a relative media folder is completed
  // from them.
  CurrentFolders& folders;
  // The view's layers, made once the program folder is known.
  std::function<ViewEnvironment(const std::string& programFolder)> environment;
};

class CRelvoApp : public fw::App {
 public:
  explicit CRelvoApp(AppSetup setup) : setup_(std::move(setup)) {}

  // Start-up: the program folder, the document template, the main frame
  // with the view, and the frame shown. False when the frame could not be
  // made.
  bool InitInstance() override;
  // The program folder computed at start-up.
  const std::string& ProgramFolder() const { return programFolder_; }

 protected:
  std::span<const fw::CommandMapEntry> GetCommandMap() const override;
  // The version box, modal.
  void OnAppAbout();

 private:
  static const fw::CommandMapEntry kCommandMap[];
  AppSetup setup_;
  std::string programFolder_;
  std::optional<ViewEnvironment> environment_;
};

}  // namespace relvo
