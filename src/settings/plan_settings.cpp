#include "settings/plan_settings.h"

#include <cstdio>

#include "monitor/data_plan.h"
#include "settings/setting_keys.h"
#include "settings/setting_values.h"
#include "settings/settings_store.h"

namespace {

std::int64_t within(std::int64_t value, std::int64_t lowest, std::int64_t highest, std::int64_t fallback) {
    return value >= lowest && value <= highest ? value : fallback;
}

}  // namespace

void load_plan_settings() {
    data_plan.limit_mb = within(get_setting_int64(keys::plan_limit_mb, 0), 0, plan_limit_mb_max, 0);
    data_plan.start_day = static_cast<std::int32_t>(
        within(get_setting_int(keys::plan_start_day, plan_default_start_day), 1, 31, plan_default_start_day));
    data_plan.download_only = get_setting_int(keys::plan_download_only, 0) != 0;
    data_plan.warn_percent = static_cast<std::int32_t>(within(
        get_setting_int(keys::plan_warn_percent, plan_default_warn_percent), 1, 99, plan_default_warn_percent));
    const Setting* adapter = find_setting(keys::plan_interface);
    const char* name = adapter && adapter->value && adapter->value[0] ? adapter->value : all_hardware_adapters;
    if (!adapter) set_setting(keys::plan_interface, name);
    std::snprintf(data_plan.adapter, sizeof data_plan.adapter, "%s", name);
}

void store_plan_settings() {
    set_setting_int64(keys::plan_limit_mb, data_plan.limit_mb);
    set_setting_int(keys::plan_start_day, data_plan.start_day);
    set_setting_int(keys::plan_download_only, data_plan.download_only ? 1 : 0);
    set_setting_int(keys::plan_warn_percent, data_plan.warn_percent);
    set_setting(keys::plan_interface, data_plan.adapter);
}
