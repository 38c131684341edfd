// Fault injection over whole conversions: whichever read, write, flush, close
// or rename fails, every master file is either its old or its new self and no
// "temp.mst" is left behind.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/delegating_files.h"
#include "master/material_master.h"
#include "support/temp_dir.h"

namespace relvo {
namespace {

using test::TempDir;

// Fails the k-th of its counted operations: a stream operation throws
// FileError (a failed write first writes half of its bytes, as a full disk
// does), a rename returns false. Everything else goes to the inner backend,
// and so does the settings file (the profile layer reads an unreadable one
// as missing, which is another test's business).
class FailingFileSystem : public DelegatingFileSystem {
 public:
  FailingFileSystem(FileSystem& inner, long failAt, std::string settings)
      : DelegatingFileSystem(inner), failAt_(failAt), settings_(std::move(settings)) {}

  // True when the operation about to run is the one to fail.
  bool fail_now(FileError::Op op) {
    if (++count_ != failAt_) return false;
    failedOp_ = op;
    return true;
  }
  long count() const { return count_; }
  bool failed() const { return count_ >= failAt_; }
  FileError::Op failed_op() const { return failedOp_; }

  bool rename(const std::string& from, const std::string& to) override {
    return !fail_now(FileError::Op::Rename) && inner_.rename(from, to);
  }
  std::unique_ptr<FileReader> open_read(const std::string& path) override;
  std::unique_ptr<FileWriter> create(const std::string& path) override;

 private:
  long failAt_, count_ = 0;
  std::string settings_;
  FileError::Op failedOp_ = FileError::Op::Open;
};

class FailingReader : public FileReader {
 public:
  FailingReader(FailingFileSystem& fs, std::unique_ptr<FileReader> in, std::string path)
      : fs_(fs), in_(std::move(in)), path_(std::move(path)) {}
  std::size_t read(void* buf, std::size_t n) override {
    if (fs_.fail_now(FileError::Op::Read)) throw FileError(FileError::Op::Read, path_);
    return in_->read(buf, n);
  }

 private:
  FailingFileSystem& fs_;
  std::unique_ptr<FileReader> in_;
  std::string path_;
};

class FailingWriter : public FileWriter {
 public:
  FailingWriter(FailingFileSystem& fs, std::unique_ptr<FileWriter> out, std::string path)
      : fs_(fs), out_(std::move(out)), path_(std::move(path)) {}
  void write(const void* buf, std::size_t n) override {
    if (fs_.fail_now(FileError::Op::Write)) {
      out_->write(buf, n / 2);
      throw FileError(FileError::Op::Write, path_);
    }
    out_->write(buf, n);
  }
  void flush() override {
    if (fs_.fail_now(FileError::Op::Flush)) throw FileError(FileError::Op::Flush, path_);
    out_->flush();
  }
  void close() override {
    if (fs_.fail_now(FileError::Op::Close)) throw FileError(FileError::Op::Close, path_);
    out_->close();
  }

 private:
  FailingFileSystem& fs_;
  std::unique_ptr<FileWriter> out_;
  std::string path_;
};

std::unique_ptr<FileReader> FailingFileSystem::open_read(const std::string& path) {
  auto in = inner_.open_read(path);
  if (!in || path == settings_) return in;
  return std::make_unique<FailingReader>(*this, std::move(in), path);
}

std::unique_ptr<FileWriter> FailingFileSystem::create(const std::string& path) {
  auto out = inner_.create(path);
  if (!out) return nullptr;
  return std::make_unique<FailingWriter>(*this, std::move(out), path);
}

// Master files with touched and untouched records. Touched size records are
// 186 bytes, so converting a converted file changes nothing more. One file
// is larger than the conversion's read and write blocks.
std::map<std::string, std::string> MasterFiles() {
  const std::string touched = "400400000107 A" + std::string(172, 't');  // 186 bytes
  const std::string other = "400400000108 B" + std::string(172, 'o');
  const std::string plain = "123456000107 C" + std::string(100, 'p');
  std::string big;
  while (big.size() < 600 * 1024) big += touched + "\n" + other + "\r\n" + plain + "\n";
  return {
      {"master1\\zai001-3.mst", touched + "\n" + plain + "\n"},
      {"master1\\zai002-3.mst", big},
      {"master1\\zai003-3.mst", other + "\n" + touched},
      {"master21\\zai001-3.mst", plain + "\n" + touched + "\n" + other + "\n"},
      {"master21\\zai002-3.mst", touched + "\r\n"},
  };
}

void Populate(const TempDir& tmp, const std::map<std::string, std::string>& files) {
  tmp.write("vornel1.ini", "[DIR]\r\nMASTER=" + tmp / "master" + "\r\n");
  for (const auto& [name, content] : files) tmp.write(name, content);
}

using Conversion = int (*)(FileSystem&, const std::string&);

void CheckEveryFailurePoint(Conversion convert) {
  const auto oldFiles = MasterFiles();
  std::map<std::string, std::string> newFiles;
  {
    TempDir ref;
    Populate(ref, oldFiles);
    ASSERT_EQ(convert(native_file_system(), ref / "vornel1.ini"), 1);
    for (const auto& [name, content] : oldFiles) {
      newFiles[name] = ref.read(name);
      ASSERT_NE(newFiles[name], content) << name << " must change, or the check below could not tell";
    }
  }
  std::set<FileError::Op> failedOps;
  for (long k = 1;; ++k) {
    SCOPED_TRACE("failing operation " + std::to_string(k));
    TempDir tmp;
    Populate(tmp, oldFiles);
    FailingFileSystem fs(native_file_system(), k, tmp / "vornel1.ini");
    int result = -1;
    try {
      result = convert(fs, tmp / "vornel1.ini");
    } catch (const FileError& e) {
      EXPECT_FALSE(e.path().empty());
    }
    for (const auto& [name, content] : oldFiles) {
      const std::string now = tmp.read(name);
      EXPECT_TRUE(now == content || now == newFiles[name]) << name << " is neither old nor new";
    }
    EXPECT_FALSE(tmp.exists("master1\\temp.mst"));
    EXPECT_FALSE(tmp.exists("master21\\temp.mst"));
    if (!fs.failed()) {
      // Every operation of a whole conversion has had its turn.
      EXPECT_EQ(result, 1);
      for (const auto& [name, content] : newFiles) EXPECT_EQ(tmp.read(name), content) << name;
      EXPECT_GT(k, 30) << "fewer operations than the files need";
      break;
    }
    EXPECT_EQ(result, -1) << "a failure must end the conversion with FileError";
    failedOps.insert(fs.failed_op());
    // Nothing is lost: running again finishes the conversion.
    ASSERT_EQ(convert(native_file_system(), tmp / "vornel1.ini"), 1);
    for (const auto& [name, content] : newFiles) EXPECT_EQ(tmp.read(name), content) << name;
  }
  EXPECT_EQ(failedOps, (std::set<FileError::Op>{FileError::Op::Read, FileError::Op::Write, FileError::Op::Flush,
                                                FileError::Op::Close, FileError::Op::Rename}));
}

TEST(FaultInjection, SizeConversionLosesNothing) {
  CheckEveryFailurePoint([](FileSystem& fs, const std::string& p) { return ConvertMaterialSize(fs, p); });
}
TEST(FaultInjection, TypeConversionLosesNothing) {
  CheckEveryFailurePoint([](FileSystem& fs, const std::string& p) { return ConvertMaterialType(fs, p); });
}

}  // namespace
}  // namespace relvo
