#include "settings/save_generation.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace {

thread_local std::uint64_t save_generation = 0;
std::atomic<std::uint64_t> generations_taken{0};

// The generation last put in place at each target that saves in order.
struct PlacedGenerations {
    std::mutex lock;
    std::vector<std::pair<std::string, std::uint64_t>> newest;
};

// Never destroyed: a save worker let go at exit may still replace a file
// while the process's destructors run.
PlacedGenerations& placed = *new PlacedGenerations();

}  // namespace

std::uint64_t next_save_generation() {
    return ++generations_taken;
}

SaveGenerationScope::SaveGenerationScope(std::uint64_t generation) : outer(save_generation) {
    save_generation = generation;
}

SaveGenerationScope::~SaveGenerationScope() {
    save_generation = outer;
}

// Under the lock, so that no newer save lands between the check and the replace.
ReplaceResult replace_in_order(const char* from, const char* to, Replace replace) {
    if (save_generation == 0) return replace(from, to);
    std::lock_guard<std::mutex> hold(placed.lock);
    auto newest = std::find_if(placed.newest.begin(), placed.newest.end(),
                               [to](const auto& target) { return target.first == to; });
    if (newest != placed.newest.end() && newest->second > save_generation) return ReplaceResult::failed;
    const ReplaceResult result = replace(from, to);
    if (result != ReplaceResult::replaced) return result;
    if (newest == placed.newest.end())
        placed.newest.emplace_back(to, save_generation);
    else
        newest->second = save_generation;
    return result;
}
