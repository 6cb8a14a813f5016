#pragma once
// The two dialog templates as data: the download dialog (201) and the message
// box (246), each in English and Japanese. Positions and sizes are dialog
// units of the template's font (DialogUnits.h turns them into pixels); texts
// are UTF-8.
#include <string>
#include <vector>

#include "platform/Language.h"
#include "platform/WindowTypes.h"

namespace kivui {

constexpr unsigned IDD_DOWNLOAD = 201;
constexpr unsigned IDD_MSGBOX = 246;

// Ids of the download dialog's controls.
constexpr int IDC_STATIC = -1;  // a control nobody addresses
constexpr int IDC_CURRENT_BAR = 201;
constexpr int IDC_OVERALL_BAR = 202;
constexpr int IDC_PLAY = 206;
constexpr int IDC_STATUS = 207;
constexpr int IDC_ABOUT_LINK = 210;
constexpr int IDC_FILE_NAME = 211;
constexpr int IDC_RATE = 212;
constexpr int IDC_TIME = 213;
constexpr int IDC_TIME_LABEL = 214;
constexpr int IDC_PANEL = 215;
constexpr int IDC_LINK_IMAGE = 216;
constexpr int IDC_CURRENT_LABEL = 219;
constexpr int IDC_CANCEL = 2;  // the dialog's cancel command
// Ids of the message box's controls.
constexpr int IDC_MSGBOX_BUTTON1 = 222;
constexpr int IDC_MSGBOX_BUTTON2 = 223;
constexpr int IDC_MSGBOX_BUTTON3 = 224;
constexpr int IDC_MSGBOX_ICON = 225;
constexpr int IDC_MSGBOX_TEXT = 226;

// Window and control styles (platform values; WS_CHILD and WS_VISIBLE are the window layer's).
constexpr win::DWORD WS_POPUP = 0x80000000u;
constexpr win::DWORD WS_CAPTION = 0x00C00000u;
constexpr win::DWORD WS_BORDER = 0x00800000u;
constexpr win::DWORD WS_SYSMENU = 0x00080000u;
constexpr win::DWORD WS_GROUP = 0x00020000u;
constexpr win::DWORD WS_TABSTOP = 0x00010000u;
constexpr win::DWORD DS_SETFONT = 0x40u;
constexpr win::DWORD DS_MODALFRAME = 0x80u;
constexpr win::DWORD SS_LEFT = 0x0u;
constexpr win::DWORD SS_RIGHT = 0x2u;
constexpr win::DWORD SS_ICON = 0x3u;
constexpr win::DWORD SS_BITMAP = 0xEu;
constexpr win::DWORD SS_NOPREFIX = 0x80u;
constexpr win::DWORD SS_NOTIFY = 0x100u;
constexpr win::DWORD SS_CENTERIMAGE = 0x200u;
constexpr win::DWORD SS_ENDELLIPSIS = 0x4000u;
constexpr win::DWORD BS_PUSHBUTTON = 0x0u;
constexpr win::DWORD BS_GROUPBOX = 0x7u;
constexpr win::DWORD WS_EX_TRANSPARENT = 0x20u;

enum class ItemKind { Static, GroupBox, PushButton, TextProgress, Image, Icon };

struct DialogItem {
    int id = IDC_STATIC;
    ItemKind kind = ItemKind::Static;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    win::DWORD style = 0;              // win::WS_VISIBLE unless hidden from the start
    win::DWORD exStyle = 0;
    std::string text;
    unsigned imageId = 0;  // bitmap resource of an image
};

struct DialogTemplate {
    unsigned id = 0;
    std::string fontFace;  // as the template names it, e.g. "MS Shell Dlg"
    int pointSize = 0;
    int cx = 0, cy = 0;  // dialog units
    win::DWORD style = 0;
    std::vector<DialogItem> items;  // in tab (creation) order

    // The first item with `id` (IDC_STATIC items are found by text instead); null if none.
    const DialogItem* Find(int id) const;
    const DialogItem* FindByText(const std::string& text) const;
};

// Null for an id that is not a template.
const DialogTemplate* LoadDialogTemplate(unsigned id, win::Language language);

}  // namespace kivui
