// The application object, the single-document template and the program's
// life from InitInstance through the message loop.
#include "fw/app.h"

#include <utility>

#include "fw/backend.h"

namespace relvo::fw {

namespace {
App* g_app = nullptr;
}  // namespace

App* GetApp() { return g_app; }

// --- SingleDocTemplate --------------------------------------------------------

SingleDocTemplate::SingleDocTemplate(int resourceId, std::string docString, DocumentClass document,
                                     FrameClass frame, ViewClass view)
    : resourceId_(resourceId),
      docString_(std::move(docString)),
      newDocument_(std::move(document)),
      newFrame_(std::move(frame)),
      newView_(std::move(view)) {}

SingleDocTemplate::~SingleDocTemplate() {
  // The frame (and its view) before the document they show.
  frame_.reset();
  document_.reset();
}

std::string SingleDocTemplate::GetDocString(DocStringIndex index) const {
  std::size_t from = 0;
  for (int i = 0; i < index; ++i) {
    from = docString_.find('\n', from);
    if (from == std::string::npos) return {};
    ++from;
  }
  const std::size_t end = docString_.find('\n', from);
  return docString_.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

Document* SingleDocTemplate::OpenDocumentFile() {
  if (document_ && frame_ && frame_->IsWindow()) return document_->OnNewDocument() ? document_.get() : nullptr;
  document_ = newDocument_ ? newDocument_() : nullptr;
  frame_ = newFrame_ ? newFrame_() : nullptr;
  if (!document_ || !frame_) {
    frame_.reset();
    document_.reset();
    return nullptr;
  }
  context_ = CreateContext{document_.get(), newView_};
  if (!frame_->LoadFrame(resourceId_, kWsOverlappedWindow | kFwsAddToTitle, GetDocString(windowTitle), &context_)) {
    frame_.reset();
    document_.reset();
    return nullptr;
  }
  App* app = GetApp();
  if (app && !app->m_pMainWnd) app->m_pMainWnd = frame_.get();
  if (!document_->OnNewDocument()) {
    frame_->DestroyWindow();
    return nullptr;
  }
  frame_->InitialUpdateFrame(document_.get());
  return document_.get();
}

// --- App ----------------------------------------------------------------------

App::App() {
  if (!g_app) g_app = this;
}

App::~App() {
  templates_.clear();
  if (g_app == this) g_app = nullptr;
}

void App::AddDocTemplate(std::unique_ptr<SingleDocTemplate> tmpl) { templates_.push_back(std::move(tmpl)); }

void App::OnFileNew() {
  if (!templates_.empty()) templates_.front()->OpenDocumentFile();
}

bool App::ProcessShellCommand(const CommandLineInfo& info) {
  switch (info.m_nShellCommand) {
    case CommandLineInfo::FileNew:
      if (templates_.empty()) return false;
      return templates_.front()->OpenDocumentFile() != nullptr;
    case CommandLineInfo::FileNothing: return true;
  }
  return false;
}

int App::Run() {
  WindowBackend* windows = CurrentWindowBackend();
  loopCode_ = windows ? windows->run_message_loop() : kLoopIdle;
  return ExitInstance();
}

int RunApp(App& app) {
  // Modal loops deliver what is posted to the program's windows meanwhile.
  const MessagePump before = SetMessagePump([] {
    if (WindowBackend* windows = CurrentWindowBackend()) windows->dispatch_posted();
  });
  int code;
  try {
    code = app.InitInstance() ? app.Run() : app.ExitInstance();
  } catch (...) {
    SetMessagePump(before);
    throw;
  }
  SetMessagePump(before);
  return code;
}

}  // namespace relvo::fw
