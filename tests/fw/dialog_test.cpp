// The dialog class: message maps, data exchange, list boxes by id, and the
// console's layout of a template.
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "fw/console/dialog_window.h"
#include "fw/dialog.h"
#include "platform/encoding.h"
#include "res/dialogs.h"
#include "support/fake_drives.h"
#include "support/list_box_order.h"
#include "support/page_driver.h"

namespace relvo::fw {
namespace {

using Strings = std::vector<std::string>;

// A dialog on the destination template that logs what reaches it.
class Probe : public Dialog {
 public:
  Probe() : Dialog(res::kDestinationTemplate) {}
  ListBox list;
  Strings log;

 protected:
  void DoDataExchange(DataExchange& dx) override {
    log.push_back(dx.saveAndValidate ? "save" : "load");
    DDX_Control(dx, res::IDC_FOLDER_LIST, list);
  }
  void OnOK() override {
    log.push_back("OnOK");
    Dialog::OnOK();
  }
  void OnCancel() override { log.push_back("OnCancel"); }  // stays open
  std::span<const MessageMapEntry> GetMessageMap() const override;

 private:
  void OnBack() { log.push_back("back"); }
  void OnSelchange() {
    std::string s;
    list.GetText(list.GetCurSel(), s);
    log.push_back("selchange " + s);
  }
  void OnDblclk() { log.push_back("dblclk"); }
  static const MessageMapEntry kMap[];
};

const MessageMapEntry Probe::kMap[] = {
    OnNotify(res::IDC_BACK, kBnClicked, &Probe::OnBack),
    OnNotify(res::IDC_FOLDER_LIST, kLbnSelChange, &Probe::OnSelchange),
    OnNotify(res::IDC_FOLDER_LIST, kLbnDblClk, &Probe::OnDblclk),
};

std::span<const MessageMapEntry> Probe::GetMessageMap() const { return kMap; }

class DialogTest : public ::testing::Test {
 protected:
  test::FakeDrives drives{{}, 'C'};
  test::PageDriver driver{drives};
};

TEST_F(DialogTest, CommandsGoThroughTheMessageMapThenToOkAndCancel) {
  Probe dlg;
  EXPECT_EQ(driver.run(dlg,
                       [&](test::PageDriver& d) {
                         dlg.list.AddString("[b]");
                         dlg.list.AddString("[a]");
                         d.act("click 1008");
                         d.act("select 1003 [b]");
                         d.act("dblclick 1003 [a]");
                         d.act("esc");
                         EXPECT_FALSE(d.ended());
                         d.act("enter");
                       }),
            kIdOk);
  EXPECT_EQ(dlg.log, (Strings{"load", "back", "selchange [b]", "selchange [a]", "dblclk", "OnCancel", "OnOK", "save"}));
  // Closed: controls read as empty, and without a backend nothing runs.
  EXPECT_EQ(dlg.GetDlgItemText(res::IDC_PATH), "");
  EXPECT_EQ(dlg.list.GetCount(), 0);
  EXPECT_EQ(dlg.DoModal(), -1);
}

TEST_F(DialogTest, SortedListBoxesKeepTheirOrderAndSelection) {
  Probe dlg;
  driver.run(dlg, [&](test::PageDriver& d) {
    const ListBox& lb = dlg.list;
    EXPECT_EQ(lb.AddString("[b]"), 0);
    EXPECT_EQ(lb.AddString("[..]"), 0);
    EXPECT_EQ(lb.SetCurSel(1), 1);
    EXPECT_EQ(lb.AddString("[A]"), 1);
    EXPECT_EQ(lb.AddString("[a]"), 1);  // before the equal one the search meets, case aside
    EXPECT_EQ(d.entries(res::IDC_FOLDER_LIST), (Strings{"[..]", "[a]", "[A]", "[b]"}));
    EXPECT_EQ(lb.GetCurSel(), 3);  // still "[b]"
    std::string s = "old";
    EXPECT_EQ(lb.GetText(4, s), kLbErr);
    EXPECT_EQ(s, "");
    EXPECT_EQ(lb.SetCurSel(9), kLbErr);
    EXPECT_EQ(lb.GetCurSel(), kLbErr);
    lb.ResetContent();
    EXPECT_EQ(lb.GetCount(), 0);
    // The system's order, as a sorted list box under Wine gives it.
    for (const char* e : test::kListBoxAdded) lb.AddString(e);
    EXPECT_EQ(d.entries(res::IDC_FOLDER_LIST), Strings(std::begin(test::kListBoxShown), std::end(test::kListBoxShown)));
    d.act("click 1");
  });
}

TEST_F(DialogTest, BindingAControlThatIsNoListBoxIsAnError) {
  class Wrong : public Dialog {
   public:
    Wrong() : Dialog(res::kStartTemplate) {}
    ListBox lb;
    void DoDataExchange(DataExchange& dx) override { DDX_Control(dx, res::IDC_NOTICE, lb); }
  } dlg;
  console::ConsoleDialogWindow w(dlg.Template(), drives);
  dlg.Attach(&w, &driver);
  EXPECT_THROW(dlg.HandleInitDialog(), std::logic_error);
  dlg.Attach(nullptr, nullptr);
}

TEST_F(DialogTest, ConsoleLayoutGrowsAListAndMovesWhatIsBelow) {
  Dialog dlg(res::kDestinationTemplate);
  console::ConsoleDialogWindow w(dlg.Template(), drives);
  dlg.Attach(&w, &driver);
  for (int i = 0; i < 30; ++i) w.lb_add(res::IDC_FOLDER_LIST, "[f" + std::to_string(100 + i) + "]");
  w.set_item_text(res::IDC_PATH, "C:\\" + std::string(70, 'p'));  // 73 characters in a box of 50
  const std::string page = dlg.Window() ? w.render(dlg, false) : "";
  dlg.Attach(nullptr, nullptr);
  std::vector<std::string> lines;
  std::istringstream in(page);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  auto row = [&](const std::string& needle) {
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (lines[i].find(needle) != std::string::npos) return static_cast<int>(i);
    return -1;
  };
  // Every entry shown, the buttons below the last, the long path whole.
  EXPECT_GE(row("[f100]"), 0) << page;
  EXPECT_GT(row("[f129]"), row("[f128]"));
  EXPECT_GT(row("[1] " + enc::cp932_to_utf8("次へ")), row("[f129]")) << page;
  // The folder list and the drive list beside it end on the same row.
  const std::string& below = lines[static_cast<std::size_t>(row("[f129]") + 1)];
  EXPECT_EQ(below.substr(2, 4), "+---") << page;
  EXPECT_EQ(below.substr(17, 4), "+---") << page;
  // The path box takes a second line, and the folder list moves down by it.
  EXPECT_EQ(row("+1003") - row("+1005"), 4) << page;
  for (const std::string& l : lines) EXPECT_LE(l.size(), 200u);
}

TEST_F(DialogTest, OnATwentyFourRowScreenThePageFitsAndLongListsScroll) {
  Dialog dlg(res::kDestinationTemplate);
  console::ConsoleDialogWindow w(dlg.Template(), drives);
  dlg.Attach(&w, &driver);
  for (int i = 0; i < 30; ++i) w.lb_add(res::IDC_FOLDER_LIST, "[f" + std::to_string(100 + i) + "]");
  auto page = [&] {
    std::vector<std::string> lines;
    std::istringstream in(w.render(dlg, false, 24));
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
  };
  auto has = [](const std::vector<std::string>& lines, const std::string& needle) {
    for (const std::string& l : lines)
      if (l.find(needle) != std::string::npos) return true;
    return false;
  };
  const struct {
    const char* action;  // "" for none
    const char* shown;   // an entry in view
    const char* hidden;  // one out of view
    const char* footer;
  } steps[] = {
      {"", "[f100]", "[f129]", "+1-"},
      {"select 1003 [f127]", "> [f127]", "[f100]", "-28 of 30-"},
      {"scroll 1003", "[f129]", "[f127]", "+29-30 of 30-"},
      {"scroll 1003", "[f100]", "[f129]", "+1-"},
  };
  for (const auto& s : steps) {
    if (*s.action) {
      std::string why;
      EXPECT_EQ(w.perform(dlg, *console::ParseAction(s.action, why)), "") << s.action;
    }
    const std::vector<std::string> lines = page();
    // The page with a blank line before it and the input line after it.
    EXPECT_LE(lines.size() + 2, 24u) << s.action;
    EXPECT_TRUE(has(lines, "[1] " + enc::cp932_to_utf8("次へ"))) << s.action;
    EXPECT_TRUE(has(lines, s.shown)) << s.action;
    EXPECT_FALSE(has(lines, s.hidden)) << s.action;
    EXPECT_TRUE(has(lines, s.footer)) << s.action;
  }
  // A short list shows everything and has nothing to scroll.
  w.lb_reset(res::IDC_FOLDER_LIST);
  w.lb_add(res::IDC_FOLDER_LIST, "[..]");
  EXPECT_FALSE(has(page(), " of 1"));
  std::string why;
  EXPECT_EQ(w.perform(dlg, *console::ParseAction("scroll 1003", why)), "? list 1003 shows all its entries");
  dlg.Attach(nullptr, nullptr);
}

}  // namespace
}  // namespace relvo::fw
