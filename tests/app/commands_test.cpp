// The console commands as a terminal or a script meets them: no control
// character reaches the terminal raw, unreadable media end with status 1,
// and output lost on the way to its file is never a success.
#include "app/commands.h"
#include "app/wizard_record.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "archive/lzh_builder.h"
#include "platform/delegating_files.h"
#include "platform/encoding.h"
#include "support/drain_file.h"
#include "support/temp_dir.h"

namespace relvo::app {
namespace {

using test::TempDir;

// A command's standard output and error, caught in temporary files.
struct Caught {
  int status = -1;
  std::string out, err;
};

Caught Call(const std::function<int(int, char**, std::FILE*, std::FILE*)>& command, std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  Caught c;
  if (!out || !err) return c;
  c.status = command(static_cast<int>(argv.size()), argv.data(), out, err);
  c.out = test::Drain(out);
  c.err = test::Drain(err);
  return c;
}

// True when text holds no control character but line ends.
bool TerminalSafe(const std::string& text) {
  for (unsigned char c : text)
    if ((c < 0x20 && c != '\n') || c == 0x7F) return false;
  return true;
}

TEST(Commands, HelpAsPeopleAskForIt) {
  for (const char* help : {"-h", "--help", "/?"}) {
    const Caught media = Call([](int c, char** v, std::FILE* o, std::FILE* e) { return RunCheckMediaCommand(c, v, native_file_system(), o, e); },
                              {"check-media", "dir", help});
    EXPECT_EQ(media.status, 0) << help;
    EXPECT_EQ(media.out.rfind("usage: relvo check-media", 0), 0u) << help;
    const Caught lzh = Call(RunLzhCommand, {"lzh", help});
    EXPECT_EQ(lzh.status, 0) << help;
    EXPECT_EQ(lzh.out.rfind("usage: relvo lzh", 0), 0u) << help;
  }
}

TEST(Commands, LzhShowsControlCharactersEscaped) {
  TempDir d;
  const std::string hostile = "a\x1b]0;owned\x07.txt";
  d.write("hostile.lzh", lzh::test::build(lzh::test::stored(hostile, "data"), 0) + std::string(1, '\0'));
  const auto lzhCommand = [](int argc, char** argv, std::FILE* out, std::FILE* err) {
    return RunLzhCommand(argc, argv, out, err);
  };
  for (const char* mode : {"l", "t"}) {
    SCOPED_TRACE(mode);
    const Caught c = Call(lzhCommand, {"lzh", mode, enc::cp932_to_utf8(d / "hostile.lzh")});
    EXPECT_EQ(c.status, 0) << c.err;
    EXPECT_NE(c.out.find("a<1b>]0;owned<07>.txt"), std::string::npos) << c.out;
    EXPECT_TRUE(TerminalSafe(c.out)) << c.out;
  }
  const Caught missing = Call(lzhCommand, {"lzh", "t", enc::cp932_to_utf8(d / "\x1b[2J.lzh")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("<1b>[2J.lzh"), std::string::npos) << missing.err;
  EXPECT_TRUE(TerminalSafe(missing.err)) << missing.err;
}

// Reads of info.txt, or of every other file, fail the way a bad disk or a
// file larger than memory makes them fail.
class BadMedia : public DelegatingFileSystem {
 public:
  BadMedia(std::function<void()> fail, bool descriptor)
      : DelegatingFileSystem(native_file_system()), fail_(std::move(fail)), descriptor_(descriptor) {}
  std::unique_ptr<FileReader> open_read(const std::string& p) override {
    auto r = inner_.open_read(p);
    const bool descriptor = p.size() >= 8 && p.compare(p.size() - 8, 8, "info.txt") == 0;
    if (!r || descriptor != descriptor_) return r;
    return std::make_unique<Failing>(std::move(r), fail_);
  }

 private:
  class Failing : public FileReader {
   public:
    Failing(std::unique_ptr<FileReader> r, std::function<void()> fail) : r_(std::move(r)), fail_(std::move(fail)) {}
    std::size_t read(void* buf, std::size_t n) override {
      if (n > 0 && done_++ > 0) fail_();  // the first block comes, then the failure
      return r_->read(buf, n < 40 ? n : 40);
    }

   private:
    std::unique_ptr<FileReader> r_;
    std::function<void()> fail_;
    int done_ = 0;
  };
  std::function<void()> fail_;
  bool descriptor_;
};

TEST(Commands, CheckMediaReportsWhatItCannotReadAndEndsWithOne) {
  TempDir media, product;
  product.write("vornel1.ini", "[SYSTEM]\r\nTITLE=" + std::string(100, 'T') + "\r\n");
  product.write("vo2menu.ini", "");
  product.write("Start.bmp", "BM");
  std::string info;
  for (int n = 1; n <= 41; ++n)
    info += (n == 19 ? std::string("vornel1.ini") : n == 21 ? "view.bmp" : "L" + std::to_string(n)) + "\r\n";
  media.write("info.txt", info);
  media.write("view.bmp", "BM" + std::string(100, '\0'));
  const std::function<void()> readError = [] { throw FileError(FileError::Op::Read, "x", 5); };
  const std::function<void()> noMemory = [] { throw std::bad_alloc(); };
  const struct {
    const char* name;
    std::function<void()> fail;
    bool descriptor;
    std::string said;
  } cases[] = {
      {"read error in info.txt", readError, true, "info.txt could not be read to its end"},
      {"info.txt larger than memory", noMemory, true, "info.txt is too large"},
      {"settings file larger than memory", noMemory, false, "the check could not be finished"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BadMedia fs(c.fail, c.descriptor);
    const Caught r = Call(
        [&](int argc, char** argv, std::FILE* out, std::FILE* err) { return RunCheckMediaCommand(argc, argv, fs, out, err); },
        {"check-media", "--product", enc::cp932_to_utf8(product.path()), enc::cp932_to_utf8(media.path())});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE((r.out + r.err).find(c.said), std::string::npos) << r.out << r.err;
  }
}

TEST(Commands, OutputThatCannotBeWrittenIsNoSuccess) {
  TempDir d;
  d.write("out.txt", "");
  // A stream that takes no writes stands for a full disk or a closed pipe.
  std::FILE* readOnly = std::fopen(enc::cp932_to_utf8(d / "out.txt").c_str(), "rb");
  std::FILE* good = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ASSERT_TRUE(readOnly && good && err);
  std::fputs("report\n", readOnly);
  std::fputs("report\n", good);
  EXPECT_EQ(FinishOutput(good, err, 0), 0);
  EXPECT_EQ(FinishOutput(good, err, 3), 3);
  EXPECT_EQ(FinishOutput(readOnly, err, 0), 1);
  EXPECT_EQ(FinishOutput(readOnly, err, 4), 4);
  // The progress lines of a completed update are no result of their own:
  // losing them is told, and the update's status stands.
  EXPECT_EQ(FinishOutput(readOnly, err, 0, true), 0);
  const std::string told = test::Drain(err);
  EXPECT_NE(told.find("the output could not be written"), std::string::npos) << told;
  EXPECT_NE(told.find("the progress output could not be written"), std::string::npos) << told;
  std::fclose(readOnly);
  std::fclose(good);

  // A log whose lines cannot be written says so once, and knows it is
  // incomplete.
  std::ostringstream logErr;
  RunLog log(logErr);
  log.attach(std::fopen(enc::cp932_to_utf8(d / "out.txt").c_str(), "rb"), "run.log");
  log.write("start", "one");
  log.write("end", "two");
  EXPECT_TRUE(log.incomplete());
  const std::string said = logErr.str();
  EXPECT_EQ(said.find("relvo: the log run.log is incomplete"), 0u) << said;
  EXPECT_EQ(said.find("run.log", 20), std::string::npos) << "told once: " << said;
}

}  // namespace
}  // namespace relvo::app
