// The recording layers: around the real ones, they write down what the run
// does. They decide nothing about the update; the run through them does.
#include "app/update_plan.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "base/sjis.h"
#include "platform/delegating_files.h"

namespace relvo::app {

namespace {

// Files up to this size are read back to say what changed in them.
constexpr std::uint64_t kDescribedSize = 64 * 1024;
// A change of at most this many lines, none longer than kShownLine bytes, is
// shown line by line.
constexpr std::size_t kShownLines = 6;
constexpr std::size_t kShownLine = 120;

std::string AttributeText(std::uint8_t attribute) {
  std::string s;
  const std::pair<std::uint8_t, const char*> names[] = {
      {kAttrReadOnly, "read-only"}, {kAttrHidden, "hidden"}, {kAttrSystem, "system"}, {kAttrArchive, "archive"}};
  for (const auto& [bit, name] : names)
    if (attribute & bit) s += (s.empty() ? "" : " ") + std::string(name);
  return s.empty() ? "normal" : s;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t lf = text.find('\n', from);
    if (lf == std::string::npos) lf = text.size();
    std::string line = text.substr(from, lf - from);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    from = lf + 1;
  }
  return lines;
}

// A small file's contents, or false for a missing or large one.
bool ReadSmall(FileSystem& fs, const std::string& path, std::string& out) {
  FileStatus st;
  if (!fs.get_status(path, st) || (st.attribute & kAttrDirectory) || st.size > kDescribedSize) return false;
  try {
    return read_whole_file(fs, path, out);
  } catch (const FileError&) {
    return false;
  }
}

// What writing newPath over oldPath changes: the lines of a small text file,
// otherwise the sizes.
std::string DescribeWrite(FileSystem& fs, const std::string& newPath, const std::string& oldPath) {
  FileStatus st;
  std::string size = fs.get_status(newPath, st) ? std::to_string(st.size) + " bytes" : "";
  std::string now, before;
  if (!fs.exists(oldPath)) return "new file, " + size;
  FileStatus old;
  if (fs.get_status(oldPath, old)) size += " (was " + std::to_string(old.size) + " bytes)";
  if (!ReadSmall(fs, newPath, now) || !ReadSmall(fs, oldPath, before)) return size;
  if (now == before) return "unchanged, " + std::to_string(now.size()) + " bytes";
  if (now.find('\0') != std::string::npos || before.find('\0') != std::string::npos) return size;
  const std::vector<std::string> a = Lines(before), b = Lines(now);
  std::size_t head = 0;
  while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
  std::size_t tail = 0;
  while (tail < a.size() - head && tail < b.size() - head && a[a.size() - 1 - tail] == b[b.size() - 1 - tail]) ++tail;
  if ((a.size() - head - tail) + (b.size() - head - tail) > kShownLines) return size;
  std::string text;
  auto add = [&](const std::vector<std::string>& lines, const char* sign) {
    for (std::size_t i = head; i < lines.size() - tail; ++i) {
      if (lines[i].size() > kShownLine) return false;
      text += (text.empty() ? "" : "; ") + std::string(sign) + lines[i];
    }
    return true;
  };
  if (!add(a, "-") || !add(b, "+")) return size;
  return text;
}

// Everything a run does to files, as steps. A file written under one name
// and renamed over another (how every file is replaced) is one "write" of
// the second; one written and removed again leaves no step.
class RecordingFileSystem final : public DelegatingFileSystem {
 public:
  RecordingFileSystem(FileSystem& inner, std::vector<PlanStep>& steps) : DelegatingFileSystem(inner), steps_(steps) {}

  void add(PlanStep step) {
    flush_pending();
    steps_.push_back(std::move(step));
  }

  // Files written and closed that were neither renamed nor removed since.
  void flush_pending() {
    std::vector<std::string> pending;
    pending.swap(pending_);
    for (const std::string& p : pending) {
      FileStatus st;
      steps_.push_back({"write", inner_.get_status(p, st) ? std::to_string(st.size) + " bytes" : "", "", p});
    }
  }

  bool make_dir(const std::string& p) override {
    if (!inner_.make_dir(p)) return false;
    add({"mkdir", "", "", p});
    return true;
  }
  bool copy_file(const std::string& f, const std::string& t) override {
    if (!inner_.copy_file(f, t)) return false;
    add({"copy", "", f, t});
    return true;
  }
  bool set_status(const std::string& p, const FileStatus& st) override {
    if (!inner_.set_status(p, st)) return false;
    flush_pending();
    const std::string what = "attributes " + AttributeText(st.attribute);
    // The attributes of a file just written belong to that step.
    if (!steps_.empty() && (steps_.back().kind == "write" || steps_.back().kind == "copy") &&
        sjis::iequals(steps_.back().target, p)) {
      std::string& text = steps_.back().text;
      text += (text.empty() ? "" : "; ") + what;
    } else {
      steps_.push_back({"attributes", what, "", p});
    }
    return true;
  }
  bool remove(const std::string& p) override {
    if (!inner_.remove(p)) return false;
    if (!take_pending(p)) add({"remove", "", "", p});
    return true;
  }
  bool rename(const std::string& f, const std::string& t) override {
    const bool written = is_pending(f);
    const std::string text = written ? DescribeWrite(inner_, f, t) : "";
    if (!inner_.rename(f, t)) return false;
    if (written) {
      take_pending(f);
      add({"write", text, "", t});
    } else {
      add({"rename", "", f, t});
    }
    return true;
  }
  std::unique_ptr<FileWriter> create(const std::string& p) override {
    std::unique_ptr<FileWriter> w = inner_.create(p);
    if (!w) return nullptr;
    return std::make_unique<Writer>(std::move(w), *this, p);
  }

