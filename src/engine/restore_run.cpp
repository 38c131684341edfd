// The wizard's restore and its boxes.
#include "engine/restore_run.h"

#include <cstddef>
#include <string>
#include <vector>

namespace relvo {
namespace {

const char* const kCaption = "確認";
const char* const kChangedHead = "次のﾌｧｲﾙは更新後に変更されています。";
const char* const kAskForce =
    "これらのﾌｧｲﾙも更新前の状態に戻しますか？\n"
    "変更後のﾌｧｲﾙは、名前の後に .relvo-kept を付けて残します。";
const char* const kRefused = "更新前に戻す処理を中止しました。ﾌｧｲﾙは変更していません。";
const char* const kCancelled = "更新前に戻す処理を取消しました。";
const char* const kRestored = "システムは更新前の状態に戻されました。";
const char* const kKept = "変更されていたﾌｧｲﾙは、名前の後に .relvo-kept を付けて残しました。";
const char* const kNoPoint = "更新前に戻すための記録がありません。";
const char* const kRestoredAlready = "この更新は既に更新前の状態に戻されています。";
const char* const kFailed = "更新前に戻す処理に失敗しました。";
const char* const kRunAgain = "もう一度実行すると、続きから戻します。";

// The changed files, one a line; a long list ends with how many more.
std::string FileList(const std::vector<std::string>& paths) {
  constexpr std::size_t kShown = 10;
  std::string s;
  for (std::size_t i = 0; i < paths.size() && i < kShown; ++i) s += "  " + paths[i] + "\n";
  if (paths.size() > kShown) s += "  ほか " + std::to_string(paths.size() - kShown) + " ﾌｧｲﾙ\n";
  return s;
}

}  // namespace

const char* const kNoRestorePointHere = "このﾌｫﾙﾀﾞには、更新前に戻すための記録がありません。";
const char* const kNoRestorePointCaption = "エラー";

RestoreOutcome RestoreWithBoxes(fw::Ui& ui, FileSystem& product, FileSystem& store, const std::string& productPoints,
                                ChangedFiles changed, RestoreEvents* events) {
  RestoreRequest request;
  request.force = changed == ChangedFiles::Force;
  RestoreOutcome r;
  {
    fw::WaitCursor wait(ui);
    r = RestoreProduct(product, store, productPoints, request, events);
  }
  if (r.result == RestoreResult::Refused) {
    const std::string list = std::string(kChangedHead) + "\n\n" + FileList(r.changed) + "\n";
    if (changed != ChangedFiles::Ask) {
      ui.message_box(list + kRefused, kCaption, fw::Buttons::Ok);
      return r;
    }
    if (ui.message_box(list + kAskForce, kCaption, fw::Buttons::OkCancel) != fw::kIdOk) {
      ui.message_box(kCancelled, kCaption, fw::Buttons::Ok);
      return r;
    }
    request.force = true;
    fw::WaitCursor wait(ui);
    r = RestoreProduct(product, store, productPoints, request, events);
  }
  switch (r.result) {
    case RestoreResult::Restored:
      ui.message_box(r.changed.empty() ? std::string(kRestored) : std::string(kRestored) + "\n" + kKept, kCaption,
                     fw::Buttons::Ok);
      break;
    case RestoreResult::NothingToRestore:
      ui.message_box(r.found && r.point.state == PointState::Restored ? kRestoredAlready : kNoPoint, kCaption,
                     fw::Buttons::Ok);
      break;
    case RestoreResult::Failed:
      ui.message_box(std::string(kFailed) + "\n" + r.error + "\n" + kRunAgain, kCaption, fw::Buttons::Ok);
      break;
    case RestoreResult::Refused:  // changed again between the two looks: nothing was changed
      ui.message_box(std::string(kChangedHead) + "\n\n" + FileList(r.changed) + "\n" + kRefused, kCaption,
                     fw::Buttons::Ok);
      break;
  }
  return r;
}

}  // namespace relvo
