// The wizard's three pages as real dialogs of the Win32 front end, one after
// the other, filled from a media folder's info.txt: for driving by hand or
// through scripts/gui-session.sh. Prints how each page ended (UTF-8).
// Usage: show_pages MEDIA_FOLDER [POINTS]   (Windows paths ending with '\')
// With POINTS, restore points are kept there, and C:\VORNEL3 has one.
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>

#include "engine/restore_point.h"
#include "engine/update_descriptor.h"
#include "fw/win32/win32_backend.h"
#include "platform/encoding.h"
#include "platform/registry.h"
#include "support/fake_drives.h"
#include "wizard/confirm_dlg.h"
#include "wizard/destination_dlg.h"
#include "wizard/start_dlg.h"

namespace {

// No uninstall entries: the destination page proposes the descriptor's folder.
class NoRegistry : public relvo::Registry {
 public:
  bool read_value(const std::string&, const std::string&, std::optional<std::string>&) override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
  using namespace relvo;
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: show_pages MEDIA_FOLDER [POINTS]\n");
    return 2;
  }
  // The current drive and folders kept by the program itself over the
  // system's drives (each at its root, C: current).
  std::map<char, std::string> roots;
  const DWORD present = GetLogicalDrives();
  for (int i = 0; i < 26; ++i)
    if (present & (1u << i)) roots[static_cast<char>('A' + i)] = std::string(1, static_cast<char>('A' + i)) + ":\\";
  test::FakeDrives drives(roots, 'C');
  test::DriveFileSystem files(drives);
  NoRegistry registry;
  PageContext ctx{argv[1], files, drives, registry};
  if (argc == 3) {
    // A point as an update that made one file in C:\VORNEL3 leaves it.
    ctx.points = RestorePointPlace{argv[2], &native_file_system()};
    RestorePointWriter point(native_file_system(), ProductPointsFolder(files, argv[2], "C:\\VORNEL3"), "C:\\VORNEL3");
    if (!point.record(files, {"C:\\VORNEL3\\made.txt"}) || !point.finish(files)) {
      std::fprintf(stderr, "show_pages: no restore point: %s\n", point.error().c_str());
      return 1;
    }
  }
  UpdateDescriptor d;
  ReadUpdateInfo(ctx.files, ctx.programFolder, d);
  fw::win32::Win32Backend backend;
  fw::ScopedBackend scoped(backend);

  CStartDlg start(ctx);
  start.m_strNotice = d.startNotice;
  start.m_strPicture = d.startPicture;
  start.m_strMasterAdjust = d.masterAdjust;
  const int started = start.DoModal();
  std::printf("start=%d\n", started);
  if (started != fw::kIdOk) return 0;

  CDestinationDlg destination(ctx);
  destination.m_strPath = d.installFolder;
  destination.m_strNotice = d.destinationNotice;
  destination.m_strPicture = d.destinationPicture;
  destination.m_strUninstallKeys = d.uninstallKeys;
  const int chosen = destination.DoModal();
  std::printf("destination=%d path=%s restore=%d\n", chosen, enc::cp932_to_utf8(destination.m_strPath).c_str(),
              destination.m_bRestore ? 1 : 0);
  if (chosen != fw::kIdOk) return 0;

  CConfirmDlg confirm(ctx);
  confirm.m_strPath = destination.m_strPath;
  confirm.m_strPicture = d.confirmPicture;
  confirm.m_bRestore = destination.m_bRestore;
  std::printf("confirm=%d\n", confirm.DoModal());
  return 0;
}
