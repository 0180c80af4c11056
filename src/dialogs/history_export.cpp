#include "dialogs/history_export.h"

#include <cstdio>
#include <memory>
#include <string>

#include "app/app.h"
#include "app/modal.h"
#include "monitor/calendar.h"
#include "settings/program_files.h"
#include "settings/settings_file_platform.h"
#include "settings/usage_export.h"

SaveFileDialog save_file_dialog = GetSaveFileNameW;

namespace {

constexpr int path_size = 1024;

struct ExportOutcome {
    bool exported;
    HWND dialog;
    char path[path_capacity];
};

// On the thread that wrote it: to the Main window, which outlives the Usage
// window, and hears it on its own thread.
void export_finished(bool exported, const char* path, void* dialog) {
    auto* outcome = new ExportOutcome{exported, static_cast<HWND>(dialog), {}};
    std::snprintf(outcome->path, sizeof outcome->path, "%s", path);
    if (!PostMessageA(main_window, export_done_message, 0, reinterpret_cast<LPARAM>(outcome))) delete outcome;
}

void warn(HWND owner, const wchar_t* text) {
    ModalWindowScope modal;
    MessageBoxW(owner, text, L"Usage", MB_OK | MB_ICONWARNING);
}

// Through the wide API, so that any folder the user can name will do.
bool ask_for_file(HWND dialog, wchar_t (&path)[path_size]) {
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = dialog;
    request.lpstrFilter = L"CSV files (*.csv)\0*.csv\0All files (*.*)\0*.*\0";
    request.lpstrFile = path;
    request.nMaxFile = path_size;
    request.lpstrDefExt = L"csv";
    request.Flags =
        OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    ModalWindowScope modal;
    return save_file_dialog(&request) != FALSE;
}

}  // namespace

// A refused name is offered again, for the user to change.
void export_history(HWND dialog) {
    char iso[11];
    format_iso_date(iso, local_today());
    char name[32];
    std::snprintf(name, sizeof name, "mivrel-usage-%s.csv", iso);
    wchar_t path[path_size] = {};
    MultiByteToWideChar(CP_ACP, 0, name, -1, path, path_size);
    char utf8[path_size * 3];
    for (;;) {
        if (!ask_for_file(dialog, path)) return;
        if (WideCharToMultiByte(CP_UTF8, 0, path, -1, utf8, sizeof utf8, nullptr, nullptr) <= 0) {
            warn(dialog, L"The usage history could not be written to that file.");
            return;
        }
        if (!is_program_file(utf8)) break;
        warn(dialog,
             L"mivrel keeps its own settings and counts in that file. Choose another name or folder.");
    }
    export_usage(utf8, export_finished, dialog);
}

void report_export(LPARAM outcome) {
    const std::unique_ptr<ExportOutcome> reported(reinterpret_cast<ExportOutcome*>(outcome));
    if (reported->exported) return;
    wchar_t path[path_size] = {};
    MultiByteToWideChar(CP_UTF8, 0, reported->path, -1, path, path_size);
    const std::wstring text = std::wstring(L"The usage history could not be written to ") + path + L".";
    warn(IsWindow(reported->dialog) ? reported->dialog : main_window, text.c_str());
}
