// The console wizard end to end: the console program's wizard command on a
// copy of the demo media and product, driven by piped input as a person or
// a script answers it, or unattended; the exit status, the transcript, the
// log and the product as the run left it.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/media_report.h"
#include "app/relvo_app.h"
#include "app/run_host.h"
#include "engine/recording_files.h"
#include "engine/restore_point.h"
#include "engine/restore.h"
#include "fw/console/console_backend.h"
#include "platform/encoding.h"
#include "platform/delegating_files.h"
#include "platform/files.h"
#include "platform/interrupt.h"
#include "platform/registry_file.h"
#include "support/copy_tree.h"
#include "support/folder_snapshot.h"
#include "support/memory_registry.h"
#include "support/scripted_ui.h"
#include "support/temp_dir.h"

namespace relvo::app {
namespace {

std::string U(const std::string& cp932) { return enc::cp932_to_utf8(cp932); }

// Removes what the folder (a text ending with a separator) holds.
void EmptyFolder(const std::string& folder) {
  FileSystem& fs = native_file_system();
  for (const FoundEntry& e : fs.find(folder + "*")) {
    const std::string path = folder + e.name;
    if (e.isFolder) {
      EmptyFolder(path + "\\");
      fs.remove_folder(path);
      continue;
    }
    FileStatus st;
    if (fs.get_status(path, st) && (st.attribute & kAttrReadOnly)) {
      st.attribute = 0;
      fs.set_status(path, st);
    }
    fs.remove(path);
  }
}

std::size_t Count(const std::string& text, const std::string& needle) {
  std::size_t n = 0;
  for (std::size_t at = 0; (at = text.find(needle, at)) != std::string::npos; ++at) ++n;
  return n;
}

const std::string kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VORNEL 2.5";

class WizardTest : public ::testing::Test {
 protected:
  WizardTest() {
    const std::string demo = test::test_data_dir() + "..\\..\\demo\\";
    test::CopyTree(demo + "media\\disk1\\", tmp / "disk1\\");
    test::CopyTree(demo + "media\\disk2\\", tmp / "disk2\\");
    // Kept by its full path: the destination page changes the current
    // folder, which a relative data folder follows.
    test::CopyTree(demo + "product\\", tmp / "demo-product\\");
    FreshProduct();
    tmp.mkdir("empty");
    // The machine's uninstall entry names the copy, as the demo's names
    // C:\VORNEL.
    registry.set(kUninstallKey, "UninstallString", "C:\\WINDOWS\\IsUninst.exe -f" + product() + "Uninst.isu");
  }
  // The demo product, as the demo machine has it but in the copy: its
  // settings name the copy's master and wave folders.
  void FreshProduct() {
    EmptyFolder(product());
    test::CopyTree(tmp / "demo-product\\", product());
    tmp.write(productName + "\\vornel1.ini", "[SYSTEM]\r\nTITLE=VORNEL ﾌﾟﾛ 2.5\r\nMAKER=1\r\n\r\n[DIR]\r\nMASTER=" +
                                           product() + "master\r\nWAV=" + product() + "wave\r\n");
  }
  std::string product() const { return tmp / productName + "\\"; }
  // The product folder without its separator, as the destination page
  // shows it on Windows (a prefix of what it shows anywhere).
  std::string productFolder() const { return U(product().substr(0, product().size() - 1)); }
  std::string settings() const { return tmp.read(productName + "\\vornel1.ini"); }
  // The product's whole tree: names, bytes, read-only bits.
  std::string Product() const { return test::Snapshot(native_file_system(), product()); }
  bool updated() const { return settings().find("ﾍﾞﾙﾄﾗﾝ") != std::string::npos; }

