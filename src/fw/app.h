// The framework's application: the application object with InitInstance
// and the message loop, the single-document template that makes the
// document, the frame and its view, and the command line's processing.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fw/window.h"

namespace relvo::fw {

// The framework's command-line record. Our programs read their own
// arguments; what reaches the framework is always a new document.
struct CommandLineInfo {
  enum ShellCommand { FileNew, FileNothing };
  ShellCommand m_nShellCommand = FileNew;
};

// A single-document template: one document, one frame, one view, each made
// by its run-time class (a creation function), and the document template
// string (fields separated by LF: window title, document name, file type
// name, filter, extension, registry file type id and name).
class SingleDocTemplate {
 public:
  using DocumentClass = std::function<std::unique_ptr<Document>()>;
  using FrameClass = std::function<std::unique_ptr<FrameWnd>()>;
  using ViewClass = std::function<std::unique_ptr<View>()>;

  SingleDocTemplate(int resourceId, std::string docString, DocumentClass document, FrameClass frame, ViewClass view);
  ~SingleDocTemplate();

  // Field index of the document template string ("" when it has none).
  enum DocStringIndex { windowTitle = 0, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName };
  std::string GetDocString(DocStringIndex index) const;

  // A new document: the first time the document, then the frame (its
  // creation makes the view inside it), then OnNewDocument and the frame's
  // initial update; afterwards the one document is made new again. The
  // first frame becomes the application's main window. Returns the
  // document, nullptr when any step failed (what was made is gone again).
  Document* OpenDocumentFile();

 private:
  int resourceId_;
  std::string docString_;
  DocumentClass newDocument_;
  FrameClass newFrame_;
  ViewClass newView_;
  std::unique_ptr<Document> document_;
  std::unique_ptr<FrameWnd> frame_;
  CreateContext context_;
};

class App : public CmdTarget {
 public:
  // The one application object of the program (GetApp) while it lives.
  App();
  ~App() override;

  // Sets the program up; false ends it at once (the framework's: true).
  virtual bool InitInstance() { return true; }
  // The message loop of the window backend; then ExitInstance's result.
  virtual int Run();
  // The program's exit code: the framework's is the code the message loop
  // ended with (kLoopIdle when nothing could arrive any more).
  virtual int ExitInstance() { return loopCode_; }

  void AddDocTemplate(std::unique_ptr<SingleDocTemplate> tmpl);
  // Our programs parse their own arguments first; the framework's record
  // asks for a new document.
  void ParseCommandLine(CommandLineInfo& info) { info.m_nShellCommand = CommandLineInfo::FileNew; }
  // FileNew: a new document of the first template (OnFileNew). False when
  // it could not be made.
  bool ProcessShellCommand(const CommandLineInfo& info);

  // The main window: the frame of the first document.
  FrameWnd* m_pMainWnd = nullptr;

 protected:
  // The framework's handlers of kIdFileNew and kIdFileOpen. Ours opens no
  // files: there is no file dialog and no document is ever stored, so Open
  // does nothing.
  void OnFileNew();
  void OnFileOpen() {}

 private:
  std::vector<std::unique_ptr<SingleDocTemplate>> templates_;
  int loopCode_ = kLoopIdle;
};

// The application object, nullptr when there is none.
App* GetApp();

// The program's life on the current backend: installs the message pump for
// modal loops, InitInstance, then Run when it succeeded (ExitInstance when
// not). Returns ExitInstance's code.
int RunApp(App& app);

}  // namespace relvo::fw
