// The wizard view: the only view of the main frame. It owns the update
// descriptor for the program's life, leads through the three pages by
// commands posted to its own window, runs the update, and paints the view
// picture behind the pages.
#pragma once
#include <span>
#include <string>

#include "engine/restore_run.h"
#include "engine/update_descriptor.h"
#include "engine/update_run.h"
#include "fw/window.h"
#include "platform/current_folders.h"
#include "platform/registry.h"
#include "wizard/page_context.h"

namespace relvo {

// The wizard commands, posted to the view's own window.
enum : int { ID_WIZARD_START = 101, ID_WIZARD_DESTINATION = 102, ID_WIZARD_CONFIRM = 103 };

// What the wizard tells whoever runs it (the console program's log and
// exit status). Every call is a notice after the fact.
class WizardEvents {
 public:
  virtual ~WizardEvents() = default;
  // info.txt was read: ReadUpdateInfo's result, and the descriptor.
  virtual void descriptor_read(int result, const UpdateDescriptor& d) = 0;
  // Page pageId (res::IDD_START, IDD_DESTINATION or IDD_CONFIRM) ended
  // with result; d is the descriptor after the view took the result in
  // (installFolder set from an accepted destination page).
  virtual void page_ended(int pageId, int result, const UpdateDescriptor& d) = 0;
  // The update run is about to start on d.installFolder.
  virtual void update_starting(const UpdateDescriptor& d) = 0;
  // It returned result (1 ends the wizard, 0 goes back to the destination
  // page), having ended as how says.
  virtual void update_ended(int result, UpdateOutcome how) = 0;
  // The restore of d.installFolder from its points in productPoints is
  // about to start.
  virtual void restore_starting(const UpdateDescriptor&, const std::string& /*productPoints*/) {}
  // It ended as r says (boxes shown); the wizard ends.
  virtual void restore_ended(const RestoreOutcome&) {}
  // The wizard for undoing an update was given a folder without a restore
  // point (d.installFolder): told so, the destination page opens again.
  virtual void no_restore_point(const UpdateDescriptor&) {}
};

// The update run as the program carries it out around RunUpdate: a check
// before anything is changed, a restore point, the way back after a stop.
class UpdateRunner {
 public:
  virtual ~UpdateRunner() = default;
  // As RunUpdate: 1 ends the wizard, 0 shows the destination page again.
  virtual int Run(Host& host, UpdateDescriptor& d, const std::string& programFolder, UpdateOutcome* how) = 0;
};

// The program folder and the layers the view works through. The system
// keeps them as globals set once at start-up; the application object hands
// them to the view it creates.
struct ViewEnvironment {
  std::string programFolder;  // "C:\UPD\", or "A:" for a drive's root
  CurrentFolders& folders;
  Registry& registry;
  // The update run's host, put together for this program folder. Its file
  // layer is the one the view and the pages read the media through too.
  Host& run;
  WizardEvents* events = nullptr;  // told how the wizard goes
  // Where the restore points of product folders are kept; none known: no
  // folder shows "更新前に戻す".
  RestorePointPlace points = {};
  // The wizard for undoing an update: it opens on the destination page with
  // "更新前に戻す" checked, and takes no folder without a restore point.
  bool restore = false;
  // What a restore does with the files changed since the update.
  ChangedFiles changedFiles = ChangedFiles::Ask;
  RestoreEvents* restoreEvents = nullptr;  // told each path a restore puts back
  UpdateRunner* runner = nullptr;  // nullptr: RunUpdate itself
};

class CRelvoView : public fw::View {
 public:
  explicit CRelvoView(const ViewEnvironment& env) : env_(env), restore_(env.restore) {}

  // The descriptor as the view holds it now.
  const UpdateDescriptor& Descriptor() const { return descriptor_; }

 protected:
  bool PreCreateWindow(fw::CreateStruct& cs) override { return fw::View::PreCreateWindow(cs); }
  // Draws nothing: the view's picture is painted by OnPaint.
  void OnDraw(fw::Dc*) override {}
  // Reads info.txt, completes the framework's view creation and posts
  // ID_WIZARD_START. -1 when the framework's creation fails.
  int OnCreate(fw::CreateStruct& cs) override;
  // The view picture over the whole client area.
  void OnPaint() override;
  std::span<const fw::CommandMapEntry> GetCommandMap() const override;

  void OnStartPage();
  void OnDestinationPage();
  void OnConfirmPage();

  // The update run on the view's descriptor, its window owning the boxes.
  // 1 ends the wizard, 0 shows the destination page again.
  int RunUpdate();
  // Puts the product in the view's destination back as it was before its
  // update, with the boxes of RestoreWithBoxes. The wizard then ends.
  void RunRestore();

 private:
  static const fw::CommandMapEntry kCommandMap[];
  PageContext Pages() const;
  void Post(int command);
  // Posts WM_CLOSE to the main frame: the program ends.
  void CloseProgram();
  void PageEnded(int pageId, int result);

  ViewEnvironment env_;
  UpdateDescriptor descriptor_;
  bool restore_;  // "更新前に戻す" is checked: the confirmed run restores
};

}  // namespace relvo
