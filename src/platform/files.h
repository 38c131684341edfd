// The file layer: everything the system does to files, on Windows-style path
// texts in CP932. One interface, two backends (posix/, win32/).
#pragma once
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/byte_source.h"

namespace relvo {

// Raised by the file streams (and the few operations documented to throw)
// when a read, write, flush, delete or rename fails. Carries the file's name
// as the system spelled it (CP932) and what was being done.
class FileError : public std::runtime_error {
 public:
  enum class Op { Open, Read, Write, Flush, Close, Remove, Rename };
  FileError(Op op, std::string path, int sys_error = 0);
  Op op() const { return op_; }
  const std::string& path() const { return path_; }  // CP932
  int sys_error() const { return sys_; }
  // "読み込み", "書き込み", ... : what failed, in Japanese (CP932).
  const char* op_text() const;

 private:
  Op op_;
  std::string path_;
  int sys_;
};

// MS-DOS attribute bits as the system's file status carries them.
enum : std::uint8_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSystem = 0x04,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
};

// A file's status: times as seconds since 1970-01-01 UTC, size, attribute
// byte and the full name as found.
struct FileStatus {
  std::int64_t ctime = 0, mtime = 0, atime = 0;
  std::uint64_t size = 0;
  std::uint8_t attribute = 0;
  std::string fullName;
};

struct FoundEntry {
  std::string name;  // name only, CP932
  bool isFolder = false;
};

class FileReader : public ByteSource {
 public:
  // Reads up to n bytes; 0 at the end. Throws FileError(Read) on failure.
  std::size_t read(void* buf, std::size_t n) override = 0;
};

