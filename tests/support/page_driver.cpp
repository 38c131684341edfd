// The scripted backend of the page tests.
#include "support/page_driver.h"

#include <gtest/gtest.h>

#include "platform/encoding.h"

namespace relvo::test {

int PageDriver::run(fw::Dialog& dlg, const std::function<void(PageDriver&)>& script) {
  script_ = &script;
  fw::ScopedBackend backend(*this);
  return dlg.DoModal();
}

int PageDriver::run_modal(fw::Dialog& dlg) {
  fw::console::ConsoleDialogWindow window(dlg.Template(), drives_);
  dlg.Attach(&window, this);
  dlg_ = &dlg;
  window_ = &window;
  dlg.HandleInitDialog();
  if (script_) (*script_)(*this);
  EXPECT_TRUE(dlg.IsEnded()) << "the script left the page open";
  EXPECT_EQ(waitDepth, 0) << "the wait cursor is still on";
  const int code = dlg.IsEnded() ? dlg.EndCode() : -1;
  dlg.Attach(nullptr, nullptr);
  dlg_ = nullptr;
  window_ = nullptr;
  return code;
}

std::string PageDriver::refused(const std::string& line) {
  std::string why;
  const auto a = fw::console::ParseAction(enc::cp932_to_utf8(line), why);
  if (!a) return why;
  if (!window_ || dlg_->IsEnded()) return "the page is closed";
  return window_->perform(*dlg_, *a);
}

void PageDriver::act(const std::string& line) {
  const std::string why = refused(line);
  EXPECT_EQ(why, "") << line;
}

std::string PageDriver::caption() { return window_ ? window_->caption() : std::string(); }
std::string PageDriver::text(int id) { return window_ ? window_->item_text(id) : std::string(); }
bool PageDriver::visible(int id) { return window_ && window_->item_visible(id); }
bool PageDriver::ended() const { return !dlg_ || dlg_->IsEnded(); }

std::vector<std::string> PageDriver::entries(int id) {
  const auto* it = window_ ? window_->item(id) : nullptr;
  return it ? it->entries : std::vector<std::string>();
}

std::string PageDriver::selection(int id) {
  const auto* it = window_ ? window_->item(id) : nullptr;
  return it && it->selected >= 0 ? it->entries[static_cast<std::size_t>(it->selected)] : std::string();
}

int PageDriver::message_box(const std::string& text, const std::string& caption, fw::Buttons) {
  boxes.push_back("[" + caption + "] " + text);
  return fw::kIdOk;
}

void PageDriver::begin_wait_cursor() {
  ++waitShown;
  ++waitDepth;
}

}  // namespace relvo::test
