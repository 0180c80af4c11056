// The data plan: its billing periods, its texts and when it warns.
#include "monitor/data_plan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

DayNumber date(int year, int month, int day) {
    return day_number({year, month, day});
}

DataPlan plan_of(std::int64_t limit_mb, std::int32_t start_day = 1, std::int32_t warn_percent = 80) {
    DataPlan plan{};
    plan.limit_mb = limit_mb;
    plan.start_day = start_day;
    plan.warn_percent = warn_percent;
    return plan;
}

// A start day beyond a month's end is that month's last day, in February of
// a leap year (29 days) and of a common one (28) alike; the period ends the
// day before the next one starts.
TEST(DataPlan, PeriodsFollowTheStartDayAcrossLeapAndCommonFebruaries) {
    const struct {
        int start_day;
        DayNumber today, first, last;
    } cases[] = {
        {1, date(2024, 2, 29), date(2024, 2, 1), date(2024, 2, 29)},
        {1, date(2025, 3, 1), date(2025, 3, 1), date(2025, 3, 31)},
        {15, date(2024, 2, 14), date(2024, 1, 15), date(2024, 2, 14)},
        {15, date(2025, 2, 15), date(2025, 2, 15), date(2025, 3, 14)},
        {29, date(2024, 2, 28), date(2024, 1, 29), date(2024, 2, 28)},
        {29, date(2024, 2, 29), date(2024, 2, 29), date(2024, 3, 28)},
        {29, date(2025, 2, 28), date(2025, 2, 28), date(2025, 3, 28)},
        {29, date(2025, 2, 27), date(2025, 1, 29), date(2025, 2, 27)},
        {30, date(2024, 2, 29), date(2024, 2, 29), date(2024, 3, 29)},
        {30, date(2024, 1, 30), date(2024, 1, 30), date(2024, 2, 28)},
        {30, date(2025, 2, 28), date(2025, 2, 28), date(2025, 3, 29)},
        {30, date(2025, 3, 29), date(2025, 2, 28), date(2025, 3, 29)},
        {31, date(2024, 1, 31), date(2024, 1, 31), date(2024, 2, 28)},
        {31, date(2024, 2, 29), date(2024, 2, 29), date(2024, 3, 30)},
        {31, date(2025, 2, 27), date(2025, 1, 31), date(2025, 2, 27)},
        {31, date(2025, 2, 28), date(2025, 2, 28), date(2025, 3, 30)},
        {31, date(2025, 4, 30), date(2025, 4, 30), date(2025, 5, 30)},
        {31, date(2024, 12, 31), date(2024, 12, 31), date(2025, 1, 30)},
        {1, date(2024, 12, 31), date(2024, 12, 1), date(2024, 12, 31)},
    };
    for (const auto& c : cases) {
        const CivilDate today = civil_date(c.today);
        SCOPED_TRACE(std::to_string(c.start_day) + " on " + std::to_string(today.year) + "-" +
                     std::to_string(today.month) + "-" + std::to_string(today.day));
        const PlanPeriod period = plan_period(c.start_day, c.today);
        EXPECT_EQ(period.first, c.first);
        EXPECT_EQ(period.last, c.last);
    }
}

