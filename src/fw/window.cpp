// The framework's windows: creation through the window backend, message
// delivery, command routing, painting, and the frame with its view.
#include "fw/window.h"

#include <algorithm>

#include "fw/app.h"
#include "fw/backend.h"

namespace relvo::fw {

WindowBackend* CurrentWindowBackend() {
  Backend* b = CurrentBackend();
  return b ? b->windows() : nullptr;
}

bool CmdTarget::OnCmdMsg(int id) {
  for (const CommandMapEntry& e : GetCommandMap()) {
    if (e.id == id) {
      (this->*e.handler)();
      return true;
    }
  }
  return false;
}

// --- Wnd --------------------------------------------------------------------

Wnd::~Wnd() {
  if (IsWindow()) peer_->destroy();
}

bool Wnd::CreateEx(CreateStruct cs) {
  WindowBackend* windows = CurrentWindowBackend();
  if (!windows || IsWindow()) return false;
  if (!PreCreateWindow(cs)) return false;
  parent_ = cs.parent;
  style_ = cs.style;
  destroyed_ = false;
  if (windows->create_window(*this, cs)) return IsWindow();
  destroyed_ = true;
  return false;
}

bool Wnd::DestroyWindow() {
  if (!IsWindow()) return false;
  OnDestroy();
  destroyed_ = true;
  peer_->destroy();
  App* app = GetApp();
  if (app && app->m_pMainWnd == this) {
    app->m_pMainWnd = nullptr;
    if (WindowBackend* windows = CurrentWindowBackend()) windows->post_quit(0);
  }
  return true;
}

bool Wnd::PostMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  return IsWindow() && peer_->post(message, wParam, lParam);
}

std::string Wnd::GetWindowText() const { return IsWindow() ? peer_->text() : std::string(); }

void Wnd::SetWindowText(const std::string& text) {
  if (IsWindow()) peer_->set_text(text);
}

bool Wnd::GetWindowPlacement(WindowPlacement& wp) const { return IsWindow() && peer_->get_placement(wp); }

bool Wnd::SetWindowPlacement(const WindowPlacement& wp) { return IsWindow() && peer_->set_placement(wp); }

bool Wnd::HasMenu() const { return IsWindow() && peer_->has_menu(); }

bool Wnd::SetMenu(std::nullptr_t) { return IsWindow() && peer_->remove_menu(); }

bool Wnd::ShowWindow(int cmd) {
  if (!IsWindow()) return false;
  const bool was = peer_->visible();
  peer_->show(cmd);
  return was;
}

bool Wnd::IsWindowVisible() const { return IsWindow() && peer_->visible(); }

void Wnd::Invalidate() {
  if (IsWindow()) peer_->invalidate();
}

void Wnd::UpdateWindow() {
  if (IsWindow()) peer_->update();
}

Rect Wnd::GetClientRect() const { return IsWindow() ? peer_->client_rect() : Rect{}; }

FrameWnd* Wnd::GetParentFrame() const {
  for (Wnd* w = parent_; w; w = w->GetParent())
    if (FrameWnd* f = dynamic_cast<FrameWnd*>(w)) return f;
  return nullptr;
}

void Wnd::Attach(std::unique_ptr<WindowPeer> peer) {
  peer_ = std::move(peer);
  destroyed_ = peer_ == nullptr;
}

int Wnd::HandleCreate(CreateStruct& cs) { return OnCreate(cs); }

bool Wnd::HandleMessage(unsigned message, std::uintptr_t wParam, std::intptr_t) {
  switch (message) {
    case kWmCommand: RouteCommand(static_cast<int>(wParam & 0xFFFF)); return true;
    case kWmPaint: OnPaint(); return true;
    case kWmClose: OnClose(); return true;
    default: return false;
  }
}

void Wnd::OnPaint() { WindowPaintDc paint(*this); }

void Wnd::OnClose() { DestroyWindow(); }

WindowPaintDc::WindowPaintDc(Wnd& wnd) : peer_(wnd.Peer()) {
  if (peer_) dc_ = peer_->begin_paint();
}

WindowPaintDc::~WindowPaintDc() {
  dc_.reset();
  if (peer_) peer_->end_paint();
}

// --- Document and view --------------------------------------------------------

bool Document::OnNewDocument() {
  title_.clear();
  return true;
}

void Document::AddView(View* view) {
  if (std::find(views_.begin(), views_.end(), view) == views_.end()) views_.push_back(view);
}

void Document::RemoveView(View* view) { views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end()); }

View::~View() {
  if (document_) document_->RemoveView(this);
}

FrameWnd* View::GetParentFrame() const { return Wnd::GetParentFrame(); }

int View::OnCreate(CreateStruct&) {
  if (!context_ || !context_->document) return -1;
  document_ = context_->document;
  document_->AddView(this);
  return 0;
}

void View::OnPaint() {
  WindowPaintDc paint(*this);
  OnDraw(paint.dc());
}

// --- Frame --------------------------------------------------------------------

FrameWnd::~FrameWnd() {
  // The view's window goes with the frame's, before it.
  if (view_ && view_->IsWindow()) view_->DestroyWindow();
}

bool FrameWnd::LoadFrame(int resourceId, std::uint32_t style, const std::string& title, CreateContext* context) {
  title_ = title;
  CreateStruct cs;
  cs.createParams = context;
  cs.menu = resourceId;
  cs.style = style;
  cs.name = title;
  return CreateEx(cs);
}

int FrameWnd::OnCreate(CreateStruct& cs) {
  return OnCreateClient(cs, static_cast<CreateContext*>(cs.createParams)) ? 0 : -1;
}

bool FrameWnd::OnCreateClient(CreateStruct&, CreateContext* context) {
  if (!context || !context->newView) return false;
  std::unique_ptr<View> view = context->newView();
  if (!view) return false;
  view->SetCreateContext(context);
  CreateStruct cs;
  cs.parent = this;
  cs.menu = kIdPaneFirst;
  cs.style = kWsChild | kWsVisible;
  cs.exStyle = 0x0200;  // WS_EX_CLIENTEDGE, as the framework's views have it
  // The view keeps its object while it is being created: its OnCreate may
  // post to its own window, and that needs the frame to know it.
  view_ = std::move(view);
  if (!view_->CreateEx(cs)) {
    view_.reset();
    return false;
  }
  view_->SetCreateContext(nullptr);
  return true;
}

bool FrameWnd::RouteCommand(int id) {
  if (view_ && view_->IsWindow() && view_->OnCmdMsg(id)) return true;
  if (OnCmdMsg(id)) return true;
  App* app = GetApp();
  return app && app->OnCmdMsg(id);
}

void FrameWnd::OnDestroy() {
  if (view_ && view_->IsWindow()) view_->DestroyWindow();
}

void FrameWnd::InitialUpdateFrame(Document* document) {
  if (view_) view_->OnInitialUpdate();
  if ((GetStyle() & kFwsAddToTitle) && document) {
    const std::string name = document->GetTitle().empty() ? std::string("無題") : document->GetTitle();
    SetWindowText(name + " - " + title_);
  }
}

}  // namespace relvo::fw