 private:
  class Writer final : public FileWriter {
   public:
    Writer(std::unique_ptr<FileWriter> inner, RecordingFileSystem& owner, std::string path)
        : inner_(std::move(inner)), owner_(owner), path_(std::move(path)) {}
    void write(const void* buf, std::size_t n) override { inner_->write(buf, n); }
    void flush() override { inner_->flush(); }
    void close() override {
      inner_->close();
      if (!closed_) owner_.pending_.push_back(path_);
      closed_ = true;
    }

   private:
    std::unique_ptr<FileWriter> inner_;
    RecordingFileSystem& owner_;
    std::string path_;
    bool closed_ = false;
  };

  bool is_pending(const std::string& p) const {
    return std::any_of(pending_.begin(), pending_.end(), [&](const std::string& q) { return sjis::iequals(p, q); });
  }
  bool take_pending(const std::string& p) {
    const auto it =
        std::find_if(pending_.begin(), pending_.end(), [&](const std::string& q) { return sjis::iequals(p, q); });
    if (it == pending_.end()) return false;
    pending_.erase(it);
    return true;
  }

  std::vector<PlanStep>& steps_;
  std::vector<std::string> pending_;
};

// The boxes and progress lines of a run, as steps, answered by inner.
class RecordingUi final : public fw::Ui {
 public:
  RecordingUi(fw::Ui& inner, RecordingFileSystem& journal) : inner_(inner), journal_(journal) {}
  int message_box(const std::string& text, const std::string& caption, fw::Buttons buttons) override {
    const int answer = inner_.message_box(text, caption, buttons);
    std::string shown = "[" + caption + "] " + text;
    if (buttons == fw::Buttons::OkCancel) {
      shown += answer == fw::kIdOk ? " -> OK" : " -> Cancel";
      journal_.add({"prompt", shown, "", ""});
    } else {
      journal_.add({"warning", shown, "", ""});
    }
    return answer;
  }
  void begin_wait_cursor() override { inner_.begin_wait_cursor(); }
  void end_wait_cursor() override { inner_.end_wait_cursor(); }
  void progress(const fw::Progress& p) override {
    journal_.add({"row", std::to_string(p.row) + "/" + std::to_string(p.rowCount) + (p.isArchive ? " extract" : " copy"),
                  p.source, p.target});
    inner_.progress(p);
  }
  void step(const fw::Step& s) override { inner_.step(s); }

 private:
  fw::Ui& inner_;
  RecordingFileSystem& journal_;
};

// The archive library's calls, as steps, carried out by inner.
class RecordingLibrary final : public ArchiveLibrary {
 public:
  RecordingLibrary(ArchiveLibrary& inner, RecordingFileSystem& journal) : inner_(inner), journal_(journal) {}
  void SetBackgroundMode(int mode) override { inner_.SetBackgroundMode(mode); }
  void SetCursorMode(int mode) override { inner_.SetCursorMode(mode); }
  int Command(void* owner, const char* commandLine, char* msg, std::size_t size) override {
    journal_.add({"command", commandLine ? commandLine : "", "", ""});
    return inner_.Command(owner, commandLine, msg, size);
  }
  void SetProgress(ProgressFn progress) override { inner_.SetProgress(std::move(progress)); }

 private:
  ArchiveLibrary& inner_;
  RecordingFileSystem& journal_;
};

}  // namespace

struct StepRecorder::Layers {
  std::vector<PlanStep> steps;
  std::optional<RecordingFileSystem> fs;
  std::optional<RecordingLibrary> library;
  std::optional<RecordingUi> ui;
};

StepRecorder::StepRecorder() : layers_(std::make_unique<Layers>()) {}
StepRecorder::~StepRecorder() = default;

FileSystem& StepRecorder::files(FileSystem& inner) { return layers_->fs.emplace(inner, layers_->steps); }

ArchiveLibrary& StepRecorder::library(ArchiveLibrary& inner) { return layers_->library.emplace(inner, *layers_->fs); }

fw::Ui& StepRecorder::ui(fw::Ui& inner) { return layers_->ui.emplace(inner, *layers_->fs); }

std::vector<PlanStep> StepRecorder::steps(UpdateOutcome how) {
  if (layers_->fs) layers_->fs->flush_pending();
  std::vector<PlanStep> steps = layers_->steps;
  for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
    if (it->kind == "warning") {
      it->kind = how == UpdateOutcome::Updated ? "message" : "stop";
      break;
    }
  }
  return steps;
}

}  // namespace relvo::app