  // Runs relvo with args (UTF-8; "@disk1" and the like name the copies)
  // and input; returns the exit status, the transcript in out.
  int Run(std::vector<std::string> args, const std::string& input, std::string& out, bool update = false) {
    // relvo wizard's arguments follow the program's name, relvo update's
    // its own name ("update").
    std::vector<std::string> words;
    if (!update) words.push_back("relvo");
    for (std::string& a : args) {
      if (!a.empty() && a[0] == '@') a = U(tmp / a.substr(1));
      words.push_back(a);
    }
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    std::istringstream in(input);
    std::ostringstream o, err;
    WizardIo io{in, o, err};
    io.options.echo = true;
    io.registry = &registry;
    io.restorePointBase = points();
    io.files = files;
    io.checkRoom = room;
    const int argc = static_cast<int>(argv.size());
    const int status = update ? RunUpdateCommand(argc, argv.data(), io) : RunWizardCommand(argc, argv.data(), io);
    out = o.str() + err.str();
    return status;
  }

  std::string Log() const { return tmp.exists("relvo.log") ? tmp.read("relvo.log") : std::string(); }

  // Where the runs keep restore points.
  std::string points() const { return tmp / "points\\"; }
  // The demo update on the product, as the wizard runs it, keeping a
  // restore point in points().
  void UpdateWithPoint() {
    FileSystem& disk = native_file_system();
    RestorePointWriter point(disk, ProductPointsFolder(disk, points(), product()), product());
    test::ScriptUi ui;
    ui.answer = [](const test::Box&) { return int(fw::kIdOk); };
    RunHost run(RunParts{disk, native_system_info(), {tmp / "disk1\\", tmp / "disk2\\"},
                         [&](FileSystem& below) { return std::make_unique<RecordingFileSystem>(below, point); }},
                ui);
    UpdateDescriptor d;
    ASSERT_EQ(ReadUpdateInfo(disk, tmp / "disk1\\", d), 1);
    ASSERT_EQ(RunOnCopy(run, d, product()).outcome, UpdateOutcome::Updated) << test::Show(ui.boxes);
    ASSERT_TRUE(point.finish(disk));
  }

  test::TempDir tmp;
  test::MemoryRegistry registry;
  std::string productName = "product";  // the product's folder in tmp
  FileSystem* files = nullptr;  // the disk the wizard works on; nullptr: the machine's
  std::function<RoomCheck(const std::string&, std::uint64_t)> room;
};

// The disk, with a Ctrl-C that comes as the run starts the first file
// whose name holds marker.
class CtrlCAt final : public DelegatingFileSystem {
 public:
  explicit CtrlCAt(std::string marker) : DelegatingFileSystem(native_file_system()), marker_(std::move(marker)) {}
  bool copy_file(const std::string& f, const std::string& t) override {
    const bool ok = inner_.copy_file(f, t);
    hit(t);
    return ok;
  }
  std::unique_ptr<FileWriter> create_temp(const std::string& p) override {
    hit(p);
    return inner_.create_temp(p);
  }

