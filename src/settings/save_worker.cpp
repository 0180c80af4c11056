#include "settings/save_worker.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "monitor/clock.h"
#include "settings/settings_file.h"

namespace {

constexpr int slot_count = static_cast<int>(SaveSlot::count);

// What the two threads share; `lock` guards all but `stopping`.
struct Worker {
    std::mutex lock;
    std::condition_variable wake;
    std::condition_variable done;
    SaveJob waiting[slot_count];
    std::deque<int> order;  // the slots with a waiting job, oldest first
    bool running;           // a thread serves the queue
    bool busy;              // it is writing a job now
    bool held;
    std::uint64_t queued[slot_count];
    std::atomic<bool> stopping{false};
    std::thread thread;
};

Worker worker;

// Under the lock: the next waiting job, or an empty one.
SaveJob take_next() {
    if (worker.order.empty()) return {};
    const int slot = worker.order.front();
    worker.order.pop_front();
    SaveJob job = std::move(worker.waiting[slot]);
    worker.waiting[slot] = nullptr;
    return job;
}

void serve() {
    SaveCancelScope cancel(&worker.stopping);
    std::unique_lock<std::mutex> hold(worker.lock);
    for (;;) {
        worker.wake.wait(hold, [] { return worker.stopping.load() || !worker.order.empty(); });
        if (worker.stopping.load()) break;
        SaveJob job = take_next();
        worker.busy = true;
        hold.unlock();
        job();
        hold.lock();
        worker.busy = false;
        worker.done.notify_all();
    }
    worker.busy = false;
    worker.done.notify_all();
}

}  // namespace

void start_save_worker() {
    std::lock_guard<std::mutex> hold(worker.lock);
    if (worker.running) return;
    worker.stopping = false;
    worker.running = true;
    worker.thread = std::thread(serve);
}

void stop_save_worker() {
    {
        std::lock_guard<std::mutex> hold(worker.lock);
        if (!worker.running) {
            while (take_next()) {
            }
            return;
        }
        worker.stopping = true;
    }
    worker.wake.notify_all();
    worker.thread.join();
    std::lock_guard<std::mutex> hold(worker.lock);
    worker.running = false;
    while (take_next()) {
    }
}

bool queue_save(SaveSlot slot, SaveJob job) {
    std::unique_lock<std::mutex> hold(worker.lock);
    ++worker.queued[static_cast<int>(slot)];
    if (!worker.running && !worker.held) {
        hold.unlock();
        return job();
    }
    const int place = static_cast<int>(slot);
    if (!worker.waiting[place]) worker.order.push_back(place);
    worker.waiting[place] = std::move(job);
    hold.unlock();
    worker.wake.notify_one();
    return true;
}

bool wait_for_saves(std::int64_t deadline_ns) {
    std::unique_lock<std::mutex> hold(worker.lock);
    if (!worker.running) return worker.order.empty();
    for (;;) {
        if (worker.order.empty() && !worker.busy) return true;
        const std::int64_t left = deadline_ns - monotonic_ns();
        if (left <= 0) return false;
        worker.done.wait_for(hold, std::chrono::nanoseconds(left));
    }
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
