#include "app/window_accessible.h"

#include <oleauto.h>

#include <new>

#include "monitor/system_library.h"

namespace {

constexpr char object_property[] = "mivrel.accessible";

using LresultFromObjectFunction = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
using CreateStdAccessibleObjectFunction = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);

struct Oleacc {
    LresultFromObjectFunction lresult_from_object;
    CreateStdAccessibleObjectFunction create_standard_object;
};

// Loaded at the first request, from System32: most runs have no screen reader.
const Oleacc& oleacc() {
    static const Oleacc functions = [] {
        Oleacc found{};
        HMODULE module = load_system_library(L"oleacc.dll");
        if (!module) return found;
        found.lresult_from_object = reinterpret_cast<LresultFromObjectFunction>(
            reinterpret_cast<void*>(GetProcAddress(module, "LresultFromObject")));
        found.create_standard_object = reinterpret_cast<CreateStdAccessibleObjectFunction>(
            reinterpret_cast<void*>(GetProcAddress(module, "CreateStdAccessibleObject")));
        return found;
    }();
    return functions;
}

BSTR wide_text(const char* text) {
    wchar_t wide[accessible_text_size];
    if (!MultiByteToWideChar(CP_ACP, 0, text, -1, wide, accessible_text_size)) wide[0] = L'\0';
    return SysAllocString(wide);
}

HRESULT give_child(VARIANT* out, long child) {
    out->vt = VT_I4;
    out->lVal = child;
    return S_OK;
}

using TextPart = bool (*)(HWND, long, char (&)[accessible_text_size]);
using StandardText = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);

// Holds one reference to Windows' object; the window holds one to this.
struct WindowAccessible final : IAccessible {
    LONG references = 1;
    HWND window;  // null once the window is gone
    IAccessible* standard;
    const AccessibleParts* parts;

    WindowAccessible(HWND owner, IAccessible* standard_object, const AccessibleParts* window_parts)
        : window(owner), standard(standard_object), parts(window_parts) {}

    void disconnect() {
        window = nullptr;
        if (standard) standard->Release();
        standard = nullptr;
    }

    bool has_items() const { return parts->item_count != nullptr; }
    long items() const { return has_items() ? parts->item_count(window) : 0; }

    // 0 for the window, an item's number, or -1 for any other child.
    long own_child(const VARIANT& child) const {
        if (child.vt != VT_I4 || child.lVal < 0 || child.lVal > items()) return -1;
        return child.lVal;
    }

    // A child that is none of ours: Windows' object knows a window's
    // children; a list has no others.
    template <typename Call>
    HRESULT other_child(Call standard_answer) const {
        return has_items() ? E_INVALIDARG : standard_answer();
    }