 private:
  void hit(const std::string& p) {
    if (p.find(marker_) != std::string::npos) interrupt::request();
  }
  std::string marker_;
};

const std::vector<std::string> kTwoDisks = {"--media", "@disk1", "--media", "@disk2", "--log", "@relvo.log"};

// The person's way through the wizard: each row of the page sequence, and
// the log of the pages and runs in the order they came.
TEST_F(WizardTest, PageSequenceDrivenByInput) {
  const std::string right = "type 1005 " + U(product()) + "\n";
  const std::string wrong = "type 1005 " + U(tmp / "empty") + "\n";
  const struct {
    const char* name;
    std::string input;
    int status;
    bool updated;
    std::vector<std::string> log;  // "page" and "update" events in order
  } cases[] = {
      {"start cancelled", "click 2\n", 3, false, {"page start: 2 (cancel)"}},
      {"input ends on the start page", "", 3, false, {"page start: 2 (cancel)"}},
      {"esc on the destination page ends the program", "click 1\nesc\n", 3, false,
       {"page start: 1", "page destination: 2 (esc)"}},
      {"back from the destination page, forward again: the typed folder is lost",
       "click 1\ntype 1005 X:\\elsewhere\nclick 1008\nclick 1\nclick 1\nclick 1\nenter\nenter\n", 0, true,
       {"page start: 1", "page destination: 1008 (back)", "page start: 1",
        "page destination: 1 (OK), folder " + productFolder(), "page confirm: 1", "update returned 1: updated"}},
      {"back from the confirmation page", "click 1\nclick 1\nclick 2\nclick 1\nclick 1\nenter\nenter\n", 0, true,
       {"page destination: 1", "page confirm: 2 (back)", "page destination: 1", "page confirm: 1",
        "update returned 1"}},
      {"a run that returns 0, then a second run after it",
       "click 1\n" + wrong + "click 1\nclick 1\nenter\n" + right + "click 1\nclick 1\nenter\nenter\n", 0, true,
       {"page confirm: 1", "update returned 0: folder rejected: no settings file", "page destination: 1",
        "page confirm: 1", "update returned 1: updated"}},
      {"a rejected folder, then esc: cancelled", "click 1\n" + wrong + "click 1\nclick 1\nenter\nesc\n", 3, false,
       {"update returned 0", "page destination: 2 (esc)"}},
      // Rows 1-4 were applied: the wizard offers to put them back.
      {"disk prompt cancelled, the product left as the run left it", "click 1\nclick 1\nclick 1\nclick 2\nenter\n", 6,
       false,
       {"page confirm: 1", "restore-point ", "box [" + U("確認] ｱｯﾌﾟﾃﾞｲﾄが途中で終了") ,
        "update returned 1: cancelled at a disk prompt, after changing files (rows done 4/6)",
        "end 6 (stopped after changes): rows done 4/6"}},
      {"disk prompt cancelled, the product put back", "click 1\nclick 1\nclick 1\nclick 2\nenter\nclick 1\nenter\n", 7,
       false,
       {"update returned 1: cancelled at a disk prompt, after changing files (rows done 4/6), put back",
        "end 7 (stopped and put back)"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FreshProduct();
    const std::string before = Product();
    tmp.write("relvo.log", "");
    std::string out;
    EXPECT_EQ(Run(kTwoDisks, c.input, out), c.status) << out;
    EXPECT_EQ(updated(), c.updated) << out;
    // Only an update and a stop left as it is change the product.
    EXPECT_EQ(Product() == before, c.status != 0 && c.status != 6) << out;
    const std::string log = Log();
    std::size_t at = 0;
    for (const std::string& event : c.log) {
      at = log.find(event, at);
      ASSERT_NE(at, std::string::npos) << event << "\n" << log;
    }
    EXPECT_NE(log.find("end " + std::to_string(c.status)), std::string::npos) << log;
  }
}

// A person's keys: an empty line presses the default button, and help on
// each page says what esc does there.
TEST_F(WizardTest, EmptyLinesGoOnAndHelpSaysWhatEscDoes) {
  std::string out;
  EXPECT_EQ(Run(kTwoDisks, "help\n\nhelp\n\nhelp\nesc\nesc\n", out), 3);
  std::size_t at = 0;
  for (const std::string& line : {U("presses [1] 開始; esc ends the wizard."), U("presses [1] 次へ; esc ends the wizard."),
                                  U("presses [1] 更新; esc goes back to the destination page."),
                                  std::string("page destination: 2 (esc)")}) {
    at = (out + Log()).find(line, at);
    ASSERT_NE(at, std::string::npos) << line << "\n" << out;
  }
}

// The frame's title command is posted after the view's first page command:
// it arrives while the start page is open. Without info.txt the view still
// opens the start page, and the title is empty.
TEST_F(WizardTest, TitleArrivesWhileTheStartPageIsOpen) {
  std::string out;
  EXPECT_EQ(Run({"--media", "@disk1"}, "click 2\n", out), 3);
  const std::size_t page = out.find("== " + U("マスタ調整機能付"));
  const std::size_t title = out.find("(title: " + U("VORNEL 3.0 アップデート") + ")\n");
  const std::size_t action = out.find("> click 2");
  ASSERT_NE(page, std::string::npos) << out;
  EXPECT_LT(page, title) << out;
  EXPECT_LT(title, action) << out;
  EXPECT_NE(out.find("(picture: view.bmp)"), std::string::npos) << out;

  EXPECT_EQ(Run({"--media", "@empty"}, "esc\n", out), 3);
  EXPECT_NE(out.find("(title: )\n"), std::string::npos) << out;
  // A medium without info.txt is told at once, with the way to see why.
  const std::size_t told = out.find("info.txt cannot be read (relvo check-media " + U(tmp / "empty"));
  ASSERT_NE(told, std::string::npos) << out;
  EXPECT_LT(told, out.find("== ")) << out;
}

TEST_F(WizardTest, UnattendedRunsAndTheirStatus) {
  const struct {
    const char* name;
    std::vector<std::string> args;
    int status;
    bool updated;
    std::string shown;  // in the transcript
  } cases[] = {
      {"the registry's folder, both disks", {"--unattended", "--media", "@disk1", "--media", "@disk2"}, 0, true,
       "destination: "},
      {"a folder without settings", {"--unattended", "--dest", "@empty", "--media", "@disk1"}, 4, false,
       "(unattended: click 1)"},
      // The check before the update finds where it would stop: nothing is changed.
      {"the second disk missing", {"--unattended", "--media", "@disk1", "--media", "@empty"}, 5, false,
       "2 " + U("枚目のｱｯﾌﾟﾃﾞｲﾄFD (") + U(tmp / "empty")},
      {"one folder for both disks: an archive missing", {"--unattended", "--media", "@disk1"}, 5, false,
       U("SYS2.lzh が見つかりません。")},
      {"no info.txt", {"--unattended", "--dest", "@product", "--media", "@empty"}, 1, false, "info.txt"},
      {"--dest without --unattended", {"--dest", "@product"}, 2, false, "--dest is for --unattended runs"},
      {"relvo update", {"update", "--media", "@disk1", "--media", "@disk2", "--dest", "@product"}, 0, true,
       "destination: "},
      {"relvo update without --dest", {"update", "--media", "@disk1"}, 2, false, "no product folder given"},
      {"/? as Windows users ask for help", {"--media", "@disk1", "/?"}, 0, false, "usage: relvo [wizard]"},
      {"relvo update -h", {"update", "-h"}, 0, false, "usage: relvo update"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FreshProduct();
    std::string out;
    const std::string before = Product();
    EXPECT_EQ(Run(c.args, "", out, c.args.front() == "update"), c.status) << out;
    EXPECT_EQ(updated(), c.updated) << out;
    EXPECT_EQ(Product() == before, !c.updated) << out;
    EXPECT_NE(out.find(c.shown), std::string::npos) << out;
  }
  // A log that is no plain file (a folder, a FIFO that nobody reads, a
  // device) is refused before anything changes, and never waited on.
  std::vector<std::string> logs = {"@empty"};
  if (tmp.plant_fifo("log.fifo")) logs.push_back("@log.fifo");
#ifndef _WIN32
  logs.push_back("/dev/full");
#endif
  for (const std::string& log : logs) {
    SCOPED_TRACE(log);
    FreshProduct();
    std::string out;
    EXPECT_EQ(Run({"update", "--media", "@disk1", "--media", "@disk2", "--dest", "@product", "--log", log}, "", out,
                  true),
              1);
    EXPECT_FALSE(updated());
    EXPECT_NE(out.find("cannot open the log file"), std::string::npos) << out;
  }
}

// What the update does around the run: the check before changing, the
// restore point and its room, Ctrl-C, and putting back after a stop.
TEST_F(WizardTest, GuardedRuns) {
  const std::vector<std::string> update = {"update", "--media", "@disk1", "--media", "@disk2", "--dest", "@product",
                                           "--log", "@relvo.log"};
  auto noRoom = [](const std::string&, std::uint64_t needed) { return RoomCheck{true, needed, needed - 1}; };
  const struct {
    const char* name;
    std::vector<std::string> more;  // after update's arguments
    const char* ctrlC;              // the file whose start brings Ctrl-C; nullptr: none
    bool room;
    const char* title;              // the product's TITLE; nullptr: the demo's
    std::string input;              // a person's answers (relvo wizard) instead of relvo update
    int status;
    const char* product;            // "before", "updated" or "stopped"
    bool point;                     // a restore point kept
    std::string logged;
  } cases[] = {
      {"Ctrl-C in row 4", {}, "README", true, nullptr, "", 6, "stopped", true,
       "end 6 (stopped after changes): rows done 4/6\n"},
      {"Ctrl-C in row 4, --rollback", {"--rollback"}, "README", true, nullptr, "", 7, "before", true,
       "end 7 (stopped and put back): rows done 4/6\n"},
      {"Ctrl-C between the members of row 1", {}, "vornel.cfg", true, nullptr, "", 6, "stopped", true,
       "rows done 0/6, stopped in row 1\n"},
      {"Ctrl-C, no restore point", {"--no-restore-point"}, "README", true, nullptr, "", 6, "stopped", false,
       "restore-point none (--no-restore-point)"},
      {"no room for the point", {}, nullptr, false, nullptr, "", 5, "before", false,
       "not enough room for the restore point"},
      {"no room, --no-restore-point", {"--no-restore-point"}, nullptr, false, nullptr, "", 0, "updated", false,
       "end 0 (updated)"},
      {"no room: a person goes on without", {}, nullptr, false, nullptr,
       "click 1\nclick 1\nclick 1\nclick 1\nclick 1\nenter\n", 0,
       "updated", false, "restore-point none: the update goes on without one"},
      {"no room: a person stops", {}, nullptr, false, nullptr, "click 1\nclick 1\nclick 1\nclick 2\n", 3, "before",
       false, "end 3 (cancelled)"},
      {"product not identified after row 1", {}, nullptr, true, "UNKNOWN", "", 4, "before", false,
       "would stop at row 1/6 extract"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FreshProduct();
    if (c.title) tmp.write("product\\vornel1.ini", std::string("[SYSTEM]\r\nTITLE=") + c.title + "\r\n");
    EmptyFolder(tmp / "points\\");
    tmp.write("relvo.log", "");
    const std::string before = Product();
    std::optional<CtrlCAt> disk;
    if (c.ctrlC) files = &disk.emplace(c.ctrlC);
    room = c.room ? nullptr : std::function<RoomCheck(const std::string&, std::uint64_t)>(noRoom);
    std::vector<std::string> args = c.input.empty() ? update : kTwoDisks;
    args.insert(args.end(), c.more.begin(), c.more.end());
    std::string out;
    EXPECT_EQ(Run(args, c.input, out, c.input.empty()), c.status) << out;
    files = nullptr;
    room = nullptr;
    const std::string after = Product();
    EXPECT_EQ(after == before, std::string(c.product) == "before") << out;
    EXPECT_EQ(updated(), std::string(c.product) == "updated") << out;
    EXPECT_NE(Log().find(c.logged), std::string::npos) << Log();
    const bool kept = !native_file_system().find(tmp / "points\\*").empty();
    EXPECT_EQ(kept, c.point) << Log();
    // A point kept after a stop puts the product back.
    if (!kept || std::string(c.product) != "stopped") continue;
    EXPECT_NE(out.find("relvo restore --dest " + U(tmp / "product")), std::string::npos) << out;
    std::vector<std::string> words = {"restore", "--dest", U(product()), "--restore-point", U(tmp / "points")};
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    std::istringstream in;
    std::ostringstream o, e;
    WizardIo io{in, o, e};
    EXPECT_EQ(RunRestoreCommand(static_cast<int>(argv.size()), argv.data(), io), 0) << e.str();
    EXPECT_EQ(Product(), before);
  }
}

// The unattended run's transcript and log, event by event.
TEST_F(WizardTest, UnattendedLogAndProgress) {
  std::string out;
  ASSERT_EQ(Run({"--unattended", "--media", "@disk1", "--media", "@disk2", "--log", "@relvo.log"}, "", out), 0)
      << out;
  EXPECT_NE(out.find("destination: " + productFolder()), std::string::npos) << out;
  // Progress lines name the disk read, in one kind of separator.
  EXPECT_NE(out.find("(5/6) extract " + U(tmp / "disk2") ), std::string::npos) << out;
  const std::string log = Log();
  const std::vector<std::string> events = {
      "start relvo ",
      "media " + U(tmp / "disk1"),
      "disk 2 " + U(tmp / "disk2"),
      "descriptor ",
      "page start: 1 (OK)",
      "page destination: 1 (OK), folder ",
      "page confirm: 1 (OK)",
      "destination ",
      "row 1/6 extract ",
      "row 4/6 copy ",
      "box [" + U("確認") + "] 2 " + U("枚目のｱｯﾌﾟﾃﾞｲﾄFDをｾｯﾄしてください。: OK"),
      "row 6/6 extract ",
      "settings ",
      "] " + U("ﾃﾞｼﾞﾀｲｻﾞMST=1: written"),
      "TITLE=VORNEL " + U("ﾌﾟﾛ 2.5 with ﾍﾞﾙﾄﾗﾝ: written"),
      "voice ",
      "conversion material size: 2 files, done",
      "conversion material type: 2 files, done",
      "box [" + U("確認") + "] " + U("システムは正常に更新されました。: OK"),
      "update returned 1: updated",
      "end 0 (updated)",
  };
  std::size_t at = 0;
  for (const std::string& e : events) {
    at = log.find(e, at);
    ASSERT_NE(at, std::string::npos) << e << "\n" << log;
  }
  // Every line carries its time: "YYYY-MM-DD HH:MM:SS EVENT".
  std::istringstream lines(log);
  for (std::string line; std::getline(lines, line);) {
    ASSERT_GT(line.size(), 20u) << line;
    EXPECT_EQ(line[4], '-') << line;
    EXPECT_EQ(line[13], ':') << line;
    EXPECT_EQ(line[19], ' ') << line;
  }
  EXPECT_EQ(Count(log, " row "), 6u) << log;
  // The steps after the rows, each on a line of its own.
  at = 0;
  for (const std::string& line : {std::string("(settings) "), U("] ﾃﾞｼﾞﾀｲｻﾞ=1\n"), std::string("(voice data) extract "),
                                  std::string("(material size conversion) 2 files\n"),
                                  std::string("(material type conversion) 2 files\n")}) {
    at = out.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << "\n" << out;
  }
  // The log is appended to. A refused folder's reason follows its box, on
  // the terminal and in the log.
  ASSERT_EQ(Run({"--unattended", "--media", "@disk1", "--log", "@relvo.log", "--dest", "@empty"}, "", out), 4);
  EXPECT_EQ(Log().rfind(log, 0), 0u);
  EXPECT_NE(Log().find("end 4 (rejected)"), std::string::npos);
  const std::string reason = U(tmp / "empty") + "\\vornel1.ini";  // the folder text and the name, as the run looked
  EXPECT_LT(out.find(U("ｲﾝｽﾄｰﾙ先ﾌｫﾙﾀﾞが正しくないと思われます。")), out.find("reason: " + reason)) << out;
  EXPECT_NE(Log().find(" reason " + reason), std::string::npos) << Log();
}

// Undoing the demo update through the wizard: the box checked on the
// destination page (or by --restore), files changed since the update asked
// about, and unattended runs; the product byte for byte as before.
TEST_F(WizardTest, RestoreThroughTheWizard) {
  const std::string pick = "pick\n";  // typing the product's folder into the path box
  const struct {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    bool point, changed;  // updated with a restore point; the settings file changed since
    int status;
    bool restored, kept;  // as before the update; the changed file kept beside
    const char* shown;
  } cases[] = {
      {"checked on the destination page", {}, "click 1\n" + pick + "click 1004\nclick 1\nclick 1\nenter\n", true,
       false, 0, true, false, "[x] "},
      {"--restore opens on the destination page, checked", {"--restore"}, pick + "click 1\nclick 1\nenter\n", true,
       false, 0, true, false, "[x] "},
      {"changed since, cancelled", {"--restore"}, pick + "click 1\nclick 1\nclick 2\nenter\n", true, true, 4,
       false, false, "vornel1.ini"},
      {"changed since, restored anyway", {"--restore"}, pick + "click 1\nclick 1\nclick 1\nenter\n", true, true, 0,
       true, true, ".relvo-kept"},
      {"--restore on a folder without a point", {"--restore"}, pick + "click 1\nenter\nesc\n", false, false, 3,
       false, false, "更新前に戻すための記録がありません。"},
      {"unattended", {"--unattended", "--restore", "--dest", "@"}, "", true, false, 0, true, false, "destination: "},
      {"unattended, changed since: refused", {"--unattended", "--restore", "--dest", "@"}, "", true, true, 4, false,
       false, "vornel1.ini"},
      {"unattended --force", {"--unattended", "--restore", "--force", "--dest", "@"}, "", true, true, 0, true, true,
       ".relvo-kept"},
      {"unattended, no restore point", {"--unattended", "--restore", "--dest", "@"}, "", false, false, 1, false, false,
       "(unattended: click 1)"},
      {"--force without --unattended --restore", {"--force"}, "", false, false, 2, false, false, "--force is for"},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    productName = "p" + std::to_string(++n);
    FreshProduct();
    FileSystem& disk = native_file_system();
    const std::string before = test::Snapshot(disk, product());
    if (c.point) UpdateWithPoint();
    if (c.changed) tmp.write(productName + "\\vornel1.ini", "mine");
    const std::string after = test::Snapshot(disk, product());
    std::vector<std::string> args = kTwoDisks;
    for (const std::string& a : c.args) args.push_back(a == "@" ? "@" + productName : a);
    std::string input = c.input;
    if (input.rfind(pick, 0) == 0 || input.find("\n" + pick) != std::string::npos)
      input.replace(input.find(pick), pick.size(), "type 1005 " + U(product()) + "\n");
    tmp.write("relvo.log", "");
    std::string out;
    EXPECT_EQ(Run(args, input, out), c.status) << out;
    EXPECT_NE(out.find(U(c.shown)), std::string::npos) << out;
    EXPECT_EQ(Log().find(" end " + std::to_string(c.status) + " (") != std::string::npos, c.status != 2) << Log();
    if (c.kept) {
      EXPECT_EQ(tmp.read(productName + "\\vornel1.ini.relvo-kept"), "mine");
      native_file_system().remove(product() + "vornel1.ini.relvo-kept");
    }
    EXPECT_TRUE(test::Snapshot(disk, product()) == (c.restored ? before : after));
    EXPECT_EQ(Log().find(" put-back ") != std::string::npos, c.restored) << Log();
  }
}

// check-media --plan on the demo's two disks takes the update's way: it
// asks for disk 2 and completes, as relvo update does (above).
TEST_F(WizardTest, PlanOfTheDemoCompletesAsTheUpdateDoes) {
  MediaCheckOptions opt;
  opt.disks = {tmp / "disk1\\", tmp / "disk2\\"};
  opt.hasProduct = opt.plan = true;
  opt.productFolder = product();
  const MediaReport r = CheckMedia(native_file_system(), opt);
  ASSERT_TRUE(r.plan);
  EXPECT_EQ(r.plan->outcome, UpdateOutcome::Updated) << MediaReportToText(r);
  EXPECT_EQ(r.errorCount(), 0) << MediaReportToText(r);
  // The restore point the plan counts is the one the update keeps, and it
  // puts the product back whole.
  const std::string before = Product();
  std::string out;
  ASSERT_EQ(Run({"update", "--media", "@disk1", "--media", "@disk2", "--dest", "@product"}, "", out, true), 0) << out;
  const std::string folder = ProductPointsFolder(native_file_system(), tmp / "points\\", product());
  const std::vector<PointInfo> points = ListPoints(native_file_system(), folder);
  ASSERT_EQ(points.size(), 1u);
  EXPECT_GT(r.plan->point.paths, 20u);
  EXPECT_EQ(points[0].entries.size(), r.plan->point.paths);
  EXPECT_EQ(points[0].bytes, r.plan->point.oldBytes);
  EXPECT_GE(r.plan->point.needed, r.plan->point.oldBytes + r.plan->point.paths);
  EXPECT_NE(MediaReportToText(r).find("Restore point: " + std::to_string(r.plan->point.paths) + " paths recorded"),
            std::string::npos);
  EXPECT_TRUE(updated());
  EXPECT_EQ(RestoreProduct(native_file_system(), native_file_system(), folder, RestoreRequest{}).result,
            RestoreResult::Restored);
  EXPECT_EQ(Product(), before);
}

// The frame as start-up leaves it (no menu, maximized, the template's title
// until its title command), and a command posted to the frame that neither
// the view nor the frame handles reaches the application (the version box).
TEST_F(WizardTest, MainFrameAndCommandRouting) {
  std::istringstream in("enter\nesc\n");
  std::ostringstream out;
  fw::console::ConsoleBackend console(in, out, native_current_folders());
  fw::ScopedBackend backend(console);
  std::optional<RunHost> run;
  CRelvoApp app(AppSetup{tmp / "disk1", native_current_folders(), [&](const std::string& folder) {
                           run.emplace(RunParts{native_file_system(), native_system_info(), {folder}}, console.ui());
                           return ViewEnvironment{folder, native_current_folders(), registry, run->host()};
                         }});
  ASSERT_TRUE(app.InitInstance());
  EXPECT_EQ(app.ProgramFolder(), tmp / "disk1" + tmp.path().back());
  fw::FrameWnd* frame = app.m_pMainWnd;
  ASSERT_NE(frame, nullptr);
  EXPECT_FALSE(frame->HasMenu());
  EXPECT_EQ(frame->GetStyle(), fw::kWsVisible);
  EXPECT_EQ(frame->GetWindowText(), "Relvo");
  fw::WindowPlacement wp;
  ASSERT_TRUE(frame->GetWindowPlacement(wp));
  EXPECT_EQ(wp.showCmd, unsigned(fw::kSwShowMaximized));
  EXPECT_EQ(wp.ptMaxPosition.x, 0);
  EXPECT_EQ(wp.ptMaxPosition.y, 0);
  frame->PostMessage(fw::kWmCommand, fw::kIdAppAbout, 0);
  EXPECT_EQ(app.Run(), 0);  // the start page closed the frame: the loop ended
  const std::string text = out.str();
  const std::size_t title = text.find("(title: " + U("VORNEL 3.0 アップデート") + ")");
  const std::size_t about = text.find("Relvo Version 3.0");
  EXPECT_LT(title, about) << text;
  EXPECT_NE(about, std::string::npos) << text;
  EXPECT_EQ(app.m_pMainWnd, nullptr);
}

// The demo's registry file resolves the uninstall entry its medium names.
TEST(DemoRegistry, ResolvesTheMediumsUninstallEntry) {
  std::string bytes, info;
  FileSystem& fs = native_file_system();
  ASSERT_TRUE(read_whole_file(fs, test::test_data_dir() + "..\\..\\demo\\uninstall.reg", bytes));
  ASSERT_TRUE(read_whole_file(fs, test::test_data_dir() + "..\\..\\demo\\media\\disk1\\info.txt", info));
  EXPECT_NE(info.find("\r\nVORNEL 2.5\r\n"), std::string::npos);
  const regfile::RegistryFile reg(bytes);
  EXPECT_EQ(reg.string_value(kUninstallKey, "UninstallString"), "C:\\WINDOWS\\IsUninst.exe -fC:\\VORNEL\\Uninst.isu");
}

}  // namespace
}  // namespace relvo::app
