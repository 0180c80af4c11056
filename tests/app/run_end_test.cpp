// The exit against a real Main window: a write the save worker has in
// flight, within the exit's budget.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/main_window_fixture.h"
#include "settings/save_worker.h"
#include "settings/settings_file.h"
#include "settings/usage_keeping.h"
#include "support/scripted_counters.h"

namespace {

using RunEnd = MainWindowTest;

const std::string returning_user = settings_lines({{"app.starts", "4"}, {"graph.delay", "60000"}});

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
