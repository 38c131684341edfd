// A dialog template of the table laid out in memory as the DLGTEMPLATE that
// DialogBoxIndirectParamW reads, with every text in UTF-16.
#pragma once
#include <cstdint>
#include <vector>

#include "fw/dialog_template.h"

namespace relvo::fw::win32 {

// The template t as DLGTEMPLATE words: the header (DS_SETFONT whenever t
// names a font), no menu, the standard dialog class, the caption, the point
// size and typeface, then each control in template order, each starting on
// a DWORD boundary: its style (always WS_CHILD; visible as the table says),
// id, rectangle in dialog units, class atom, and its caption or the ordinal
// of the resource it names. The first word is the template's start; the
// vector's storage is aligned for DWORDs.
std::vector<std::uint16_t> BuildDlgTemplate(const DialogTemplate& t);

}  // namespace relvo::fw::win32
