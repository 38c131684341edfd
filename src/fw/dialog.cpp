// The dialog class: modal run through the current backend, message-map
// dispatch, controls by id, and the backend and message-pump settings.
#include "fw/dialog.h"

#include <stdexcept>
#include <utility>

namespace relvo::fw {

namespace {
Backend* g_backend = nullptr;
MessagePump g_pump;
}  // namespace

Backend* CurrentBackend() { return g_backend; }

Backend* SetBackend(Backend* backend) { return std::exchange(g_backend, backend); }

MessagePump SetMessagePump(MessagePump pump) { return std::exchange(g_pump, std::move(pump)); }

void PumpPostedMessages() {
  if (g_pump) g_pump();
}

// --- Control ---------------------------------------------------------------

DialogWindow* Control::window() const { return dlg_ ? dlg_->Window() : nullptr; }

std::string Control::GetWindowText() const {
  DialogWindow* w = window();
  return w ? w->item_text(id_) : std::string();
}
void Control::SetWindowText(const std::string& text) const {
  if (DialogWindow* w = window()) w->set_item_text(id_, text);
}
bool Control::IsWindowVisible() const {
  DialogWindow* w = window();
  return w && w->item_visible(id_);
}
void Control::ShowWindow(bool show) const {
  if (DialogWindow* w = window()) w->show_item(id_, show);
}
bool Control::IsWindowEnabled() const {
  DialogWindow* w = window();
  return w && w->item_enabled(id_);
}
void Control::EnableWindow(bool enable) const {
  if (DialogWindow* w = window()) w->enable_item(id_, enable);
}
bool Control::GetCheck() const {
  DialogWindow* w = window();
  return w && w->item_checked(id_);
}
void Control::SetCheck(bool check) const {
  if (DialogWindow* w = window()) w->check_item(id_, check);
}
Rect Control::GetClientRect() const {
  DialogWindow* w = window();
  return w ? w->client_rect(id_) : Rect{};
}
std::unique_ptr<Dc> Control::GetDC() const {
  DialogWindow* w = window();
  return w ? w->get_dc(id_) : nullptr;
}
void Control::Invalidate(bool erase) const {
  if (DialogWindow* w = window()) w->invalidate(id_, erase);
}
void Control::UpdateWindow() const {
  if (DialogWindow* w = window()) w->update(id_);
}

// --- ListBox ---------------------------------------------------------------

void ListBox::ResetContent() const {
  if (DialogWindow* w = window()) w->lb_reset(id_);
}
int ListBox::AddString(const std::string& text) const {
  DialogWindow* w = window();
  return w ? w->lb_add(id_, text) : kLbErr;
}
int ListBox::GetCount() const {
  DialogWindow* w = window();
  return w ? w->lb_count(id_) : 0;
}
int ListBox::GetCurSel() const {
  DialogWindow* w = window();
  return w ? w->lb_cur_sel(id_) : kLbErr;
}
int ListBox::SetCurSel(int index) const {
  DialogWindow* w = window();
  return w ? w->lb_set_cur_sel(id_, index) : kLbErr;
}
int ListBox::GetText(int index, std::string& text) const {
  text.clear();
  DialogWindow* w = window();
  if (!w || !w->lb_text(id_, index, text)) return kLbErr;
  return static_cast<int>(text.size());
}

void DDX_Control(DataExchange& dx, int id, ListBox& lb) {
  const ControlTemplate* c = dx.dlg.Template().control(id);
  if (!c || c->kind != ControlClass::ListBox)
    throw std::logic_error("dialog " + std::to_string(dx.dlg.Template().id) + " has no list box " +
                           std::to_string(id));
  lb = ListBox(&dx.dlg, id);
}

// --- Dialog ----------------------------------------------------------------

int Dialog::DoModal() {
  Backend* b = CurrentBackend();
  return b ? b->run_modal(*this) : -1;
}

void Dialog::EndDialog(int code) {
  ended_ = true;
  endCode_ = code;
  if (window_) window_->end_dialog(code);
}

std::string Dialog::GetWindowText() { return window_ ? window_->caption() : std::string(); }

void Dialog::SetWindowText(const std::string& text) {
  if (window_) window_->set_caption(text);
}

int Dialog::DlgDirList(std::string& pathSpec, int listId, int staticId, unsigned fileType) {
  return window_ ? window_->dir_list(pathSpec, listId, staticId, fileType) : 0;
}

Ui& Dialog::AppUi() {
  Backend* b = backend_ ? backend_ : CurrentBackend();
  if (!b) throw std::logic_error("no user interface is set");
  return b->ui();
}

int Dialog::MessageBox(const std::string& text, const std::string& caption, Buttons buttons) {
  return AppUi().message_box(text, caption, buttons);
}

void Dialog::UpdateData(bool saveAndValidate) {
  DataExchange dx{*this, saveAndValidate};
  DoDataExchange(dx);
}

void Dialog::Attach(DialogWindow* window, Backend* backend) {
  window_ = window;
  backend_ = window ? backend : nullptr;
}

bool Dialog::HandleInitDialog() {
  ended_ = false;
  endCode_ = -1;
  return OnInitDialog();
}

void Dialog::HandleCommand(int id, int notification) {
  for (const MessageMapEntry& e : GetMessageMap()) {
    if (e.id == id && e.notification == notification) {
      (this->*e.handler)();
      return;
    }
  }
  if (notification != kBnClicked) return;
  if (id == kIdOk) OnOK();
  if (id == kIdCancel) OnCancel();
}

bool Dialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void Dialog::OnOK() {
  UpdateData(true);
  EndDialog(kIdOk);
}

void Dialog::OnCancel() { EndDialog(kIdCancel); }

PaintDc::PaintDc(Dialog& dlg) : window_(dlg.Window()) {
  if (window_) window_->begin_paint();
}

PaintDc::~PaintDc() {
  if (window_) window_->end_paint();
}

}  // namespace relvo::fw
