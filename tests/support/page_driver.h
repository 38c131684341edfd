// Runs a dialog on the console backend's in-memory controls with a test's
// script in place of a person: the script acts in the console's input
// language and looks at the controls between actions.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "fw/console/dialog_window.h"
#include "fw/dialog.h"
#include "fw/ui.h"

namespace relvo::test {

class PageDriver : public fw::Backend, public fw::Ui {
 public:
  explicit PageDriver(CurrentFolders& drives) : drives_(drives) {}

  // Runs dlg through DoModal on this backend: opens it, runs script, and
  // returns the end code. A script that leaves the page open fails the
  // test (and gives -1).
  int run(fw::Dialog& dlg, const std::function<void(PageDriver&)>& script);

  // One action line (CP932 as the test's literals are); fails the test when
  // the page refuses it. refused() returns the explanation instead ("" when
  // the action was done).
  void act(const std::string& line);
  std::string refused(const std::string& line);

  // What the page shows now.
  std::string caption();
  std::string text(int id);
  std::vector<std::string> entries(int id);  // a list's entries, in order
  std::string selection(int id);             // the selected entry, "" for none
  bool visible(int id);
  bool ended() const;

  // fw::Backend and fw::Ui.
  int run_modal(fw::Dialog& dlg) override;
  fw::Ui& ui() override { return *this; }
  int message_box(const std::string& text, const std::string& caption, fw::Buttons) override;
  void begin_wait_cursor() override;
  void end_wait_cursor() override { --waitDepth; }
  void progress(const fw::Progress&) override {}

  int waitShown = 0;   // times the wait cursor went on
  int waitDepth = 0;   // on now when > 0
  std::vector<std::string> boxes;  // message boxes shown: "[caption] text"

 private:
  CurrentFolders& drives_;
  const std::function<void(PageDriver&)>* script_ = nullptr;
  fw::Dialog* dlg_ = nullptr;
  fw::console::ConsoleDialogWindow* window_ = nullptr;
};

}  // namespace relvo::test
