#include "settings/plan_settings.h"

#include <cstdio>

#include "monitor/data_plan.h"
#include "settings/setting_keys.h"
#include "settings/setting_values.h"
#include "settings/settings_store.h"

namespace {

const char* stored_text(const char* key) {
    const Setting* setting = find_setting(key);
    return setting && setting->value ? setting->value : nullptr;
}

// Missing, or out of its range: the default.
std::int64_t stored_number(const char* key, std::int64_t lowest, std::int64_t highest,
                           std::int64_t fallback) {
    const char* text = stored_text(key);
    if (!text) return fallback;
    const std::int64_t value = read_setting_int64(text);
    return value >= lowest && value <= highest ? value : fallback;
}

}  // namespace

// Nothing is stored at load: a file without a plan stays as it was.
void load_plan_settings() {
    data_plan.limit_mb = stored_number(keys::plan_limit_mb, 0, plan_limit_mb_max, 0);
    data_plan.start_day =
        static_cast<std::int32_t>(stored_number(keys::plan_start_day, 1, 31, plan_default_start_day));
    data_plan.download_only = stored_number(keys::plan_download_only, INT64_MIN, INT64_MAX, 0) != 0;
    data_plan.warn_percent =
        static_cast<std::int32_t>(stored_number(keys::plan_warn_percent, 1, 99, plan_default_warn_percent));
    const char* adapter = stored_text(keys::plan_interface);
    std::snprintf(data_plan.adapter, sizeof data_plan.adapter, "%s",
                  adapter && *adapter ? adapter : all_hardware_adapters);
}

// Once a plan has been set, its keys stay, so that one turned off keeps its
// start day and warning.
void store_plan_settings() {
    if (!plan_is_set(data_plan) && !find_setting(keys::plan_limit_mb)) return;
    set_setting_int64(keys::plan_limit_mb, data_plan.limit_mb);
    set_setting_int(keys::plan_start_day, data_plan.start_day);
    set_setting_int(keys::plan_download_only, data_plan.download_only ? 1 : 0);
    set_setting_int(keys::plan_warn_percent, data_plan.warn_percent);
    set_setting(keys::plan_interface, data_plan.adapter);
}
