// What a screen reader reads, through Active Accessibility.
#pragma once

#include <windows.h>

#include <oleacc.h>

#include <string>

inline VARIANT child_id(long id) {
    VARIANT child{};
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

inline IAccessible* client_object(HWND window) {
    IAccessible* object = nullptr;
    AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible),
                               reinterpret_cast<void**>(&object));
    return object;
}

// A name or value of the object (CHILDID_SELF) or of a child.
inline std::string accessible_text(IAccessible* object,
                                   HRESULT (STDMETHODCALLTYPE IAccessible::*property)(VARIANT, BSTR*),
                                   long child = CHILDID_SELF) {
    BSTR text = nullptr;
    char narrow[256] = {};
    if ((object->*property)(child_id(child), &text) == S_OK && text)
        WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    SysFreeString(text);
    return narrow;
}

// The number a call gives (a role, a state, a child), or -1 for none.
inline long accessible_number(HRESULT result, const VARIANT& value) {
    return result == S_OK && value.vt == VT_I4 ? value.lVal : -1;
}

// The label Windows' standard objects name a box or list by: the nearest
// static before it, the search ending at a control that starts a group and
// takes the tab.
inline std::string documented_label(HWND control) {
    char text[128] = {};
    for (HWND before = GetWindow(control, GW_HWNDPREV); before; before = GetWindow(before, GW_HWNDPREV)) {
        if (GetClassNameA(before, text, sizeof text) && !lstrcmpiA(text, "Static")) {
            GetWindowTextA(before, text, sizeof text);
            return text;
        }
        if ((GetWindowLongA(before, GWL_STYLE) & (WS_GROUP | WS_TABSTOP)) == (WS_GROUP | WS_TABSTOP)) break;
    }
    return "";
}