TEST(DataPlan, TextsGiveUseAllowanceDaysLeftAndTheProjection) {
    // 50 GB from the 15th; on 6 Jan, 22 days in, 9 left: 40 GB by yesterday.
    const DataPlan plan = plan_of(50'000, 15);
    const PlanStatus status = plan_status(plan, date(2027, 1, 6), 41'200'000'000, 40'000'000'000);
    char text[96];
    format_plan_usage(text, status);
    EXPECT_STREQ(text, "41.2 GB of 50.0 GB used (82 %), 9 days left");
    format_plan_pace(text, status, "14 Jan");
    // 41.2 + 40 / 22 * 8 = 55.745: the use so far holds today, so the pace
    // runs over the 8 days after it only.
    EXPECT_STREQ(text, "At this pace: 55.7 GB by 14 Jan");
    char line[48];
    format_plan_tip_line(line, status);
    EXPECT_STREQ(line, "Plan:  41.2 of 50.0 GB, 9 days left !");

    // The last day: nothing is left to come, the use so far is where it ends.
    const PlanStatus last_day = plan_status(plan, date(2027, 1, 14), 48'000'000'000, 47'000'000'000);
    format_plan_tip_line(line, last_day);
    EXPECT_STREQ(line, "Plan:  48.0 of 50.0 GB, 1 day left !");
    format_plan_pace(text, last_day, "14 Jan");
    EXPECT_STREQ(text, "At this pace: 48.0 GB by 14 Jan");
    // 1.5 days in is not yet two whole days: no projection.
    format_plan_pace(text, plan_status(plan, date(2027, 1, 16), 9, 9), "14 Feb");
    EXPECT_STREQ(text, "");
    format_plan_pace(text, plan_status(plan, date(2027, 1, 17), 9, 9), "14 Feb");
    EXPECT_STREQ(text, "At this pace: 0.0 MB by 14 Feb");
}

// The tooltip has 127 characters: the plan line stays within 40 whatever the
// figures, each in at most five characters of one unit.
TEST(DataPlan, TipLineKeepsFiveCharactersPerFigureAtEveryValue) {
    const struct {
        std::uint64_t used;
        std::int64_t limit_mb;
        const char* line;
    } cases[] = {
        {999'949'999, 500, "Plan:  999.9 of 500.0 MB, 31 days left !"},
        {999'950'000, 500, "Plan:  1.0 of 0.5 GB, 31 days left !"},
        {999'949'999'999, 999'949, "Plan:  999.9 of 999.9 GB, 31 days left !"},
        {1'100'000'000'000, 1'200'000, "Plan:  1.1 of 1.2 TB, 31 days left !"},
        {999'949'999'999'999, 999'949'999, "Plan:  999.9 of 999.9 TB, 31 days left !"},
        {UINT64_MAX, plan_limit_mb_max, "Plan:  >999 of >999 TB, 31 days left !"},
        {UINT64_MAX, 1, "Plan:  >999 of 0.0 TB, 31 days left !"},
    };
    std::size_t longest = 0;
    for (const auto& c : cases) {
        // A 31-day period on its first day.
        const PlanStatus status = plan_status(plan_of(c.limit_mb), date(2027, 1, 1), c.used, 0);
        char line[48];
        format_plan_tip_line(line, status);
        EXPECT_STREQ(line, c.line);
        longest = std::max(longest, std::strlen(line));
        char today[48];
        format_plan_usage_line(today, "Today", c.used, c.used);
        longest = std::max(longest, std::strlen(today) - 34 + 40);  // Today's own limit, 34
    }
    EXPECT_EQ(longest, 40u);
}

// Two days' use in every tick of a 50 GB plan from the 10th, warned at
// 80 %: the program restarts (only the kept state carries over), the
// allowance grows to 60 GB after the full balloon, a new period begins.
TEST(DataPlan, EachWarningIsGivenOncePerPeriodAndReArmedOnlyByANewPeriodOrALargerAllowance) {
    DataPlan plan = plan_of(50'000, 10);
    PlanWarningState kept{};
    std::string told;
    constexpr std::uint64_t gigabyte = 1'000'000'000;
    for (DayNumber today = date(2027, 3, 10); today <= date(2027, 5, 3); ++today) {
        const CivilDate day = civil_date(today);
        if (today == date(2027, 4, 4)) plan.limit_mb = 60'000;  // 50-52 GB: under 100 %, still over 80 %
        const std::uint64_t used_before =
            2 * gigabyte * static_cast<std::uint64_t>(today - plan_period(plan.start_day, today).first);
        // A day's ticks at 0, 1 and 2 GB of its use: asking again tells nothing new.
        for (std::uint64_t tick = 0; tick <= 2; ++tick) {
            PlanWarningState state = kept;
            // A restart on 31 Mar: the state read back from the file is all that is left.
            if (today == date(2027, 3, 31)) state = PlanWarningState{kept.period_first, kept.level};
            const PlanWarningStep step = step_plan_warning(
                state, plan_status(plan, today, used_before + tick * gigabyte, used_before));
            if (step.balloon)
                told += std::to_string(day.month) + "-" + std::to_string(day.day) + ":" +
                        std::to_string(step.balloon) + " ";
            kept = step.next;
        }
    }
    // 40 GB on 29 Mar, 50 GB on 3 Apr, 60 GB on 8 Apr; from 10 Apr, 48 GB on 3 May.
    EXPECT_EQ(told, "3-29:1 4-3:2 4-8:2 5-3:1 ");
    EXPECT_EQ(kept.period_first, date(2027, 4, 10));
    EXPECT_EQ(kept.level, 1);

    // A use that leaps past both levels tells only the whole allowance's.
    const PlanWarningStep leap =
        step_plan_warning({date(2027, 4, 10), 0}, plan_status(plan, date(2027, 4, 12), 70 * gigabyte, 0));
    EXPECT_EQ(leap.balloon, 2);
}

}  // namespace