    HRESULT text_of(TextPart part, VARIANT child, BSTR* text, StandardText standard_text) {
        if (!text) return E_POINTER;
        *text = nullptr;
        if (!window) return CO_E_OBJNOTCONNECTED;
        const long id = own_child(child);
        if (id < 0) return other_child([&] { return (standard->*standard_text)(child, text); });
        char own[accessible_text_size];
        if (part && part(window, id, own)) {
            *text = wide_text(own);
            return *text ? S_OK : E_OUTOFMEMORY;
        }
        return id == CHILDID_SELF ? (standard->*standard_text)(child, text) : S_FALSE;
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(id, __uuidof(IUnknown)) || IsEqualIID(id, __uuidof(IDispatch)) ||
            IsEqualIID(id, __uuidof(IAccessible))) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&references));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references);
        if (left == 0) {
            disconnect();
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    // IDispatch: clients call the interface itself.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (!window) return CO_E_OBJNOTCONNECTED;
        return standard->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (!window) return CO_E_OBJNOTCONNECTED;
        if (!has_items()) return standard->get_accChildCount(count);
        if (!count) return E_POINTER;
        *count = items();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!window) return CO_E_OBJNOTCONNECTED;
        const long id = own_child(child);
        if (id < 0) return other_child([&] { return standard->get_accChild(child, object); });
        return id == CHILDID_SELF ? standard->get_accChild(child, object) : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        return text_of(parts->name, child, name, &IAccessible::get_accName);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return text_of(parts->value, child, value, &IAccessible::get_accValue);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return text_of(nullptr, child, text, &IAccessible::get_accDescription);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* text) override {
        return text_of(nullptr, child, text, &IAccessible::get_accHelp);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* text) override {
        return text_of(nullptr, child, text, &IAccessible::get_accKeyboardShortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* text) override {
        return text_of(nullptr, child, text, &IAccessible::get_accDefaultAction);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
        if (!window) return CO_E_OBJNOTCONNECTED;
        const long id = own_child(child);
        if (id < 0) return other_child([&] { return standard->get_accHelpTopic(file, child, topic); });
        return id == CHILDID_SELF ? standard->get_accHelpTopic(file, child, topic) : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!role) return E_POINTER;
        VariantInit(role);
        if (!window) return CO_E_OBJNOTCONNECTED;
        const long id = own_child(child);
        if (id < 0) return other_child([&] { return standard->get_accRole(child, role); });
        if (id == CHILDID_SELF && !parts->role) return standard->get_accRole(child, role);
        return give_child(role, id == CHILDID_SELF ? parts->role : parts->item_role);
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (!state) return E_POINTER;
        VariantInit(state);
        if (!window) return CO_E_OBJNOTCONNECTED;
        const long id = own_child(child);
        if (id < 0) return other_child([&] { return standard->get_accState(child, state); });
        if (id == CHILDID_SELF) return standard->get_accState(child, state);
        long flags = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
        if (parts->chosen_item(window) == id) {
            flags |= STATE_SYSTEM_SELECTED;
            if (GetFocus() == window) flags |= STATE_SYSTEM_FOCUSED;
        }
        return give_child(state, flags);
    }
    // With the focus, the chosen item has it, or the list itself while none is chosen.
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (!focus) return E_POINTER;
        VariantInit(focus);
        if (!window) return CO_E_OBJNOTCONNECTED;
        if (!has_items()) return standard->get_accFocus(focus);
        if (GetFocus() != window) return S_FALSE;
        return give_child(focus, parts->chosen_item(window));
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (!selection) return E_POINTER;
        VariantInit(selection);
        if (!window) return CO_E_OBJNOTCONNECTED;
        if (!has_items()) return standard->get_accSelection(selection);
        const long chosen = parts->chosen_item(window);
        return chosen > 0 ? give_child(selection, chosen) : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        if (!window) return CO_E_OBJNOTCONNECTED;
        const long id = own_child(child);
        if (id < 0) return other_child([&] { return standard->accSelect(flags, child); });
        return id == CHILDID_SELF ? standard->accSelect(flags, child) : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override {
        if (!left || !top || !width || !height) return E_POINTER;
        if (!window) return CO_E_OBJNOTCONNECTED;
        const long id = own_child(child);
        if (id < 0)
            return other_child([&] { return standard->accLocation(left, top, width, height, child); });
        if (id == CHILDID_SELF) return standard->accLocation(left, top, width, height, child);
        RECT place{};
        if (!parts->item_place(window, id, &place)) return S_FALSE;
        *left = place.left;
        *top = place.top;
        *width = place.right - place.left;
        *height = place.bottom - place.top;
        return S_OK;
    }
    // Items lie left to right; the list's siblings are the standard object's.
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        if (!end) return E_POINTER;
        VariantInit(end);
        if (!window) return CO_E_OBJNOTCONNECTED;
        const long id = own_child(start);
        if (id < 0) return other_child([&] { return standard->accNavigate(direction, start, end); });
        if (!has_items()) return standard->accNavigate(direction, start, end);
        const long count = items();
        long to = 0;
        if (id == CHILDID_SELF) {
            if (direction == NAVDIR_FIRSTCHILD)
                to = count > 0 ? 1 : 0;
            else if (direction == NAVDIR_LASTCHILD)
                to = count;
            else
                return standard->accNavigate(direction, start, end);
        } else if (direction == NAVDIR_NEXT || direction == NAVDIR_RIGHT) {
            to = id < count ? id + 1 : 0;
        } else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_LEFT) {
            to = id - 1;
        }
        return to > 0 ? give_child(end, to) : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        if (!child) return E_POINTER;
        VariantInit(child);
        if (!window) return CO_E_OBJNOTCONNECTED;
        RECT client{};
        GetClientRect(window, &client);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
        const POINT point{x, y};
        if (!has_items() || !PtInRect(&client, point)) return standard->accHitTest(x, y, child);
        return give_child(child, parts->item_at(window, point));
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (!window) return CO_E_OBJNOTCONNECTED;
        const long id = own_child(child);
        if (id < 0) return other_child([&] { return standard->accDoDefaultAction(child); });
        return id == CHILDID_SELF ? standard->accDoDefaultAction(child) : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }
};

WindowAccessible* made_object(HWND window) {
    return static_cast<WindowAccessible*>(GetPropA(window, object_property));
}

}  // namespace

LRESULT answer_accessible_request(HWND window, WPARAM flags, LPARAM object_id, const AccessibleParts& parts) {
    const Oleacc& functions = oleacc();
    const bool client = static_cast<DWORD>(object_id) == static_cast<DWORD>(OBJID_CLIENT);
    if (!client || !functions.lresult_from_object || !functions.create_standard_object)
        return DefWindowProcA(window, WM_GETOBJECT, flags, object_id);
    WindowAccessible* object = made_object(window);
    if (!object) {
        IAccessible* standard = nullptr;
        if (FAILED(functions.create_standard_object(window, OBJID_CLIENT, __uuidof(IAccessible),
                                                    reinterpret_cast<void**>(&standard))))
            return 0;
        object = new (std::nothrow) WindowAccessible(window, standard, &parts);
        if (!object) {
            standard->Release();
            return 0;
        }
        if (!SetPropA(window, object_property, object)) {
            object->Release();
            return 0;
        }
    }
    return functions.lresult_from_object(__uuidof(IAccessible), flags, static_cast<IAccessible*>(object));
}

void end_accessible(HWND window) {
    WindowAccessible* object = made_object(window);
    if (!object) return;
    RemovePropA(window, object_property);
    object->disconnect();
    object->Release();
}

// A pointer passing over the items moves no focus, and is not read out.
void announce_chosen_item(HWND window, long child) {
    if (GetFocus() != window || child <= 0) return;
    NotifyWinEvent(EVENT_OBJECT_FOCUS, window, OBJID_CLIENT, child);
    NotifyWinEvent(EVENT_OBJECT_SELECTION, window, OBJID_CLIENT, child);
}
