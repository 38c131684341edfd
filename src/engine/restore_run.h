// The restore as the wizard runs it: a restore point put back under the wait
// cursor, with the boxes that ask about files changed since the update and
// tell how it ended.
#pragma once
#include <string>

#include "engine/restore.h"
#include "fw/ui.h"
#include "platform/files.h"

namespace relvo {

// What a restore does with files changed since the update.
enum class ChangedFiles {
  Ask,     // list them in a box with OK and Cancel: OK restores them too, Cancel changes nothing
  Refuse,  // list them in a box with OK and change nothing (nobody to ask)
  Force,   // restore them too without asking
};

// The box for a folder that has no restore point, when the user asked to
// undo its update: its text and caption (CP932).
extern const char* const kNoRestorePointHere;
extern const char* const kNoRestorePointCaption;

// Restores the product from the newest point in productPoints (see
// RestoreProduct) and shows on ui, caption "確認": the files changed since
// the update as changed says; then the end: restored (the newer copies kept
// beside theirs, when there were any), nothing to restore, cancelled, or
// failed (why, and that running it again finishes it). Returns the outcome of
// the last RestoreProduct: Refused when the changed files stopped it.
RestoreOutcome RestoreWithBoxes(fw::Ui& ui, FileSystem& product, FileSystem& store, const std::string& productPoints,
                                ChangedFiles changed, RestoreEvents* events = nullptr);

}  // namespace relvo