class FileWriter {
 public:
  virtual ~FileWriter() = default;
  // Each throws FileError on failure.
  virtual void write(const void* buf, std::size_t n) = 0;
  // Pushes everything written so far to the disk (fsync / FlushFileBuffers).
  virtual void flush() = 0;
  // Closes the file; a failure to close (the last write-back) throws.
  virtual void close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The runtime's access test with mode 0: true for an existing file or
  // folder. A drive root ("C:\") exists when the drive is mapped.
  virtual bool exists(const std::string& path) = 0;
  // Creates one folder level. True on success.
  virtual bool make_dir(const std::string& path) = 0;
  // True when path names a folder itself: not a symbolic link, junction or
  // other reparse point, whatever it points at (lstat; the attributes of
  // the entry, not of its target). A link in the folders above path is not
  // looked at: callers that must not follow links check each level.
  virtual bool is_plain_folder(const std::string& path) = 0;
  // Copies from over to, replacing an existing target: the copy is written
  // beside the target (sibling_temp_name), flushed and renamed over it, so a
  // failure half-way never leaves a half-written target or a temporary file.
  // The copy gets the source's mode or attributes and modification time, as
  // CopyFile gives them. False when to is read-only or a folder (CopyFile's
  // access denied), for a file copied onto itself, for a source that is not
  // a plain file, and when the folder takes no new file. A symbolic link at
  // to is replaced by the copy, never written through (a link to a folder is
  // refused as the folder is). The file beside the target is made as
  // create_temp makes one. True on success.
  virtual bool copy_file(const std::string& from, const std::string& to) = 0;
  // Reads a file's status (through a link at path: reading touches
  // nothing). False when it cannot be read. On POSIX the
  // attribute byte holds only read-only (no owner write bit) and directory,
  // ctime is the birth time where the file system keeps one (else mtime),
  // and fullName is the full name in the text's own form (on a drive, also
  // for a text relative to the current drive; else the POSIX path) with
  // every component spelled as on the disk.
  virtual bool get_status(const std::string& path, FileStatus& st) = 0;
  // Applies the status's attribute byte (read-only, hidden, system, archive)
  // and its times to the file; a time of 0 leaves that time unchanged.
  // Attribute 0 makes a normal, writable file. On POSIX read-only clears
  // every write bit, anything else gives the owner's back; hidden, system,
  // archive and the creation time have no counterpart. Never through a
  // link: on a symbolic link (or a reparse point) nothing is changed and the
  // result is false, so that no file outside a folder is reached by a link
  // in it. False on failure.
  virtual bool set_status(const std::string& path, const FileStatus& st) = 0;
  // Deletes a file. False on failure, for a folder, and for a read-only
  // file (as DeleteFile).
  virtual bool remove(const std::string& path) = 0;
  // Deletes an empty folder (as RemoveDirectory); a symbolic link or
  // junction is not followed and not removed. False on failure, for a
  // folder that is not empty, and for anything but a folder. The default
  // serves layers that never remove folders.
  virtual bool remove_folder(const std::string& path);
  // Renames from to to, atomically replacing an existing to and keeping its
  // mode (POSIX rename, MoveFileExW with replace). False on failure, and
  // when to is a folder or read-only. A symbolic link at to is replaced
  // itself: what it points to is neither looked at for read-only nor
  // changed, except that a link to a folder is refused as the folder is. A
  // name that differs only in case changes the file's spelling.
  virtual bool rename(const std::string& from, const std::string& to) = 0;
  // Lists the entries of a folder whose names match the last component of
  // pattern ('*' and '?', letters without case, and the DOS forms "*.*"
  // and "name.*"), "." and ".." excluded, sorted by sjis::icompare (the
  // order NTFS lists in; sorted on every backend so that runs repeat). A
  // missing folder gives nothing.
  virtual std::vector<FoundEntry> find(const std::string& pattern) = 0;
  // Opens an existing plain file for reading; nullptr when it cannot be
  // opened. Only plain files are read: a folder, a FIFO, a device or
  // anything else is refused without waiting on it. The reader's errors name
  // path as given.
  virtual std::unique_ptr<FileReader> open_read(const std::string& path) = 0;
  // Opens an existing plain file for reading and writing with no sharing, as
  // a file about to be replaced by its rewritten copy is held; the returned
  // reader reads it and the hold lasts until it is destroyed. nullptr when
  // the file is missing, read-only or not a plain file, or when someone else
  // holds it open (any open handle on Windows; on POSIX, where nothing is
  // locked for others, an exclusive advisory lock held elsewhere).
  virtual std::unique_ptr<FileReader> open_exclusive(const std::string& path);
  // Creates (or truncates) a file for writing; nullptr when it cannot be
  // created. A file that is read-only is not opened, nor a symbolic link
  // (never written through).
  virtual std::unique_ptr<FileWriter> create(const std::string& path) = 0;
  // Creates the temporary file path for writing: always a new file, made
  // exclusively and never through a link. Whatever has the name already is
  // removed by name first (a leftover of a run that died, or a link someone
  // planted: the link itself goes, never what it points to); a folder or a
  // read-only file of that name is left and the result is nullptr, as it is
  // when the folder takes no new files. The default serves file systems
  // without links (in memory, test doubles); the disk backends override it.
  virtual std::unique_ptr<FileWriter> create_temp(const std::string& path);
  // True when the file exists and may be written (not read-only; on POSIX
  // this is the owner's write bit, decided here and not by the kernel, so
  // that it holds for root too).
  virtual bool is_writable(const std::string& path) = 0;
};

// The backend of the platform this program was built for.
FileSystem& native_file_system();

// Reads a whole file into bytes; false when it cannot be opened. Read
// failures throw FileError.
bool read_whole_file(FileSystem& fs, const std::string& path, std::string& out);

// Writes data to path atomically: into a new file beside it
// (create_temp), flushed, then renamed over it (keeping the old file's
// mode). False when any step failed; the old file is then untouched and the
// new one removed.
bool write_file_atomically(FileSystem& fs, const std::string& path, const std::string& data);

// write_file_atomically, for a file that may be written where its folder
// takes no new file (an installer often lets users write a settings file but
// not its folder): when the file beside it cannot be created and path is an
// existing writable file, path is rewritten in place instead, as the
// platform's own profile calls write. old is path's content, read whole by
// the caller; a rewrite that fails half-way puts it back as far as the disk
// lets it. False when nothing could be written.
bool write_file_atomically_or_in_place(FileSystem& fs, const std::string& path, const std::string& data,
                                       const std::string& old);

// The temporary name used beside target for an atomic replace.
std::string sibling_temp_name(const std::string& target);

}  // namespace relvo
