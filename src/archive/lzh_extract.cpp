// Listing, testing and extracting whole archives. Each member is written
// beside its target and renamed over it only after its CRC checked out.
#include "archive/lzh_extract.h"

#include <algorithm>
#include <memory>

#include "archive/lzh_messages.h"
#include "base/sjis.h"

namespace relvo::lzh {

namespace {

class FileSink final : public OutputSink {
 public:
  explicit FileSink(FileWriter& w) : w_(w) {}
  void write(const std::uint8_t* data, std::size_t n) override { w_.write(data, n); }

 private:
  FileWriter& w_;
};

// The archive's bytes as they are read, told on.
class CountingSource final : public ByteSource {
 public:
  CountingSource(ByteSource& inner, std::uint64_t total, const RunOptions& opt)
      : inner_(inner), total_(total), opt_(opt) {}
  std::size_t read(void* buf, std::size_t n) override {
    const std::size_t got = inner_.read(buf, n);
    done_ += got;
    if (got == 0 || done_ >= told_ + kEvery) {
      told_ = done_;
      opt_.progress(done_, std::max(total_, done_));
    }
    return got;
  }

 private:
  static constexpr std::uint64_t kEvery = 64 * 1024;
  ByteSource& inner_;
  std::uint64_t total_, done_ = 0, told_ = 0;
  const RunOptions& opt_;
};

bool is_device_name(std::string_view name) {
  const std::size_t dot = name.find('.');
  const std::string base = sjis::to_upper(name.substr(0, dot));
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CLOCK$", "CONIN$", "CONOUT$"};
  for (const char* d : kDevices)
    if (base == d) return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '0' &&
         base[3] <= '9';
}

// A component that can never be a name inside the target, whatever its
// characters: empty, ".", ".." or a device name.
bool is_refused_component(std::string_view c) { return c.empty() || c == "." || c == ".." || is_device_name(c); }

// Characters a Windows file name cannot hold (control characters, a
// stream's ':', the wildcards and the shell's quotes and redirections),
// each replaced by '_' so that the member still extracts, as Windows
// archivers do with names made on other systems ("Read Me?"). Double-byte
// characters are never touched. True when something was replaced.
bool replace_unusable_characters(std::string& c) {
  bool replaced = false;
  for (std::size_t i = 0; i < c.size(); i += sjis::char_len(c, i)) {
    if (sjis::char_len(c, i) == 2) continue;
    const unsigned char ch = static_cast<unsigned char>(c[i]);
    const bool unusable = ch < 0x20 || ch == 0x7F || ch == ':' || ch == '<' || ch == '>' || ch == '"' ||
                          ch == '|' || ch == '?' || ch == '*';
    if (unusable) {
      c[i] = '_';
      replaced = true;
    }
  }
  return replaced;
}

std::string join(const std::string& folder, const std::string& name) {
  if (folder.empty() || sjis::ends_with_separator(folder)) return folder + name;
  return folder + '\\' + name;
}

// Enters each level of target + folders, creating what is missing. A level
// that is there but is no plain folder (a file, a symbolic link, a junction)
// is never entered: extraction does not follow a link inside the target to
// write somewhere else. Empty on success, else the message.
std::string make_folders(FileSystem& fs, const std::string& target, const std::vector<std::string>& folders) {
  std::string path = target;
  for (const std::string& f : folders) {
    path = join(path, f);
    if (fs.is_plain_folder(path)) continue;
    if (fs.exists(path)) return msg::folder_not_plain(path);
    if (!fs.make_dir(path)) return msg::folder_failed(path);
    if (!fs.is_plain_folder(path)) return msg::folder_not_plain(path);
  }
  return {};
}

// Writes the member's data to dest through a file beside it. Empty on
// success, else the message.
std::string write_member(FileSystem& fs, ArchiveReader& reader, const Member& m, const std::string& dest,
                         const std::string& shown) {
  const std::string tmp = sibling_temp_name(dest);
  std::unique_ptr<FileWriter> w = fs.create_temp(tmp);  // new, never through a planted link
  if (!w) {
    reader.read_data(nullptr);  // keep the reader in step for the next member
    return msg::write_failed(dest);
  }
  DataStatus st;
  try {
    FileSink sink(*w);
    st = reader.read_data(&sink);
    // On the disk before it replaces anything: a crash after the rename
    // must not leave an empty file where the installed one was.
    if (st == DataStatus::Ok) w->flush();
    w->close();
  } catch (const FileError& e) {
    w.reset();
    fs.remove(tmp);
    if (e.op() == FileError::Op::Read) throw;  // the archive, not the target
    return msg::write_failed(dest);
  }
  w.reset();
  if (st != DataStatus::Ok) {
    fs.remove(tmp);
    return msg::data_failure(st, shown, m.method);
  }
  if (!fs.rename(tmp, dest)) {
    // A read-only file in the way: the update replaces it all the same.
    FileStatus old;
    if (fs.get_status(dest, old) && (old.attribute & kAttrReadOnly)) {
      old.attribute = static_cast<std::uint8_t>(old.attribute & ~kAttrReadOnly);
      fs.set_status(dest, old);
    }
    if (!fs.rename(tmp, dest)) {
      fs.remove(tmp);
      return msg::write_failed(dest);
    }
  }
  // Extracted files are normal files carrying the archived times; stored
  // attributes (read-only above all) are not applied, so that the next
  // update can replace them. A failure here leaves the right bytes in place
  // and is not reported.
  FileStatus st_out;
  st_out.mtime = st_out.atime = st_out.ctime = m.mtime;
  st_out.attribute = kAttrArchive;
  fs.set_status(dest, st_out);
  return {};
}

// The member as it is written: unusable characters replaced in its
// folders and, for a file, its name. True when anything was replaced.
bool make_usable(Member& m) {
  bool changed = false;
  for (std::string& f : m.folders) changed = replace_unusable_characters(f) || changed;
  if (!m.is_directory()) changed = replace_unusable_characters(m.name) || changed;
  return changed;
}

// Judges a member already made usable; messages name it as shown. Which
// members are refused does not depend on the replaced characters: none of
// them can make or unmake an empty name, a dot name or a device name.
std::string judge_usable(const Member& m, const std::string& shown, std::vector<std::string>* folders) {
  if (m.is_symlink()) return msg::symlink_refused(shown);
  std::vector<std::string> kept;
  for (const std::string& f : m.folders) {
    if (f == ".") continue;
    if (f == "..") {
      if (kept.empty()) return msg::unsafe_name(shown);  // out of the target
      kept.pop_back();
      continue;
    }
    if (is_refused_component(f)) return msg::unsafe_name(shown);
    kept.push_back(f);
  }
  if (!m.is_directory() && is_refused_component(m.name)) return msg::unsafe_name(shown);
  if (folders) *folders = std::move(kept);
  return {};
}

}  // namespace

std::string judge_member_path(const Member& m, std::vector<std::string>* folders) {
  Member usable = m;
  make_usable(usable);
  return judge_usable(usable, m.path('\\'), folders);
}

RunOutcome run_archive(FileSystem& fs, const std::string& archive, const RunOptions& opt) {
  RunOutcome out;
  auto fail_archive = [&](std::string message) {
    out.archive_ok = false;
    if (out.message.empty()) out.message = std::move(message);
    return out;
  };
  if (!fs.exists(archive)) return fail_archive(msg::archive_missing(archive));
  std::unique_ptr<FileReader> file = fs.open_read(archive);
  if (!file) return fail_archive(msg::archive_unreadable(archive));
  const bool extracting = opt.mode == Mode::Flat || opt.mode == Mode::Folders;
  if (extracting && !fs.exists(opt.target) && !fs.make_dir(opt.target))
    return fail_archive(msg::target_missing(opt.target));

  FileStatus status;
  const std::uint64_t size = opt.progress && fs.get_status(archive, status) ? status.size : 0;
  CountingSource counted(*file, size, opt);
  ByteSource& source = opt.progress ? static_cast<ByteSource&>(counted) : *file;
  try {
    ArchiveReader reader(source);
    for (;;) {
      Member m;
      const HeaderStatus hs = reader.next(m);
      if (hs == HeaderStatus::End) break;
      if (hs != HeaderStatus::Ok) return fail_archive(msg::header_failure(hs, archive));
      ++out.members;
      if (!m.root.empty()) ++out.roots_removed;
      const std::string shown = m.path('\\');
      std::string failure;
      std::vector<std::string> folders;
      Member written = m;
      const bool renamed = extracting && make_usable(written);
      if (opt.mode == Mode::List) {
        // headers only
      } else if (opt.mode == Mode::Test) {
        if (!m.is_directory()) {
          const DataStatus st = reader.read_data(nullptr);
          if (st != DataStatus::Ok) failure = msg::data_failure(st, shown, m.method);
        }
      } else if (!(failure = judge_usable(written, shown, &folders)).empty()) {
        // refused before anything is written
      } else if (m.is_directory()) {
        if (opt.mode == Mode::Folders) failure = make_folders(fs, opt.target, folders);
      } else {
        std::string folder = opt.target;
        if (opt.mode == Mode::Folders) {
          failure = make_folders(fs, opt.target, folders);
          for (const std::string& f : folders) folder = join(folder, f);
        }
        if (failure.empty()) {
          failure = write_member(fs, reader, m, join(folder, written.name), shown);
          m.stripped_macbinary = failure.empty() && reader.stripped_macbinary();
        }
      }
      if (renamed && failure.empty()) {
        // Said under the name it was written as.
        written.renamed_from = m.path('/');
        written.stripped_macbinary = m.stripped_macbinary;
        ++out.names_changed;
        m = std::move(written);
      }
      if (opt.observer) opt.observer->on_member(m, failure.empty() ? nullptr : &failure);
      if (!failure.empty()) {
        ++out.failed;
        if (out.message.empty()) out.message = failure;
        if (opt.stop_at_failure) return out;
      }
    }
  } catch (const FileError&) {
    return fail_archive(msg::archive_unreadable(archive));
  }
  if (opt.progress && size) opt.progress(size, size);
  return out;
}

}  // namespace relvo::lzh
