// <windows.h> for the framework's Win32 front end, without the A/W macros
// whose names are also the framework's own members (Dialog::MessageBox,
// Dialog::SetWindowText, ...): a file that sees both would otherwise call
// members named MessageBoxW that exist nowhere. The front end names every
// W call explicitly.
#pragma once
#include <windows.h>

#undef MessageBox
#undef GetWindowText
#undef SetWindowText
#undef GetDlgItemText
#undef SetDlgItemText
#undef DlgDirList
#undef PostMessage
#undef SendMessage
#undef LoadString
