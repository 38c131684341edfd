// The console's modal loop for pages, and its windows: titles and pictures
// as lines, a queue of posted messages and the message loop.
#include "fw/console/console_backend.h"

#include <algorithm>

#include "base/sjis.h"
#include "fw/console/dialog_window.h"
#include "fw/console/memory_dc.h"
#include "fw/console/terminal.h"
#include "fw/console/text_grid.h"
#include "fw/dialog.h"

namespace relvo::fw::console {

ConsoleBackend::ConsoleBackend(std::istream& in, std::ostream& out, CurrentFolders& drives, ConsoleOptions options)
    : ui_(in, out, options), drives_(drives) {}

ConsoleBackend::~ConsoleBackend() = default;

namespace {

// Clears the dialog's attachment on every way out of the modal run.
class Attachment {
 public:
  Attachment(Dialog& dlg, DialogWindow& w, Backend& b) : dlg_(dlg) { dlg_.Attach(&w, &b); }
  ~Attachment() { dlg_.Attach(nullptr, nullptr); }
  Attachment(const Attachment&) = delete;
  Attachment& operator=(const Attachment&) = delete;

 private:
  Dialog& dlg_;
};

// What enter and esc do on this page, for help.
std::string KeysHelp(const Dialog& dlg, ConsoleDialogWindow& window) {
  std::string enter = "presses button 1";
  for (const ControlTemplate& c : dlg.Template().controls)
    if (c.kind == ControlClass::Button && (c.style & kBsTypeMask) == kBsDefPushButton && window.item_visible(c.id))
      enter = "presses [" + std::to_string(c.id) + "] " + ForTerminal(window.item_text(c.id));
  std::string esc = dlg.EscapeHelp();
  if (esc.empty() && window.item(kIdCancel)) esc = "presses [2] " + ForTerminal(window.item_text(kIdCancel));
  if (esc.empty()) esc = "leaves the page";
  return "On this page enter (or an empty line) " + enter + "; esc " + esc + ".\n";
}

}  // namespace

int ConsoleBackend::run_modal(Dialog& dlg) {
  ConsoleDialogWindow window(dlg.Template(), drives_);
  Attachment attached(dlg, window, *this);
  std::ostream& out = ui_.out();
  dlg.HandleInitDialog();

  if (ui_.options().unattended) {
    std::vector<std::string> actions;
    const int visit = ++visits_[dlg.Template().id];
    if (script_) actions = script_(dlg, visit);
    actions.push_back("esc");
    std::string shown;
    for (const std::string& line : actions) {
      PumpPostedMessages();
      if (dlg.IsEnded()) break;
      std::string why;
      const std::optional<Action> a = ParseAction(line, why);
      const std::string refused = a ? window.perform(dlg, *a) : why;
      shown += (shown.empty() ? "" : "; ") + line + (refused.empty() ? "" : " (" + refused + ")");
    }
    if (!dlg.IsEnded()) dlg.EndDialog(kIdCancel);
    out << "(page " << ForTerminal(window.caption()) << ": " << Utf8ForTerminal(shown) << ")\n" << std::flush;
    return dlg.EndCode();
  }

  // The page is shown before what was posted meanwhile is delivered, so
  // that the transcript shows it arriving while the page is open.
  bool redraw = true;
  while (!dlg.IsEnded()) {
    if (redraw) out << "\n" << window.render(dlg, ui_.options().trueColor, ui_.options().screenRows) << std::flush;
    redraw = false;
    PumpPostedMessages();
    if (dlg.IsEnded()) break;
    std::string line, why;
    if (!ui_.read_line(line)) {
      out << "(end of input: esc)\n";
      window.perform(dlg, Action{Action::Verb::Esc});
      if (!dlg.IsEnded()) dlg.EndDialog(kIdCancel);
      break;
    }
    const std::optional<Action> a = ParseAction(line, why);
    if (!a) {
      out << why << "\n";
    } else if (a->verb == Action::Verb::Help) {
      out << kActionHelp << KeysHelp(dlg, window);
    } else if (std::string refused = window.perform(dlg, *a); !refused.empty()) {
      out << refused << "\n";
    } else {
      redraw = true;
    }
  }
  out << std::flush;
  return dlg.EndCode();
}

// --- Windows ------------------------------------------------------------------

class ConsoleBackend::Window final : public WindowPeer {
 public:
  Window(ConsoleBackend& backend, Wnd& wnd, const CreateStruct& cs)
      : backend_(backend),
        wnd_(wnd),
        parent_(cs.parent ? cs.parent->Peer() : nullptr),
        text_(cs.name),
        menu_(cs.parent == nullptr && cs.menu != 0),
        shown_((cs.style & kWsVisible) != 0) {
    placement_.length = kWindowPlacementLength;
    placement_.showCmd = shown_ ? kSwShowNormal : kSwHide;
    placement_.ptMinPosition = placement_.ptMaxPosition = Point{-1, -1};
    placement_.rcNormalPosition = Rect{0, 0, kClientColumns, 2 * kClientRows};
    backend_.windows_.push_back(this);
  }
  ~Window() override { destroy(); }
  WindowPeer* parent() const { return parent_; }

