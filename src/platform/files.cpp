// The parts of the file layer that are the same on every platform: the
// error type and the whole-file helpers built on the FileSystem interface.
#include "platform/files.h"

#include <utility>

namespace relvo {
namespace {

const char* op_word(FileError::Op op) {
  switch (op) {
    case FileError::Op::Open: return "開く";
    case FileError::Op::Read: return "読み込み";
    case FileError::Op::Write: return "書き込み";
    case FileError::Op::Flush: return "ディスクへの書き出し";
    case FileError::Op::Close: return "閉じる";
    case FileError::Op::Remove: return "削除";
    case FileError::Op::Rename: return "名前の変更";
  }
  return "操作";
}

}  // namespace

// what() reads "<path>: <operation>に失敗しました。" (CP932).
FileError::FileError(Op op, std::string path, int sys_error)
    : std::runtime_error(path + ": " + op_word(op) + "に失敗しました。"),
      op_(op),
      path_(std::move(path)),
      sys_(sys_error) {}

const char* FileError::op_text() const { return op_word(op_); }

bool read_whole_file(FileSystem& fs, const std::string& path, std::string& out) {
  auto r = fs.open_read(path);
  if (!r) return false;
  out.clear();
  char buf[64 * 1024];
  for (;;) {
    const std::size_t n = r->read(buf, sizeof buf);
    if (n == 0) break;
    out.append(buf, n);
  }
  return true;
}

std::string sibling_temp_name(const std::string& target) { return target + ".relvo-new"; }

bool FileSystem::remove_folder(const std::string&) { return false; }

std::unique_ptr<FileReader> FileSystem::open_exclusive(const std::string& path) {
  return is_writable(path) ? open_read(path) : nullptr;
}

std::unique_ptr<FileWriter> FileSystem::create_temp(const std::string& path) {
  if (exists(path) && !remove(path)) return nullptr;
  return create(path);
}

namespace {

enum class Beside { Written, NoTempFile, Failed };

// The atomic write; says whether it failed for want of the file beside path.
Beside write_beside(FileSystem& fs, const std::string& path, const std::string& data) {
  // A read-only file is not replaced (the rename would refuse it too); find
  // out before anything is written.
  if (fs.exists(path) && !fs.is_writable(path)) return Beside::Failed;
  const std::string temp = sibling_temp_name(path);
  auto w = fs.create_temp(temp);
  if (!w) return Beside::NoTempFile;
  try {
    w->write(data.data(), data.size());
    w->flush();
    w->close();
  } catch (const FileError&) {
    w.reset();
    fs.remove(temp);
    return Beside::Failed;
  }
  if (!fs.rename(temp, path)) {
    fs.remove(temp);
    return Beside::Failed;
  }
  return Beside::Written;
}

enum class InPlace { Written, NotOpened, Failed };

InPlace write_in_place(FileSystem& fs, const std::string& path, const std::string& data) {
  auto w = fs.create(path);
  if (!w) return InPlace::NotOpened;
  try {
    w->write(data.data(), data.size());
    w->flush();
    w->close();
  } catch (const FileError&) {
    return InPlace::Failed;
  }
  return InPlace::Written;
}

}  // namespace

bool write_file_atomically(FileSystem& fs, const std::string& path, const std::string& data) {
  return write_beside(fs, path, data) == Beside::Written;
}

bool write_file_atomically_or_in_place(FileSystem& fs, const std::string& path, const std::string& data,
                                       const std::string& old) {
  switch (write_beside(fs, path, data)) {
    case Beside::Written: return true;
    case Beside::Failed: return false;
    case Beside::NoTempFile: break;
  }
  // Only an existing file that may be written is rewritten; a new one needs
  // the folder, which has just refused.
  if (!fs.is_writable(path)) return false;
  switch (write_in_place(fs, path, data)) {
    case InPlace::Written: return true;
    case InPlace::NotOpened: return false;
    case InPlace::Failed: break;
  }
  write_in_place(fs, path, old);  // the old bytes back, if the disk takes them
  return false;
}

}  // namespace relvo
