// Running over a whole archive file: list, test, or extract its members
// into a folder through the file layer, never writing outside that folder.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "archive/lzh_reader.h"
#include "platform/files.h"

namespace relvo::lzh {

enum class Mode {
  List,     // headers only
  Test,     // decode and check every member, write nothing
  Flat,     // extract every file member under its name alone
  Folders,  // extract with the stored folders, below the target
};

// Told about each member as it is done. failure is null when the member was
// listed, checked or written; otherwise the message (CP932) saying why not.
// m.stripped_macbinary tells that the file was written without the
// MacBinary header its member carried.
class MemberObserver {
 public:
  virtual ~MemberObserver() = default;
  virtual void on_member(const Member& m, const std::string* failure) = 0;
};

struct RunOptions {
  Mode mode = Mode::Test;
  std::string target;          // folder to extract into (Flat, Folders)
  bool stop_at_failure = false;  // stop at the first member that fails
  MemberObserver* observer = nullptr;
  // Told how many bytes of the archive have been read, of its size: every
  // 64 KiB and at the end.
  std::function<void(std::uint64_t done, std::uint64_t total)> progress;
};

struct RunOutcome {
  int members = 0;     // members seen
  int failed = 0;      // members that failed
  int roots_removed = 0;  // members whose stored path began with a root (Member::root)
  int names_changed = 0;  // members written under another name (Member::renamed_from)
  bool archive_ok = true;  // false when the archive itself could not be read to its end
  std::string message;  // the first failure's message (CP932); empty when all went well
  bool ok() const { return archive_ok && failed == 0; }
};

// Runs mode over the archive file (named exactly, no extension added).
RunOutcome run_archive(FileSystem& fs, const std::string& archive, const RunOptions& opt);

// Where a member goes below a target folder, its root already taken off by
// the reader: the folders of its path with "." dropped and each ".." taking
// back the folder before it. Returns an empty text when the member may be
// written there (folders, when not null, gets the folders to make), else
// why not: a ".." that would climb out of the target, a device name, a
// symbolic link. Characters a Windows file name cannot hold are replaced by
// '_' in the folders returned. The message names the member. The same rule
// holds whether the folders are kept or dropped.
std::string judge_member_path(const Member& m, std::vector<std::string>* folders = nullptr);

}  // namespace relvo::lzh
