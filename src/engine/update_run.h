// The update run: from the media into the product folder (checks, disk
// prompts, archives, single files, settings edits, voice data, conversions).
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "fw/ui.h"
#include "platform/archive_library.h"
#include "platform/files.h"
#include "platform/system.h"
#include "wizard/update_descriptor.h"

namespace relvo {

// The layers the run works through, handed in by the view or the console
// command (tests hand in doubles for the user interface and the library).
struct Host {
  FileSystem& fs;
  SystemInfo& sys;
  ArchiveLibrary& archive;
  fw::Ui& ui;
  void* ownerWindow = nullptr;  // owner of the library's windows (the view)
};

// How a run ended, finer than its int result, for the console command.
enum class RunOutcome {
  Updated,          // every step done (warnings may have been shown); 1
  Cancelled,        // the user did not answer OK at a disk prompt; 1
  FolderRejected,   // no settings file in the folder; 0
  VersionRejected,  // the installation check refused the folder; 0
  NotIdentified,    // a START row was reached with product code -1; 0
  Failed,           // an extraction, copy, status or file operation failed; 1
};

// Runs the update on d.installFolder from the media in programFolder (a
// folder text ending with a separator, or a bare drive "A:"). Returns 1 when
// the wizard should end (updated, cancelled or failed) and 0 when the
// destination page should be shown again (folder rejected, product not
// identified). Every outcome has been shown to the user in a message box.
// d keeps settingsFile (the name chosen), START rows' archiveName (with the
// product code) and productCode. outcome, when given, receives how it ended.
int RunUpdate(Host& host, UpdateDescriptor& d, const std::string& programFolder,
              RunOutcome* outcome = nullptr);

// Extracts folder + "音声\wave" (.lzh) into the wave folder that the settings
// file names (section "DIR", key "WAV"). Does nothing when that folder does
// not exist; shows the library's message when the extraction fails.
void InstallVoiceData(Host& host, const std::string& folder, const std::string& settingsFile);

// The pieces the run is made of, shared with the dry run of the console.
namespace run_detail {

// The library's command line: e -mcw<windows> "<archive>" "<target>". No
// length limit. Callers refuse paths holding a double quote first.
std::string ExtractCommand(const std::string& windowsFolder, const std::string& archivePath,
                           const std::string& targetFolder);
// True when a path cannot be quoted on the library's command line.
bool HasQuote(const std::string& path);
// "%d 枚目の..." disk prompt text.
std::string DiskPrompt(int disk);
// The START name of an archive row with the product code appended, or the
// name unchanged (base name not "START", or a code outside 0-15 and 99).
std::string StartArchiveName(const std::string& archiveName, int productCode);
// True when archiveName's base name is exactly "START".
bool IsStartArchive(const std::string& archiveName);
// True when a copied file of this base name marks the master files.
bool IsMasterFilesName(const std::string& baseName);
// The settings-file names a run tries, in order, for the name it starts from.
std::vector<std::string> SettingsFileCandidates(const std::string& asRead);
// The name a run starts its settings-file choice from.
std::string SettingsFileToStartFrom(const UpdateDescriptor& d);

// The run's fixed texts (CP932).
extern const char* const kFolderWrong;          // ｲﾝｽﾄｰﾙ先ﾌｫﾙﾀﾞが正しくないと思われます。
extern const char* const kVersionWrong;         // このバージョンへの更新はできません。
extern const char* const kCancelled;            // ｱｯﾌﾟﾃﾞｲﾄを取消しました。
extern const char* const kNoSystemName;         // ｼｽﾃﾑ名称が取得できませんでした。
extern const char* const kCopyFailedFmt;        // %sの更新に失敗しました。
extern const char* const kStatusFailedFmt;      // %sの属性更新に失敗しました。
extern const char* const kSettingsWriteFmt;     // %sの設定の書き込みに失敗しました。
extern const char* const kQuoteFmt;             // path holding a double quote
extern const char* const kFileErrorFmt;         // %sの%sに失敗しました。
extern const char* const kSizeFailed;           // 材料ｻｲｽﾞ変換が...
extern const char* const kTypeFailed;           // 材料ﾀｲﾌﾟ変換が...
extern const char* const kDone;                 // システムは正常に更新されました。
extern const char* const kCaptionConfirm;       // 確認
extern const char* const kCaptionError;         // エラー
extern const char* const kCaptionUpdateError;   // 更新エラー
extern const char* const kDigitizerKey;         // ﾃﾞｼﾞﾀｲｻﾞ
extern const char* const kDigitizerMstKey;      // ﾃﾞｼﾞﾀｲｻﾞMST
extern const char* const kEditionName;          // ﾍﾞﾙﾄﾗﾝ
extern const char* const kTitleSuffix;          // " with ﾍﾞﾙﾄﾗﾝ"
extern const char* const kVoiceArchive;         // 音声\wave

// Replaces the first "%s" of fmt by arg, or the first two by first and
// second (no length limit).
std::string Format(const char* fmt, const std::string& arg);
std::string Format(const char* fmt, const std::string& first, const std::string& second);

// A modal box with the OK button alone, owned by the host's window.
void ShowOk(Host& host, const std::string& text, const char* caption);
// Calls the library's command entry with a message buffer of bufferSize
// bytes. True on success; otherwise msg holds the library's own text.
bool RunCommand(Host& host, const std::string& cmd, std::size_t bufferSize, std::string& msg);

}  // namespace run_detail

}  // namespace relvo
