#include "dialog_driver.h"

#include <gtest/gtest.h>

#include <cstring>

#include "graph/paint_graph_win.h"

namespace {

struct Script {
    const std::vector<UiStep>* steps;
    const std::vector<UiStep>* standing;
    size_t next;
    DWORD deadline;
    bool timed_out;
};

Script* running = nullptr;

BOOL CALLBACK end_dialog(HWND window, LPARAM) {
    char class_name[16] = {};
    GetClassNameA(window, class_name, sizeof class_name);
    if (std::strcmp(class_name, "#32770") == 0) EndDialog(window, IDCANCEL);
    return TRUE;
}

struct Search {
    const char* title;
    HWND found;
};

BOOL CALLBACK match_dialog(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    char class_name[16] = {};
    char caption[256] = {};
    GetClassNameA(window, class_name, sizeof class_name);
    GetWindowTextA(window, caption, sizeof caption);
    if (std::strcmp(class_name, "#32770") == 0 && std::strcmp(caption, search->title) == 0 &&
        IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// Steps may open nested modal loops (a picker, a message box); the timer keeps
// firing inside them, which is how the next step reaches the inner dialog.
void CALLBACK on_tick(HWND, UINT, UINT_PTR, DWORD) {
    Script* script = running;
    if (!script) return;
    if (static_cast<LONG>(GetTickCount() - script->deadline) > 0) {
        script->timed_out = true;
        EnumThreadWindows(GetCurrentThreadId(), end_dialog, 0);
        return;
    }
    for (const UiStep& step : *script->standing) {
        if (HWND dialog = find_dialog(step.title.c_str())) step.act(dialog);
    }
    if (script->next >= script->steps->size()) return;
    const UiStep& step = (*script->steps)[script->next];
    HWND dialog = find_dialog(step.title.c_str());
    if (!dialog) return;
    ++script->next;
    step.act(dialog);
}

}  // namespace

HWND find_dialog(const char* title) {
    Search search{title, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), match_dialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool run_with_steps(const std::function<void()>& open, const std::vector<UiStep>& steps, DWORD limit_ms,
                    const std::vector<UiStep>& standing) {
    Script script{&steps, &standing, 0, GetTickCount() + limit_ms, false};
    Script* outer = running;
    running = &script;
    UINT_PTR timer = SetTimer(nullptr, 0, 20, on_tick);
    open();
    KillTimer(nullptr, timer);
    running = outer;
    return !script.timed_out && script.next == steps.size();
}

void click(HWND dialog, int id) {
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void set_checked(HWND dialog, int id, bool checked) {
    if (is_checked(dialog, id) != checked) click(dialog, id);
}

void type_text(HWND dialog, int id, const char* text) {
    SetFocus(GetDlgItem(dialog, id));
    SetWindowTextA(GetDlgItem(dialog, id), text);
}

void choose_item(HWND dialog, int id, const char* text) {
    HWND list = GetDlgItem(dialog, id);
    const LRESULT wanted =
        SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
    if (wanted == CB_ERR) {
        ADD_FAILURE() << "no item \"" << text << "\" in list " << id;
        return;
    }
    SetFocus(list);
    // Start one item away and step onto the wanted one.
    const bool from_above = wanted > 0;
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(from_above ? wanted - 1 : wanted + 1), 0);
    SendMessageA(list, WM_KEYDOWN, from_above ? VK_DOWN : VK_UP, 0);
    SendMessageA(list, WM_KEYUP, from_above ? VK_DOWN : VK_UP, 0);
}

void press_key(HWND target, WORD key) {
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

std::string control_text(HWND dialog, int id) {
    char text[1024] = {};
    GetWindowTextA(GetDlgItem(dialog, id), text, sizeof text);
    return text;
}

bool is_checked(HWND dialog, int id) {
    return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int Capture::count(COLORREF color) const {
    int found = 0;
    for (COLORREF pixel : pixels) found += pixel == color;
    return found;
}

Capture capture_client(HWND window) {
    Capture capture;
    RECT client{};
    GetClientRect(window, &client);
    capture.width = client.right;
    capture.height = client.bottom;
    if (capture.width <= 0 || capture.height <= 0) return capture;

    BITMAPINFO info = top_down_image_info(capture.width, capture.height);
    void* bits = nullptr;
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP image = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, image);
    BitBlt(memory, 0, 0, capture.width, capture.height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* row = static_cast<const DWORD*>(bits);
    capture.pixels.resize(static_cast<size_t>(capture.width) * capture.height);
    // DIB pixels are 0x00RRGGBB; GDI colours are 0x00BBGGRR.
    for (size_t i = 0; i < capture.pixels.size(); ++i)
        capture.pixels[i] = RGB(GetBValue(row[i]), GetGValue(row[i]), GetRValue(row[i]));
    SelectObject(memory, old);
    DeleteObject(image);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return capture;
}
