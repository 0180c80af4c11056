// The data plan's settings: anything out of range reads as the default, and
// a file that never had a plan gets no plan keys.
#include "settings/plan_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "monitor/data_plan.h"
#include "settings/settings_store.h"
#include "settings_fixture.h"

namespace {

using PlanSettingsTest = SettingsTest;

TEST_F(PlanSettingsTest, OutOfRangeValuesReadAsTheDefaults) {
    const struct {
        const char *limit, *start, *warn, *adapter;
        std::int64_t limit_mb;
        std::int32_t start_day, warn_percent;
        const char* read_adapter;
    } cases[] = {
        {"50000", "31", "99", "eth0", 50'000, 31, 99, "eth0"},
        {"1000000000000", "1", "1", "*", plan_limit_mb_max, 1, 1, "*"},
        {"1000000000001", "32", "100", "", 0, 1, 80, "*"},
        {"-5", "0", "0", "", 0, 1, 80, "*"},
        {"lots", "-1", "-80", "", 0, 1, 80, "*"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.limit) + " " + c.start + " " + c.warn);
        clear_settings();
        set_setting("plan.limit_mb", c.limit);
        set_setting("plan.start_day", c.start);
        set_setting("plan.warn_percent", c.warn);
        set_setting("plan.interface", c.adapter);
        load_plan_settings();
        EXPECT_EQ(data_plan.limit_mb, c.limit_mb);
        EXPECT_EQ(data_plan.start_day, c.start_day);
        EXPECT_EQ(data_plan.warn_percent, c.warn_percent);
        EXPECT_STREQ(data_plan.adapter, c.read_adapter);
    }

    clear_settings();
    load_plan_settings();
    store_plan_settings();
    EXPECT_EQ(settings_store.pair_count, 0) << "no plan, no keys";
    data_plan.limit_mb = 2'000;
    store_plan_settings();
    data_plan.limit_mb = 0;
    store_plan_settings();
    ASSERT_NE(find_setting("plan.limit_mb"), nullptr);
    EXPECT_STREQ(find_setting("plan.limit_mb")->value, "0") << "a plan turned off is kept off";
}

}  // namespace
