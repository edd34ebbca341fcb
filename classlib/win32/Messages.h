// Window messages as records, for message-map handlers.
#pragma once

#include <windows.h>
#include <shellapi.h>

struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

struct TWMDropFiles {
    UINT Msg;
    HDROP Drop;
    LPARAM Unused;
    LRESULT Result;
};
static_assert(sizeof(TWMDropFiles) == sizeof(TMessage), "message records share one layout");

// Notifications a parent hands back to the child control they concern, so that a button's
// click or a control's colours are handled by the control's own object.
constexpr UINT RM_BASE = WM_APP + 0x1000;
constexpr UINT RM_COMMAND = RM_BASE + WM_COMMAND;
constexpr UINT RM_NOTIFY = RM_BASE + WM_NOTIFY;
constexpr UINT RM_CTLCOLOREDIT = RM_BASE + WM_CTLCOLOREDIT;
constexpr UINT RM_CTLCOLORSTATIC = RM_BASE + WM_CTLCOLORSTATIC;
constexpr UINT RM_CTLCOLORBTN = RM_BASE + WM_CTLCOLORBTN;
constexpr UINT RM_DRAWITEM = RM_BASE + WM_DRAWITEM;
