// The exit against a real Main window: the exports still waiting, and a write
// the save worker has in flight, within the exit's budget.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
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
#include "support/scripted_counters.h"

namespace {

using RunEnd = MainWindowTest;

const std::string returning_user = settings_lines({{"app.starts", "4"}, {"graph.delay", "60000"}});

std::vector<std::string> replaced;  // the targets' names, in turn
std::vector<std::string> exports_done;
std::vector<std::string> balloons;
int slow_flushes = 0;

ReplaceResult note_replace(const char* from, const char* to) {
    const char* name = std::strrchr(to, '\\');
    replaced.push_back(name ? name + 1 : to);
    return replace_file(from, to);
}

void note_export(bool exported, const char* path, void*) {
    exports_done.push_back((exported ? "written " : "failed ") + std::string(path));
}

// Slower than the exit's whole budget, for the next `slow_flushes` files.
bool slow_flush(std::FILE* file) {
    if (slow_flushes-- > 0) Sleep(2100);
    return flush_file_to_disk(file);
}

BOOL note_balloon(DWORD message, NOTIFYICONDATAA* data) {
    if (message == NIM_MODIFY && (data->uFlags & NIF_INFO)) balloons.push_back(data->szInfo);
    return TRUE;
}

// An export still waiting for the worker when the window closes is written
// after the program's own files, and usage.cfg no longer names it. When the
// budget is spent first, usage.cfg names it, and the next start tells so once.
TEST_F(RunEnd, AnExportWaitingAtExitIsWrittenAfterTheCountsOrToldAtTheNextStart) {
    write_settings(returning_user);
    const std::string usage_file = settings_folder() + "\\usage.cfg";
    const std::string first = folder.file("first.csv"), second = folder.file("second.csv");
    exports_done.clear();
    ASSERT_NE(open_window(), nullptr);
    hold_saves(true);
    export_usage(first.c_str(), note_export, nullptr);
    hold_saves(false);
    replaced.clear();
    file_replacer = note_replace;
    close_window();
    file_replacer = replace_file;
    EXPECT_EQ(replaced, (std::vector<std::string>{"usage.cfg", "settings.cfg", "first.csv", "usage.cfg"}));
    EXPECT_EQ(exports_done, std::vector<std::string>{"written " + first});
    EXPECT_EQ(read_file(usage_file).find("export."), std::string::npos);

    ASSERT_NE(open_window(), nullptr);
    hold_saves(true);
    export_usage(second.c_str(), note_export, nullptr);
    hold_saves(false);
    slow_flushes = 1;
    file_flusher = slow_flush;
    close_window();
    file_flusher = flush_file_to_disk;
    EXPECT_FALSE(file_exists(second.c_str()));
    EXPECT_EQ(exports_done.size(), 1u);
    EXPECT_NE(read_file(usage_file).find("export.unwritten.1\t" + second + "\n"), std::string::npos);

    const ShellNotifyIcon real_shell = shell_notify_icon;
    shell_notify_icon = note_balloon;
    balloons.clear();
    ASSERT_NE(open_window(), nullptr);
    SendMessageA(window, WM_TIMER, sample_timer_id, 0);
    SendMessageA(window, WM_TIMER, sample_timer_id, 0);
    close_window();
    shell_notify_icon = real_shell;
    EXPECT_EQ(balloons,
              std::vector<std::string>{"mivrel closed before it could export the usage history to " + second +
                                       ". Export it again from the Usage window."});
    EXPECT_EQ(read_file(usage_file).find("export."), std::string::npos) << "told once";
}

DWORD window_thread = 0;
HANDLE worker_flushing = nullptr;
HANDLE flush_released = nullptr;
std::atomic<bool> worker_in_flush{false};
bool counts_before_worker = false;

// The worker's flush waits for the final save of usage.cfg, or for 5 s.
bool held_flush(std::FILE* file) {
    if (GetCurrentThreadId() != window_thread) {
        worker_in_flush = true;
        SetEvent(worker_flushing);
        WaitForSingleObject(flush_released, 5000);
        worker_in_flush = false;
    }
    return flush_file_to_disk(file);
}

ReplaceResult replace_then_release(const char* from, const char* to) {
    const ReplaceResult result = replace_file(from, to);
    if (GetCurrentThreadId() == window_thread && std::strstr(to, "usage.cfg")) {
        counts_before_worker = worker_in_flush;
        SetEvent(flush_released);
    }
    return result;
}

// The worker is still flushing an older usage.cfg (to a slow disk) when the
// window closes: the final counts do not wait for it, and its replace, coming
// after theirs, is abandoned without a trace.
TEST_F(RunEnd, AWriteInFlightAtExitNeitherHoldsUpNorOvertakesTheFinalCounts) {
    write_settings(returning_user);
    ASSERT_NE(open_window(), nullptr);
    window_thread = GetCurrentThreadId();
    worker_flushing = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    flush_released = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    counts_before_worker = false;
    file_flusher = held_flush;
    file_replacer = replace_then_release;
    start_save_worker();
    EXPECT_TRUE(save_usage());
    EXPECT_EQ(WaitForSingleObject(worker_flushing, 10000), WAIT_OBJECT_0);
    // Counted by the final saves only.
    scripted_set_counts(scripted_add("eth0", true), 100, 10);
    close_window();
    file_flusher = flush_file_to_disk;
    file_replacer = replace_file;
    CloseHandle(worker_flushing);
    CloseHandle(flush_released);
    EXPECT_TRUE(counts_before_worker) << "the final counts waited for the write in flight";
    EXPECT_NE(read_file(settings_folder() + "\\usage.cfg").find("\teth0\n"), std::string::npos)
        << "an older usage.cfg landed over the final one";
    EXPECT_EQ(folder.contents(), (std::vector<std::string>{"mivrel", "mivrel/settings.cfg",
                                                           "mivrel/usage-history.csv", "mivrel/usage.cfg"}));
}

}  // namespace
