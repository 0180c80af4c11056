#include "settings/save_worker.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "monitor/clock.h"
#include "settings/settings_file.h"

namespace {

struct Waiting {
    SaveSlot slot;
    SaveJob job;
};

// What the threads share; `lock` guards all of it.
struct Worker {
    std::mutex lock;
    std::condition_variable wake;
    std::condition_variable done;
    std::deque<Waiting> waiting;  // oldest first
    // The serving thread's own flag, which stops it; null while none serves.
    std::atomic<bool>* stopping;
    int writing;  // jobs being written, by the serving thread or the one let go
    bool held;
    std::uint64_t queued[static_cast<int>(SaveSlot::count)];
    std::thread thread;  // the serving thread, or the one let go until it is ended
};

// Never destroyed: a thread let go at exit may still be writing while the
// process's destructors run.
Worker& worker = *new Worker();

// Under the lock: the next waiting job, or an empty one.
SaveJob take_next() {
    if (worker.waiting.empty()) return {};
    SaveJob job = std::move(worker.waiting.front().job);
    worker.waiting.pop_front();
    return job;
}

// The flag is the thread's own, so that a thread let go never serves the
// queue of the next one.
void serve(std::atomic<bool>* stopping) {
    const std::unique_ptr<std::atomic<bool>> own_flag(stopping);
    SaveCancelScope cancel(stopping);
    std::unique_lock<std::mutex> hold(worker.lock);
    for (;;) {
        worker.wake.wait(hold, [stopping] { return stopping->load() || !worker.waiting.empty(); });
        if (stopping->load()) return;
        SaveJob job = take_next();
        ++worker.writing;
        hold.unlock();
        job();
        job = nullptr;
        hold.lock();
        --worker.writing;
        worker.done.notify_all();
    }
}

// Under the lock: waits on `done` until `finished` or the deadline.
template <typename Finished>
bool wait_until(std::unique_lock<std::mutex>& hold, std::int64_t deadline_ns, Finished finished) {
    // A wait of hours at a time keeps the platform's clock arithmetic in range.
    constexpr std::int64_t longest_wait_ns = 3'600'000'000'000;
    while (!finished()) {
        const std::int64_t left = deadline_ns - monotonic_ns();
        if (left <= 0) return false;
        worker.done.wait_for(hold, std::chrono::nanoseconds(std::min(left, longest_wait_ns)));
    }
    return true;
}

}  // namespace

void start_save_worker() {
    end_save_worker(INT64_MAX);
    std::lock_guard<std::mutex> hold(worker.lock);
    if (worker.stopping) return;
    worker.stopping = new std::atomic<bool>(false);
    worker.thread = std::thread(serve, worker.stopping);
}

void let_save_worker_go() {
    std::lock_guard<std::mutex> hold(worker.lock);
    while (take_next()) {
    }
    if (!worker.stopping) return;
    *worker.stopping = true;
    worker.stopping = nullptr;
    worker.wake.notify_all();
}

void end_save_worker(std::int64_t deadline_ns) {
    std::unique_lock<std::mutex> hold(worker.lock);
    if (worker.stopping || !worker.thread.joinable()) return;
    const bool finished = wait_until(hold, deadline_ns, [] { return worker.writing == 0; });
    std::thread thread = std::move(worker.thread);
    hold.unlock();
    if (finished)
        thread.join();
    else
        thread.detach();
}

void stop_save_worker() {
    let_save_worker_go();
    end_save_worker(INT64_MAX);
}

bool queue_save(SaveSlot slot, SaveJob job) {
    std::unique_lock<std::mutex> hold(worker.lock);
    ++worker.queued[static_cast<int>(slot)];
    if (!worker.stopping && !worker.held) {
        hold.unlock();
        return job();
    }
    auto place = std::find_if(worker.waiting.begin(), worker.waiting.end(),
                              [slot](const Waiting& waiting) { return waiting.slot == slot; });
    if (slot != SaveSlot::exported && place != worker.waiting.end())
        place->job = std::move(job);
    else
        worker.waiting.push_back({slot, std::move(job)});
    hold.unlock();
    worker.wake.notify_one();
    return true;
}

bool wait_for_saves(std::int64_t deadline_ns) {
    std::unique_lock<std::mutex> hold(worker.lock);
    if (!worker.stopping) return worker.waiting.empty();
    return wait_until(hold, deadline_ns, [] { return worker.waiting.empty() && worker.writing == 0; });
}

void hold_saves(bool held) {
    std::lock_guard<std::mutex> hold(worker.lock);
    worker.held = held;
}

void run_held_saves() {
    for (;;) {
        SaveJob job;
        {
            std::lock_guard<std::mutex> hold(worker.lock);
            job = take_next();
        }
        if (!job) return;
        job();
    }
}

std::uint64_t saves_queued(SaveSlot slot) {
    std::lock_guard<std::mutex> hold(worker.lock);
    return worker.queued[static_cast<int>(slot)];
}
