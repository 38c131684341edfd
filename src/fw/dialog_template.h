// Dialog templates as data: the caption, size, font and styles of a dialog
// and every control in template order. The Win32 backend builds a DLGTEMPLATE
// from them, the console lays the page out as text from the same table.
#pragma once
#include <cstdint>
#include <span>

namespace relvo::fw {

// Window, dialog and control style bits, with the values Win32 gives them
// (kWsPopup is WS_POPUP; the names differ so that windows.h can sit beside).
enum : std::uint32_t {
  kWsPopup = 0x80000000,
  kWsChild = 0x40000000,
  kWsVisible = 0x10000000,
  kWsDisabled = 0x08000000,
  kWsCaption = 0x00C00000,
  kWsBorder = 0x00800000,
  kWsVScroll = 0x00200000,
  kWsHScroll = 0x00100000,
  kWsSysMenu = 0x00080000,
  kWsGroup = 0x00020000,
  kWsTabStop = 0x00010000,

  kDs3DLook = 0x0004,
  kDsSetFont = 0x0040,
  kDsModalFrame = 0x0080,
  kDsCenter = 0x0800,

  kBsPushButton = 0x0000,
  kBsDefPushButton = 0x0001,
  kBsAutoCheckBox = 0x0003,
  kBsTypeMask = 0x000F,

  kEsLeft = 0x0000,
  kEsMultiLine = 0x0004,
  kEsAutoHScroll = 0x0080,
  kEsReadOnly = 0x0800,

  kLbsNotify = 0x0001,
  kLbsSort = 0x0002,
  kLbsNoIntegralHeight = 0x0100,
  kLbsDisableNoScroll = 0x1000,

  kSsLeft = 0x0000,
  kSsCenter = 0x0001,
  kSsIcon = 0x0003,
  kSsBlackFrame = 0x0007,
  kSsTypeMask = 0x001F,
  kSsNoPrefix = 0x0080,
  kSsCenterImage = 0x0200,
  kSsSunken = 0x1000,
};

// The predefined window classes, numbered by their DLGITEMTEMPLATE atoms.
enum class ControlClass : std::uint16_t { Button = 0x0080, Edit = 0x0081, Static = 0x0082, ListBox = 0x0083 };

// The id of controls that are never addressed (statics), as the resource
// compiler writes it.
inline constexpr int kIdStatic = -1;

// One control. Rectangles are in dialog units. caption is CP932; a control
// whose caption names a resource (an icon static) has captionResource set
// and an empty caption.
struct ControlTemplate {
  int id = kIdStatic;
  ControlClass kind = ControlClass::Static;
  std::uint32_t style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  const char* caption = "";
  std::uint16_t captionResource = 0;
};

// One dialog: its resource id, styles, position and size in dialog units,
// caption and font (CP932, with its point size), controls in template
// (= tab) order.
struct DialogTemplate {
  int id = 0;
  std::uint32_t style = 0;
  int x = 0, y = 0, cx = 0, cy = 0;
  const char* caption = "";
  const char* fontName = "";
  int pointSize = 0;
  std::span<const ControlTemplate> controls;

  // The control with this id, or nullptr.
  const ControlTemplate* control(int controlId) const {
    for (const ControlTemplate& c : controls)
      if (c.id == controlId) return &c;
    return nullptr;
  }
};

}  // namespace relvo::fw
