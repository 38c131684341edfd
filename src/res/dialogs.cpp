// The dialog templates, control by control in template (= tab) order, as the
// resource script would give them: every control is a visible child unless
// it says otherwise, buttons, edit boxes and lists are tab stops, and texts
// start a group.
#include "res/dialogs.h"

#include "fw/ui.h"

namespace relvo::res {

using namespace fw;

namespace {

constexpr std::uint32_t kChild = kWsChild | kWsVisible;
constexpr std::uint32_t kPushButton = kChild | kBsPushButton | kWsTabStop;
constexpr std::uint32_t kDefPushButton = kChild | kBsDefPushButton | kWsTabStop;
constexpr std::uint32_t kText = kChild | kSsLeft | kWsGroup;
constexpr std::uint32_t kFrame = kChild | kSsBlackFrame;
constexpr std::uint32_t kNoticeBox = kChild | kEsLeft | kEsMultiLine | kEsReadOnly | kWsBorder | kWsVScroll | kWsTabStop;
constexpr std::uint32_t kFolderList = kChild | kLbsSort | kLbsNotify | kLbsNoIntegralHeight | kLbsDisableNoScroll |
                                      kWsBorder | kWsVScroll | kWsTabStop;
constexpr std::uint32_t kPageStyle = kWsPopup | kWsCaption | kDsModalFrame | kDsCenter | kDsSetFont;

constexpr const char kPageFont[] = "ＭＳ Ｐゴシック";

constexpr ControlTemplate kAboutControls[] = {
    {kIdStatic, ControlClass::Static, kChild | kSsIcon, 11, 17, 20, 20, "", IDR_MAINFRAME},
    {kIdStatic, ControlClass::Static, kText | kSsNoPrefix, 40, 10, 119, 8, "Relvo Version 3.0"},
    {kIdStatic, ControlClass::Static, kText, 40, 25, 119, 8, "Copyright (C) Relvo"},
    {kIdOk, ControlClass::Button, kDefPushButton | kWsGroup, 178, 7, 32, 14, "OK"},
};

constexpr ControlTemplate kDestinationControls[] = {
    {kIdOk, ControlClass::Button, kDefPushButton, 158, 153, 50, 14, "次へ"},
    {IDC_DRIVE_LIST, ControlClass::ListBox, kFolderList, 7, 61, 38, 80},
    {kIdStatic, ControlClass::Static, kText | kSsSunken, 7, 41, 38, 17, "ｲﾝｽﾄｰﾙ先\n      ﾄﾞﾗｲﾌﾞ"},
    {kIdStatic, ControlClass::Static, kChild | kSsCenter | kWsGroup | kSsSunken, 52, 41, 156, 17, "ｲﾝｽﾄｰﾙ先ﾌｫﾙﾀﾞ"},
    {IDC_FOLDER_LIST, ControlClass::ListBox, kFolderList, 52, 77, 156, 64},
    // Between the two buttons: where the box first stood (106, 157, 102, 10),
    // hidden, it lay over "次へ".
    {IDC_RESTORE_CHECK, ControlClass::Button, kWsChild | kWsDisabled | kBsAutoCheckBox | kWsTabStop, 64, 155, 88, 10,
     "更新前に戻す"},
    {IDC_PATH, ControlClass::Edit, kChild | kEsLeft | kEsAutoHScroll | kWsBorder | kWsTabStop, 52, 61, 156, 14},
    {IDC_BACK, ControlClass::Button, kPushButton, 7, 153, 50, 14, "戻る"},
    {IDC_NOTICE, ControlClass::Edit, kNoticeBox, 40, 7, 168, 31},
    {IDC_PICTURE, ControlClass::Static, kFrame, 12, 11, 20, 20},
};

constexpr ControlTemplate kStartControls[] = {
    {kIdOk, ControlClass::Button, kDefPushButton, 158, 108, 50, 14, "開始"},
    {kIdCancel, ControlClass::Button, kPushButton, 7, 108, 50, 14, "取消"},
    {IDC_NOTICE, ControlClass::Edit, kNoticeBox, 7, 36, 201, 64},
    {kIdStatic, ControlClass::Static, kText, 50, 10, 121, 19, "ｲﾝｽﾄｰﾙを開始します。\n下記の注意項目を確認して下さい。"},
    {IDC_PICTURE, ControlClass::Static, kFrame, 12, 7, 20, 20},
};

constexpr ControlTemplate kConfirmControls[] = {
    {kIdOk, ControlClass::Button, kDefPushButton, 140, 49, 50, 14, "更新"},
    {kIdCancel, ControlClass::Button, kPushButton, 55, 49, 50, 14, "戻る"},
    {kIdStatic, ControlClass::Static, kText, 7, 32, 25, 8, "更新先："},
    {IDC_NOTICE, ControlClass::Static, kText | kSsSunken | kSsCenterImage, 41, 30, 149, 11},
    {IDC_PICTURE, ControlClass::Static, kFrame, 13, 3, 20, 20},
    // Shown when the page is to restore rather than update.
    {IDC_RESTORE_NOTICE, ControlClass::Static, kWsChild | kSsLeft | kWsGroup, 41, 8, 149, 16,
     "システムを更新前の状態に戻します。"},
};

}  // namespace

const DialogTemplate kAboutTemplate{IDD_ABOUTBOX,
                                    kWsPopup | kWsCaption | kWsSysMenu | kDsModalFrame | kDsSetFont,
                                    0, 0, 217, 55, "ﾊﾞｰｼﾞｮﾝ情報(Relvo)", kPageFont, 9, kAboutControls};
const DialogTemplate kDestinationTemplate{IDD_DESTINATION, kPageStyle, 0, 0, 215, 174, "アップデート",
                                          kPageFont, 11, kDestinationControls};
const DialogTemplate kStartTemplate{IDD_START, kPageStyle | kDs3DLook, 0, 0, 215, 129, "マスタ調整機能付",
                                    kPageFont, 11, kStartControls};
const DialogTemplate kConfirmTemplate{IDD_CONFIRM, kPageStyle | kDs3DLook, 0, 0, 197, 70, "アップデート",
                                      kPageFont, 11, kConfirmControls};

const DialogTemplate* FindDialogTemplate(int id) {
  for (const DialogTemplate* t : {&kAboutTemplate, &kDestinationTemplate, &kStartTemplate, &kConfirmTemplate})
    if (t->id == id) return t;
  return nullptr;
}

}  // namespace relvo::res
