// The update run's own texts and the small pieces the run and the voice data
// install share. Private to the engine: nothing outside src/engine includes it.
#pragma once
#include <cstddef>
#include <string>

#include "engine/update_run.h"

namespace relvo::run_detail {

// The library's command line: e -mcw<windows> "<archive>" "<target>". No
// length limit. Callers refuse paths holding a double quote first.
std::string ExtractCommand(const std::string& windowsFolder, const std::string& archivePath,
                           const std::string& targetFolder);
// True when a path cannot be quoted on the library's command line.
bool HasQuote(const std::string& path);
// "%d 枚目の..." disk prompt text.
std::string DiskPrompt(int disk);

// The run's fixed texts (CP932).
extern const char* const kFolderWrong;          // ｲﾝｽﾄｰﾙ先ﾌｫﾙﾀﾞが正しくないと思われます。
extern const char* const kVersionWrong;         // このバージョンへの更新はできません。
extern const char* const kCancelled;            // ｱｯﾌﾟﾃﾞｲﾄを取消しました。
extern const char* const kNoSystemName;         // ｼｽﾃﾑ名称が取得できませんでした。
extern const char* const kDescriptorCutFmt;     // %sを最後まで読み込めませんでした。...
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
extern const char* const kVoiceArchive;         // 音声\wave

// Replaces the first "%s" of fmt by arg, or the first two by first and
// second (no length limit).
std::string Format(const char* fmt, const std::string& arg);
std::string Format(const char* fmt, const std::string& first, const std::string& second);

// A modal box with the OK button alone, owned by the host's window.
void ShowOk(Host& host, const std::string& text, const char* caption);
// Tells the user interface a step of the run.
void Tell(Host& host, fw::Step::Kind kind, const std::string& path, const std::string& target = {},
          const std::string& text = {});
// Calls the library's command entry with a message buffer of bufferSize
// bytes, the bytes it reads told to the user interface. True on success;
// otherwise msg holds the library's own text.
bool RunCommand(Host& host, const std::string& cmd, std::size_t bufferSize, std::string& msg);

}  // namespace relvo::run_detail