  std::string text() override { return gone_ ? std::string() : text_; }
  void set_text(const std::string& text) override {
    if (gone_) return;
    text_ = text;
    if (!parent_) backend_.ui_.out() << "(title: " << ForTerminal(text) << ")\n" << std::flush;
  }
  bool get_placement(WindowPlacement& wp) override {
    if (gone_) return false;
    wp = placement_;
    return true;
  }
  bool set_placement(const WindowPlacement& wp) override {
    if (gone_ || wp.length != kWindowPlacementLength) return false;
    placement_ = wp;
    show(static_cast<int>(wp.showCmd));
    return true;
  }
  bool has_menu() override { return !gone_ && menu_; }
  bool remove_menu() override {
    if (gone_ || parent_) return false;
    menu_ = false;
    return true;
  }
  // kSwShow shows the window in the state it had (maximized stays so).
  void show(int cmd) override {
    if (gone_) return;
    shown_ = cmd != kSwHide;
    if (cmd != kSwShow) placement_.showCmd = static_cast<unsigned>(cmd);
    else if (placement_.showCmd == kSwHide) placement_.showCmd = kSwShowNormal;
  }
  bool visible() override { return !gone_ && shown_ && (!parent_ || parent_->visible()); }
  void invalidate() override { invalid_ = true; }
  // The window, then its children: the console has no queue that would
  // paint them later.
  void update() override {
    if (gone_ || !visible()) return;
    if (invalid_) {
      invalid_ = false;  // also when the handler does not begin painting
      wnd_.HandleMessage(kWmPaint, 0, 0);
    }
    backend_.paint_children(this);
  }
  Rect client_rect() override { return gone_ ? Rect{} : Rect{0, 0, kClientColumns, 2 * kClientRows}; }
  std::unique_ptr<Dc> begin_paint() override;
  void end_paint() override;
  bool post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
    if (gone_) return false;
    backend_.queue_.push_back(Posted{&wnd_, message, wParam, lParam});
    return true;
  }
  void destroy() override {
    if (gone_) return;
    gone_ = true;
    backend_.forget(&wnd_);
    auto& all = backend_.windows_;
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
  }

 private:
  // Draws on a surface of the client area's size; what was drawn, and the
  // name of the picture, stay with the window for end_paint.
  class PaintSurface final : public PictureSurface {
   public:
    explicit PaintSurface(Window& w) : PictureSurface(kClientColumns, 2 * kClientRows), window_(w) {}
    ~PaintSurface() override {
      if (drawn()) window_.pixels_ = pixels();
      if (!picture_name().empty()) window_.pictureName_ = picture_name();
    }

   private:
    Window& window_;
  };

  ConsoleBackend& backend_;
  Wnd& wnd_;
  WindowPeer* parent_;
  std::string text_;
  WindowPlacement placement_;
  bool menu_;
  bool shown_;
  bool invalid_ = true;
  bool gone_ = false;
  bool painting_ = false;
  std::vector<std::uint32_t> pixels_;
  std::string pictureName_;
};

std::unique_ptr<Dc> ConsoleBackend::Window::begin_paint() {
  if (gone_) return nullptr;
  painting_ = true;
  invalid_ = false;
  pixels_.clear();
  pictureName_.clear();
  return std::make_unique<PaintSurface>(*this);
}

void ConsoleBackend::Window::end_paint() {
  if (!painting_) return;
  painting_ = false;
  std::ostream& out = backend_.ui_.out();
  if (backend_.ui_.options().trueColor && !pixels_.empty()) {
    for (int r = 0; r < kClientRows; ++r) {
      for (int x = 0; x < kClientColumns; ++x) {
        const auto at = [&](int y) { return pixels_[static_cast<std::size_t>(y) * kClientColumns + x]; };
        out << HalfBlock(at(2 * r), at(2 * r + 1)).utf8;
      }
      out << "\n";
    }
  } else if (!pixels_.empty() && !pictureName_.empty()) {
    out << "(picture: " << ForTerminal(pictureName_) << ")\n";
  }
  out << std::flush;
}

bool ConsoleBackend::create_window(Wnd& wnd, CreateStruct& cs) {
  auto peer = std::make_unique<Window>(*this, wnd, cs);
  Window* window = peer.get();
  wnd.Attach(std::move(peer));
  if (wnd.HandleCreate(cs) == -1) {
    window->destroy();
    return false;
  }
  return true;
}

bool ConsoleBackend::deliver_one() {
  if (queue_.empty()) return false;
  const Posted m = queue_.front();
  queue_.pop_front();
  m.target->HandleMessage(m.message, m.wParam, m.lParam);
  return true;
}

int ConsoleBackend::run_message_loop() {
  quit_ = false;
  while (!quit_) {
    if (!deliver_one()) return kLoopIdle;
  }
  quit_ = false;
  return quitCode_;
}

void ConsoleBackend::dispatch_posted() {
  // Not again from inside a message it delivers: a page opened by one
  // delivers the rest from its own loop.
  if (dispatching_) return;
  dispatching_ = true;
  while (!quit_ && deliver_one()) {
  }
  dispatching_ = false;
}

void ConsoleBackend::post_quit(int code) {
  quit_ = true;
  quitCode_ = code;
}

void ConsoleBackend::paint_children(WindowPeer* parent) {
  // A copy: painting may make or destroy windows.
  const std::vector<Window*> all = windows_;
  for (Window* w : all)
    if (w->parent() == parent && std::find(windows_.begin(), windows_.end(), w) != windows_.end()) w->update();
}

void ConsoleBackend::forget(Wnd* target) {
  queue_.erase(std::remove_if(queue_.begin(), queue_.end(), [&](const Posted& m) { return m.target == target; }),
               queue_.end());
}

}  // namespace relvo::fw::console
