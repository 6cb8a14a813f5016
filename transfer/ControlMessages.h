#pragma once
// Window messages between the worker, the control and the dialog, numbered
// from WM_APP. WM_APP + 20 and + 21 are the control's own
// (control/ControlServices.h).
#include <cstdint>

#include "platform/WindowTypes.h"

using win::LPARAM;
using win::LRESULT;
using win::UINT;
using win::WM_APP;
using win::WPARAM;

constexpr UINT CTLM_RUNFAILED = WM_APP + 0;
constexpr UINT CTLM_INETERRORDLG = WM_APP + 1;
constexpr UINT CTLM_RUNDONE = WM_APP + 2;
constexpr UINT CTLM_SUPPORTPAGE = WM_APP + 3;
constexpr UINT CTLM_ASSISTANTENDED = WM_APP + 4;
constexpr UINT CTLM_PLAY = WM_APP + 5;
constexpr UINT DLGM_FILENAME = WM_APP + 7;
constexpr UINT DLGM_STATUS = WM_APP + 8;
constexpr UINT DLGM_CURRENTBUSY = WM_APP + 9;
constexpr UINT DLGM_CURRENTTOTAL = WM_APP + 10;
constexpr UINT DLGM_CURRENTPOS = WM_APP + 11;
constexpr UINT DLGM_OVERALLBUSY = WM_APP + 12;
constexpr UINT DLGM_OVERALLRANGE = WM_APP + 13;
constexpr UINT DLGM_OVERALLSTEP = WM_APP + 14;
constexpr UINT DLGM_PLAYBUTTON = WM_APP + 15;
constexpr UINT DLGM_CANCELSIGNAL = WM_APP + 16;
constexpr UINT CTLM_BROWSERDIALOG = WM_APP + 23;
constexpr UINT DLGM_RATETIME = WM_APP + 24;
constexpr UINT DLGM_SHOWLINK = WM_APP + 25;
// The bytes of the phase's files whose sizes are known (low and high 32 bits),
// sent after DLGM_OVERALLRANGE: the overall bar then counts bytes, not files.
constexpr UINT DLGM_RUNBYTES = WM_APP + 26;

// lParam of CTLM_INETERRORDLG: low word ERROR_INTERNET_INCORRECT_PASSWORD,
// high word FLAGS_ERROR_UI_FLAGS_GENERATE_DATA | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS.
constexpr LPARAM INETERRORDLG_PROXY_AUTH = (6 << 16) | 12014;
constexpr LRESULT ERROR_INTERNET_FORCE_RETRY = 12032;

inline WPARAM Low32(std::uint64_t v) {
    return static_cast<WPARAM>(v & 0xFFFFFFFFu);
}
inline LPARAM High32(std::uint64_t v) {
    return static_cast<LPARAM>(v >> 32);
}
