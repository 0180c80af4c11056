// libFuzzer target: any bytes as a settings file must load, save and reload to
// the same store, and saving that again must give the same bytes. Integer
// reading is checked against the C library's on every value.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "settings/setting_values.h"
#include "settings/settings_file.h"
#include "settings/settings_store.h"

#include "fuzz_support.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs snapshot() {
    Pairs pairs;
    for (std::int32_t i = 0; i < settings_store.pair_count; ++i) {
        pairs.emplace_back(settings_store.pairs[i].key, settings_store.pairs[i].value);
    }
    return pairs;
}

std::int32_t reference_int(const char* text) {
    long long number = std::strtoll(text, nullptr, 10);
    if (number > INT32_MAX) return INT32_MAX;
    if (number < INT32_MIN) return INT32_MIN;
    return static_cast<std::int32_t>(number);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = scratch_folder() + "/input.cfg";
    const std::string saved = scratch_folder() + "/saved.cfg";
    const std::string again = scratch_folder() + "/again.cfg";

    write_all(input, data, size);

    check(load_settings_file(input.c_str()), "load failed");
    const Pairs first = snapshot();
    std::string expected;
    for (std::size_t i = 0; i < first.size(); ++i) {
        const auto& [key, value] = first[i];
        check(!key.empty() && !value.empty(), "empty key or value stored");
        check(key.find('\t') == std::string::npos, "TAB in a key");
        check(value.find('\n') == std::string::npos, "LF in a value");
        for (std::size_t j = 0; j < i; ++j) check(first[j].first != key, "key stored twice");
        check(read_setting_int(value.c_str()) == reference_int(value.c_str()), "integer reading differs");
        expected += key + "\t" + value + "\n";
    }

    // A first key that begins with a byte-order mark is saved after a mark of its own.
    if (!first.empty() && first[0].first.compare(0, 3, "\xEF\xBB\xBF") == 0)
        expected.insert(0, "\xEF\xBB\xBF");
    check(save_settings_file(saved.c_str()), "save failed");
    const std::string saved_bytes = read_all(saved);
    check(saved_bytes == expected, "saved bytes are not the pairs in order");

    check(load_settings_file(saved.c_str()), "reload failed");
    check(snapshot() == first, "reloaded store differs");
    check(save_settings_file(again.c_str()), "second save failed");
    check(read_all(again) == saved_bytes, "second save differs");

    clear_settings();
    return 0;
}
