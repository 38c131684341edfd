// The POSIX registry: a real Wine hive (tests/data/registry), the file
// chosen by RELVO_REGISTRY or the Wine prefix, and a file that changes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/encoding.h"
#include "platform/registry.h"
#include "support/temp_dir.h"
#include "test_env.h"

namespace relvo {
namespace {

using test::ScopedEnv;
using test::TempDir;

const std::string kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const char* kNoKey = "\x01no key";
constexpr const char* kNoValue = "\x01no value";

std::string look_up(const std::string& name) {
  std::optional<std::string> v;
  if (!native_registry().read_value(kUninstall + name, "UninstallString", v)) return kNoKey;
  return v ? *v : kNoValue;
}

std::string sample() { return enc::cp932_to_utf8(test::test_data_dir()) + "registry/system.reg"; }

TEST(PosixRegistry, ReadsAWineHive) {
  ScopedEnv file("RELVO_REGISTRY", sample().c_str());
  const struct {
    const char *name, *want;
  } cases[] = {
      {"テスト", "C:\\WINDOWS\\REMOVE.EXE -fC:\\TOOLS\\SAMPLE\\REMOVE.LOG"},
      {"ソフト表", "C:\\ソフト表\\REMOVE.EXE -fC:\\ソフト表\\REMOVE.LOG"},
      {"sample32", "C:\\WINDOWS\\REMOVE.EXE -fD:\\SAMPLE.LOG -c"},  // the 32-bit view first
      {"Only64", "C:\\WINDOWS\\REMOVE.EXE -fC:\\ONLY64\\REMOVE.LOG"},
      {"NoString", "\x01"},  // a dword 1, as its bytes up to the first NUL
      {"Missing", kNoKey},
  };
  for (const auto& c : cases) EXPECT_EQ(look_up(c.name), c.want) << c.name;
}

// A relative RELVO_REGISTRY names a file from where the program started,
// also after the current folder moved (the destination page moves it).
TEST(PosixRegistry, ARelativeFileCountsFromTheStartFolder) {
  const std::filesystem::path start = std::filesystem::current_path();
  std::string relative = std::filesystem::relative(sample(), start).string();
  ScopedEnv file("RELVO_REGISTRY", relative.c_str());
  TempDir elsewhere;
  std::filesystem::current_path(enc::cp932_to_utf8(elsewhere.path()));
  const std::string found = look_up("Only64");
  std::filesystem::current_path(start);
  EXPECT_EQ(found, "C:\\WINDOWS\\REMOVE.EXE -fC:\\ONLY64\\REMOVE.LOG");
}

TEST(PosixRegistry, TheFileInForce) {
  TempDir prefix, empty;
  std::filesystem::copy_file(sample(), enc::cp932_to_utf8(prefix.path()) + "system.reg");
  const std::string missing = enc::cp932_to_utf8(empty.path()) + "none.reg";
  const struct {
    const char *registry, *wineprefix;
    bool found;
  } cases[] = {
      {nullptr, prefix.path().c_str(), true},
      {nullptr, empty.path().c_str(), false},
      {missing.c_str(), prefix.path().c_str(), false},  // named and missing: no registry
      {"", prefix.path().c_str(), true},
  };
  for (const auto& c : cases) {
    ScopedEnv file("RELVO_REGISTRY", c.registry);
    ScopedEnv wine("WINEPREFIX", c.wineprefix);
    EXPECT_EQ(look_up("Only64") != kNoKey, c.found) << (c.registry ? c.registry : "-") << " " << c.wineprefix;
  }
}

TEST(PosixRegistry, AChangedFileIsReadAgain) {
  TempDir d;
  const std::string file = enc::cp932_to_utf8(d.path()) + "x.reg";
  ScopedEnv env("RELVO_REGISTRY", file.c_str());
  for (const char* value : {"one", "second", "3"}) {
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        << "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\" << kUninstall << "P]\r\n\"UninstallString\"=\"" << value << "\"\r\n";
    EXPECT_EQ(look_up("P"), value);
  }
}

}  // namespace
}  // namespace relvo
