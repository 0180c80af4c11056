// The exit against a real Main window: the exports still waiting, and a write
// the save worker has in flight, within the exit's budget.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/main_window_fixture.h"
#include "app/notification_icon.h"
#include "settings/save_worker.h"
#include "settings/settings_file.h"
#include "settings/usage_export.h"
#include "settings/usage_keeping.h"
#include "support/message_pump.h"
#include "support/scripted_counters.h"

namespace {

using RunEnd = MainWindowTest;

const std::string returning_user = settings_lines({{"app.starts", "4"}, {"graph.delay", "60000"}});

std::vector<std::string> seen;  // files replaced, exports written, balloons

// Asked for while the worker is busy: it is still waiting when the window closes.
void export_waiting(const std::string& path) {
    hold_saves(true);
    export_usage(
        path.c_str(),
        [](bool exported, const char*, void*) { seen.push_back(exported ? "written" : "failed"); }, nullptr);
    hold_saves(false);
}

// An export waiting at exit is written after the program's own files, and
// usage.cfg no longer names it. With the budget spent first, usage.cfg names
// it, and the next start tells so once.
TEST_F(RunEnd, AnExportWaitingAtExitIsWrittenAfterTheCountsOrToldAtTheNextStart) {
    write_settings(returning_user);
    const std::string usage_file = settings_folder() + "\\usage.cfg", exported = folder.file("usage.csv");
    ASSERT_NE(open_window(), nullptr);
    export_waiting(exported);
    seen.clear();
    file_replacer = [](const char* from, const char* to) {
        seen.push_back(std::strrchr(to, '\\') + 1);
        return replace_file(from, to);
    };
    close_window();
    file_replacer = replace_file;
    EXPECT_EQ(seen,
              (std::vector<std::string>{"usage.cfg", "settings.cfg", "usage.csv", "written", "usage.cfg"}));
    EXPECT_EQ(read_file(usage_file).find("export."), std::string::npos);

    remove_file(exported.c_str());
    ASSERT_NE(open_window(), nullptr);
    export_waiting(exported);
    file_flusher = [](std::FILE* file) {
        Sleep(2100);  // the first, usage.cfg, spends the whole budget
        file_flusher = flush_file_to_disk;
        return flush_file_to_disk(file);
    };
    close_window();
    EXPECT_FALSE(file_exists(exported.c_str()));
    EXPECT_NE(read_file(usage_file).find("export.unwritten.1\t" + exported + "\n"), std::string::npos);

    const ShellNotifyIcon real_shell = shell_notify_icon;
    shell_notify_icon = [](DWORD message, NOTIFYICONDATAA* data) -> BOOL {
        if (message == NIM_MODIFY && (data->uFlags & NIF_INFO)) seen.push_back(data->szInfo);
        return TRUE;
    };
    seen.clear();
    ASSERT_NE(open_window(), nullptr);
    SendMessageA(window, WM_TIMER, sample_timer_id, 0);
    SendMessageA(window, WM_TIMER, sample_timer_id, 0);
    EXPECT_EQ(seen, std::vector<std::string>{"mivrel closed before it could export the usage history to " +
                                             exported + ". Export it again from the Usage window."});
    close_window();
    shell_notify_icon = real_shell;
    EXPECT_EQ(read_file(usage_file).find("export."), std::string::npos) << "told once";
}

DWORD window_thread = 0;
HANDLE released = nullptr;
std::atomic<bool> worker_flushing{false};
bool counts_first = false;

// The worker is still flushing an older usage.cfg to a slow disk when the
// window closes: the final counts do not wait for it, and its replace, coming
// after theirs, is abandoned without a trace.
TEST_F(RunEnd, AWriteInFlightAtExitNeitherHoldsUpNorOvertakesTheFinalCounts) {
    write_settings(returning_user);
    ASSERT_NE(open_window(), nullptr);
    window_thread = GetCurrentThreadId();
    released = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    file_flusher = [](std::FILE* file) {
        if (GetCurrentThreadId() == window_thread) return flush_file_to_disk(file);
        worker_flushing = true;
        WaitForSingleObject(released, 5000);
        worker_flushing = false;
        return flush_file_to_disk(file);
    };
    file_replacer = [](const char* from, const char* to) {
        const ReplaceResult result = replace_file(from, to);
        if (GetCurrentThreadId() == window_thread && std::strstr(to, "usage.cfg")) {
            counts_first = worker_flushing;
            SetEvent(released);
        }
        return result;
    };
    start_save_worker();
    EXPECT_TRUE(save_usage());
    EXPECT_TRUE(pump_until([] { return worker_flushing.load(); }, 10000));
    scripted_set_counts(scripted_add("eth0", true), 100, 10);  // counted by the final saves only
    close_window();
    file_flusher = flush_file_to_disk;
    file_replacer = replace_file;
    CloseHandle(released);
    EXPECT_TRUE(counts_first) << "the final counts waited for the write in flight";
    EXPECT_NE(read_file(settings_folder() + "\\usage.cfg").find("\teth0\n"), std::string::npos)
        << "an older usage.cfg landed over the final one";
    EXPECT_EQ(folder.contents(), (std::vector<std::string>{"mivrel", "mivrel/settings.cfg",
                                                           "mivrel/usage-history.csv", "mivrel/usage.cfg"}));
}

}  // namespace
