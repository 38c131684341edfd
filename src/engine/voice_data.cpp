// The voice data install: the product's own 音声\wave archive extracted into
// the wave folder that its settings file names.
#include <initializer_list>

#include "engine/run_detail.h"
#include "engine/update_run.h"
#include "platform/profile.h"

namespace relvo {

using namespace run_detail;

void InstallVoiceData(Host& host, const std::string& folder, const std::string& settingsFile) {
  const std::string settingsPath = folder + settingsFile;
  const std::string windowsFolder = host.sys.windows_folder();
  host.archive.SetBackgroundMode(0);
  host.archive.SetCursorMode(1);
  // Read whole: a wave folder cut to a buffer would name another folder. A
  // relative one counts from the product folder, not the current one.
  const std::string waveFolder = profile::read_folder(host.fs, settingsPath, "DIR", "WAV");
  if (waveFolder.empty() || !host.fs.exists(waveFolder)) return;  // no voice data wanted here

  const std::string archivePath = folder + kVoiceArchive;
  for (const std::string* path : {&archivePath, &waveFolder}) {
    if (HasQuote(*path)) {
      ShowOk(host, Format(kQuoteFmt, *path), kCaptionConfirm);
      return;
    }
  }
  Tell(host, fw::Step::Kind::Voice, archivePath, waveFolder);
  std::string msg;
  const bool done = RunCommand(host, ExtractCommand(windowsFolder, archivePath, waveFolder), 100, msg);
  if (host.events) host.events->voice_data(archivePath, waveFolder, done);
  if (!done) ShowOk(host, msg, kCaptionConfirm);
}

}  // namespace relvo
