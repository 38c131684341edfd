// The wizard pages driven through the framework, on real temporary folder
// trees behind drive letters and an in-memory registry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/dialogs.h"
#include "support/fake_drives.h"
#include "support/memory_registry.h"
#include "support/page_driver.h"
#include "support/temp_dir.h"
#include "wizard/confirm_dlg.h"
#include "wizard/destination_dlg.h"
#include "wizard/start_dlg.h"

namespace relvo {
namespace {

using res::IDC_BACK;
using res::IDC_DRIVE_LIST;
using res::IDC_FOLDER_LIST;
using res::IDC_NOTICE;
using res::IDC_PATH;
using Strings = std::vector<std::string>;

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Drives C: (the product's disk) and D: (current at opening) over folders
// of one temporary tree.
class PagesTest : public ::testing::Test {
 protected:
  PagesTest()
      : drives({{'C', tmp / "C" + sep()}, {'D', tmp / "D" + sep()}}, 'D'),
        files(drives),
        ctx{"D:\\", files, drives, registry},
        driver(drives) {
    tmp.mkdir("C");
    tmp.mkdir("D");
  }
  // The platform's separator, as the temporary folder's path ends with it.
  std::string sep() const { return std::string(1, tmp.path().back()); }

  test::TempDir tmp;
  test::FakeDrives drives;
  test::DriveFileSystem files;
  test::MemoryRegistry registry;
  PageContext ctx;
  test::PageDriver driver;
};

TEST_F(PagesTest, StartPageCaptionComesFromTheMasterAdjustFlag) {
  const struct {
    const char* flag;
    const char* caption;
  } cases[] = {{"0", "アップデート"},     {"", "アップデート"},          {"abc", "アップデート"},
               {" 0x1", "アップデート"},  {"1", "マスタ調整機能付"},     {" -7", "マスタ調整機能付"},
               {"2junk", "マスタ調整機能付"}};
  for (const auto& c : cases) {
    CStartDlg dlg(ctx);
    dlg.m_strMasterAdjust = c.flag;
    dlg.m_strNotice = "一行目\r\n二行目";
    EXPECT_EQ(driver.run(dlg,
                         [&](test::PageDriver& d) {
                           EXPECT_EQ(d.caption(), c.caption) << c.flag;
                           EXPECT_EQ(d.text(IDC_NOTICE), "一行目\r\n二行目");
                           EXPECT_NE(d.refused("type 1006 x"), "");  // the cautions are read-only
                           d.act("esc");
                         }),
              fw::kIdCancel);
  }
}

TEST_F(PagesTest, EachPageEndsWithItsResults) {
  const struct {
    const char* action;
    int start, confirm;
  } cases[] = {{"click 1", 1, 1}, {"enter", 1, 1}, {"click 2", 2, 2}, {"esc", 2, 2}};
  for (const auto& c : cases) {
    CStartDlg start(ctx);
    EXPECT_EQ(driver.run(start, [&](test::PageDriver& d) { d.act(c.action); }), c.start) << c.action;
    CConfirmDlg confirm(ctx);
    EXPECT_EQ(driver.run(confirm, [&](test::PageDriver& d) { d.act(c.action); }), c.confirm) << c.action;
  }
}

TEST_F(PagesTest, ConfirmationPageShowsTheFolderAsItIs) {
  for (const std::string path : {"C:\\TOOLS\\ソフト", "", " c:/x "}) {
    CConfirmDlg dlg(ctx);
    dlg.m_strPath = path;
    driver.run(dlg, [&](test::PageDriver& d) {
      EXPECT_EQ(d.text(IDC_NOTICE), path);
      d.act("enter");
    });
  }
}

TEST_F(PagesTest, DestinationPageOpensWithDrivesAndTheViewsFolder) {
  drives.change_dir("D:\\");
  tmp.mkdir("D\\sub");
  drives.change_dir("sub");
  CDestinationDlg dlg(ctx);
  dlg.m_strPath = "C:\\Program Files\\Product";
  dlg.m_strNotice = "説明\r\n二行目";
  dlg.m_strUninstallKeys.fill("NULL");
  driver.run(dlg, [&](test::PageDriver& d) {
    EXPECT_EQ(d.entries(IDC_DRIVE_LIST), (Strings{"[-c-]", "[-d-]"}));
    EXPECT_EQ(d.selection(IDC_DRIVE_LIST), "");
    EXPECT_EQ(d.entries(IDC_FOLDER_LIST), Strings{});
    EXPECT_EQ(d.text(IDC_PATH), "C:\\Program Files\\Product");
    EXPECT_EQ(d.text(IDC_NOTICE), "説明\r\n二行目");
    EXPECT_EQ(drives.current_dir(), "D:\\");  // the current drive's root
    EXPECT_FALSE(d.visible(res::IDC_RESTORE_CHECK));
    EXPECT_NE(d.refused("click 1004"), "");
    d.act("esc");
  });
  EXPECT_TRUE(registry.asked.empty());  // "NULL" first: the registry is not read
}

TEST_F(PagesTest, DestinationPageWalksDrivesAndFolders) {
  tmp.mkdir("C\\Apps\\Sub");
  tmp.mkdir("C\\.hidden");
  tmp.mkdir("C\\zeta");
  tmp.write("C\\file.txt", "x");
  tmp.write("C\\Apps\\readme", "x");
  CDestinationDlg dlg(ctx);
  dlg.m_strUninstallKeys.fill("NULL");
  const int code = driver.run(dlg, [&](test::PageDriver& d) {
    d.act("select 1002 [-c-]");
    EXPECT_EQ(d.text(IDC_PATH), "c:\\");
    EXPECT_EQ(d.entries(IDC_FOLDER_LIST), (Strings{"[..]", "[.hidden]", "[Apps]", "[zeta]"}));
    EXPECT_EQ(drives.current_drive(), 3);

    d.act("select 1003 [Apps]");
    EXPECT_EQ(d.text(IDC_PATH), "C:\\Apps");
    EXPECT_EQ(d.entries(IDC_FOLDER_LIST), (Strings{"[..]", "[Sub]"}));
    EXPECT_EQ(d.selection(IDC_FOLDER_LIST), "");

    d.act("dblclick 1003 [Sub]");
    EXPECT_EQ(d.text(IDC_PATH), "C:\\Apps\\Sub");
    EXPECT_EQ(d.entries(IDC_FOLDER_LIST), Strings{"[..]"});

    d.act("select 1003 [..]");
    d.act("select 1003 [..]");
    EXPECT_EQ(d.text(IDC_PATH), "C:\\");
    d.act("select 1003 [..]");  // at the root [..] keeps the root
    EXPECT_EQ(d.text(IDC_PATH), "C:\\");
    EXPECT_EQ(d.entries(IDC_FOLDER_LIST), (Strings{"[..]", "[.hidden]", "[Apps]", "[zeta]"}));

    // Drive D: starts at its root again; C: keeps its current folder.
    d.act("select 1003 [Apps]");
    d.act("select 1002 [-d-]");
    EXPECT_EQ(d.text(IDC_PATH), "d:\\");
    EXPECT_EQ(drives.dir_of('C'), "C:\\Apps");
    EXPECT_NE(d.refused("select 1003 [nothing]"), "");
    d.act("type 1005 ");
    d.act("click 1");
  });
  EXPECT_EQ(code, fw::kIdOk);
  EXPECT_EQ(dlg.m_strPath, "");  // an emptied box is the destination
  EXPECT_EQ(driver.waitShown, 8);  // one wait cursor per listing
}

TEST_F(PagesTest, EveryWayOutMakesTheStartDriveCurrentAgain) {
  tmp.mkdir("C\\Apps");
  const struct {
    const char* action;
    int code;
    const char* path;  // m_strPath afterwards
  } cases[] = {{"click 1", 1, "typed  text "}, {"enter", 1, "typed  text "}, {"click 1008", IDC_BACK, "view"},
               {"esc", 2, "view"}};
  for (const auto& c : cases) {
    CDestinationDlg dlg(ctx);
    dlg.m_strPath = "view";
    dlg.m_strUninstallKeys.fill("NULL");
    EXPECT_EQ(driver.run(dlg,
                         [&](test::PageDriver& d) {
                           d.act("select 1002 [-c-]");
                           d.act("select 1003 [Apps]");
                           EXPECT_EQ(drives.current_drive(), 3);
                           d.act("type 1005 typed  text ");
                           d.act(c.action);
                         }),
              c.code)
        << c.action;
    EXPECT_EQ(drives.current_drive(), 4) << c.action;
    EXPECT_EQ(dlg.m_strPath, c.path) << c.action;
  }
}

// With no drive holding the working folder, the first drive is the start
// drive: a way out makes it current again, and a typed name counts from it.
TEST_F(PagesTest, NoCurrentDriveStartsFromTheFirstOne) {
  test::FakeDrives none({{'C', tmp / "C" + sep()}, {'D', tmp / "D" + sep()}}, 0);
  test::DriveFileSystem noneFiles(none);
  PageContext elsewhere{"D:\\", noneFiles, none, registry};
  CDestinationDlg dlg(elsewhere);
  dlg.m_strUninstallKeys.fill("NULL");
  EXPECT_EQ(driver.run(dlg,
                       [&](test::PageDriver& d) {
                         EXPECT_EQ(none.current_dir(), "C:\\");
                         d.act("select 1002 [-d-]");
                         d.act("click 1");
                       }),
            fw::kIdOk);
  EXPECT_EQ(dlg.m_nStartDrive, 3);
  EXPECT_EQ(none.current_drive(), 3);
  EXPECT_EQ(none.real_path("tmp"), tmp / "C" + sep() + "tmp");
}

TEST_F(PagesTest, FolderListHasNoLimitsOnCountOrLength) {
  // Names longer than 31 bytes, and a current folder longer than 100
  // characters: listed and shown whole.
  const std::string longName = "とても長いフォルダの名前_" + std::string(40, 'x');
  std::string deep = "C";
  for (int i = 0; i < 3; ++i) tmp.mkdir(deep += sep() + longName);
  CDestinationDlg dlg(ctx);
  dlg.m_strUninstallKeys.fill("NULL");
  driver.run(dlg, [&](test::PageDriver& d) {
    d.act("select 1002 [-c-]");
    std::string shown = "C:";
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(d.entries(IDC_FOLDER_LIST).back(), "[" + longName + "]");
      d.act("select 1003 [" + longName + "]");
      shown += "\\" + longName;
    }
    EXPECT_EQ(d.text(IDC_PATH), shown);
    EXPECT_GT(shown.size(), 100u);
    d.act("esc");
  });

  // More than 999 folders in one listing.
  struct ManyFolders : DelegatingFileSystem {
    using DelegatingFileSystem::DelegatingFileSystem;
    std::vector<FoundEntry> find(const std::string&) override {
      std::vector<FoundEntry> out{{"file", false}, {".", true}, {"..", true}};
      for (int i = 0; i < 1500; ++i) out.push_back({"f" + std::to_string(i), true});
      return out;
    }
  } many(files);
  CDestinationDlg counted({"D:\\", many, drives, registry});
  std::vector<std::string> table;
  EXPECT_EQ(counted.ListSubfolders(table, "c:\\*.*"), 1501);
  EXPECT_EQ(table.size(), 1501u);
  EXPECT_EQ(table[0], "..");
  EXPECT_EQ(table[1500], "f1499");
}

TEST(FolderFromUninstallString, TakesTheFolderOfTheFileAfterMinusF) {
  const std::string longTail = "C:\\" + std::string(300, 'a') + "\\REMOVE.LOG";
  const struct {
    std::string value;
    int result;
    std::string folder;
  } cases[] = {
      {"C:\\WINDOWS\\REMOVE.EXE -fC:\\TOOLS\\SAMPLE\\REMOVE.LOG", 1, "C:\\TOOLS\\SAMPLE\\"},
      {"C:\\WINDOWS\\REMOVE.EXE -fD:\\SAMPLE.LOG -c", 1, "D:\\"},
      {"C:\\WINDOWS\\REMOVE.EXE -FC:\\TOOLS\\REMOVE.LOG", 0, "C:\\WINDOWS\\REMOVE.EXE -FC:\\TOOLS\\REMOVE.LOG"},
      {"C:\\WINDOWS\\REMOVE.EXE", 0, "C:\\WINDOWS\\REMOVE.EXE"},
      {"REMOVE.EXE -fREMOVE.LOG", 1, ""},
      {"REMOVE.EXE -fC:\\My -Tools\\X\\REMOVE.LOG", 1, "C:\\"},
      {"REMOVE.EXE -f\"C:\\TOOLS\\REMOVE.LOG\"", 1, "\"C:\\TOOLS\\"},
      {"REMOVE.EXE -fC:\\ソフト\\表\\REMOVE.LOG", 1, "C:\\ソフト\\表\\"},
      {"X -fC:\\A\\B.LOG -fD:\\E\\F.LOG", 1, "C:\\A\\"},
      {"X.EXE -f" + longTail, 1, "C:\\" + std::string(300, 'a') + "\\"},
  };
  for (const auto& c : cases) {
    std::string buffer = c.value;
    EXPECT_EQ(FolderFromUninstallString(buffer), c.result) << c.value;
    EXPECT_EQ(buffer, c.folder) << c.value;
  }
}

TEST_F(PagesTest, LookUpInstalledFolderTakesTheFirstKeyThatOpens) {
  const std::string longValue = "X.EXE -fE:\\" + std::string(400, 'p') + "\\R.LOG";
  const struct {
    Strings keys;                  // the page's entry names; "NULL" fills the rest
    std::map<std::string, std::optional<std::string>> values;  // key -> value (missing: key only)
    std::string path;              // path box after opening
    Strings asked;
  } cases[] = {
      {{"NULL", "A"}, {{"A", "X -fC:\\A\\R.LOG"}}, "view", {}},
      {{"A", "B", "NULL", "C"}, {{"B", "X -fC:\\TOOLS\\SAMPLE\\R.LOG"}, {"C", "X -fC:\\C\\R"}}, "C:\\TOOLS\\SAMPLE",
       {"A", "B"}},
      {{"A", "B"}, {{"A", std::nullopt}, {"B", "X -fC:\\B\\R"}}, "view", {"A"}},
      {{"A"}, {{"A", "C:\\WINDOWS\\REMOVE.EXE -fD:\\SAMPLE.LOG -c"}}, "D:", {"A"}},
      {{"A"}, {{"A", "X -fREMOVE.LOG"}}, "", {"A"}},
      {{"A"}, {{"A", "X -FC:\\A\\R"}}, "view", {"A"}},
      {{"A"}, {{"A", longValue}}, "E:\\" + std::string(400, 'p'), {"A"}},
      {{"A"}, {{"A", std::string("X\0 -fC:\\A\\R", 12)}}, "view", {"A"}},
      {{"ソ"}, {{"ソ", "X -fC:ソ.LOG"}}, "C:", {"ソ"}},  // ソ's second byte is no separator
  };
  for (const auto& c : cases) {
    test::MemoryRegistry reg;
    for (const auto& [key, value] : c.values) {
      if (value)
        reg.set(kUninstall + key, "UninstallString", *value);
      else
        reg.add_key(kUninstall + key);
    }
    PageContext withReg{ctx.programFolder, files, drives, reg};
    CDestinationDlg dlg(withReg);
    dlg.m_strPath = "view";
    dlg.m_strUninstallKeys.fill("NULL");
    std::copy(c.keys.begin(), c.keys.end(), dlg.m_strUninstallKeys.begin());
    driver.run(dlg, [&](test::PageDriver& d) {
      EXPECT_EQ(d.text(IDC_PATH), c.path) << c.keys[0];
      d.act("esc");
    });
    Strings asked;
    for (const std::string& k : c.asked) asked.push_back(kUninstall + k);
    EXPECT_EQ(reg.asked, asked) << c.keys[0];
  }
}

}  // namespace
}  // namespace relvo
