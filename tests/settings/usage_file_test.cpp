// The counts kept in usage.cfg and usage-history.csv: the earlier version's
// file taken over, the history read back as written and a damaged one set
// aside, traffic while closed counted within one boot, and what a day of
// counting writes.
#include "settings/usage_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "monitor/clock.h"
#include "monitor/usage_history.h"
#include "settings/file_notices.h"
#include "settings/save_worker.h"
#include "settings/settings_file.h"
#include "settings/usage_export.h"
#include "settings/usage_history_file.h"
#include "settings/usage_keeping.h"
#include "settings_fixture.h"
#include "support/scripted_counters.h"

namespace {

DayNumber date(const char* text) {
    DayNumber day = 0;
    EXPECT_TRUE(parse_iso_date(text, &day)) << text;
    return day;
}

// Each row as "date,adapter,hardware,received,sent,filed received,filed sent".
std::vector<std::string> rows_of(const UsageCount& usage) {
    std::vector<std::string> rows;
    for (const UsageDay& row : usage.days) {
        char text[11];
        format_iso_date(text, row.day);
        rows.push_back(std::string(text) + "," + usage.adapters[static_cast<std::size_t>(row.adapter)].name +
                       "," + std::to_string(row.hardware) + "," + std::to_string(row.received) + "," +
                       std::to_string(row.sent) + "," + std::to_string(row.filed_received) + "," +
                       std::to_string(row.filed_sent));
    }
    return rows;
}

const std::string earlier =
    "usage.day\t2026-03-31\nusage.day_in\t1500\nusage.day_out\t300\n"
    "usage.month\t2026-03\nusage.month_in\t18446744073709551615\nusage.month_out\t4000\n";

TEST(UsageFile, TakesOverTheEarlierVersionsFileAndLeavesADamagedOne) {
    ScratchFolder scratch;
    const std::string path = scratch.file("usage.cfg");
    write_file(path, earlier);
    UsageCount usage{};
    UsageFileState state{};
    ASSERT_TRUE(load_usage_file(path.c_str(), &usage, &state, "eth0", ""));
    EXPECT_EQ(rows_of(usage), (std::vector<std::string>{
                                  "2026-03-01,eth0,1,18446744073709550115,0,0,0", "2026-03-01,*,1,0,3700,0,0",
                                  "2026-03-31,eth0,1,1500,0,0,0", "2026-03-31,*,1,0,300,0,0"}));
    EXPECT_FALSE(state.system_start_known);

    // Written back in this version's form, the six keys still say what they said.
    usage.today = date("2026-03-31");
    derive_usage_periods(usage, "eth0", "*");
    usage.system_start_s = 1774000000;
    ASSERT_TRUE(save_text_atomically(path.c_str(), usage_file_text(usage, {})));
    EXPECT_EQ(read_file(path).substr(0, earlier.size()), earlier);
    UsageCount again{};
    ASSERT_TRUE(load_usage_file(path.c_str(), &again, &state, "other", "other"));
    EXPECT_EQ(rows_of(again), rows_of(usage)) << "taken once: the next load reads the adapters";
    EXPECT_EQ(state.system_start_s, 1774000000);

    const std::pair<std::string, std::string> damages[] = {
        {"2026-03-31", "2026-02-30"},
        {"\t2026-03\n", "\t26-03\n"},
        {"1500", "1500\r"},
        {"18446744073709551615", "18446744073709551616"},
        {"usage.day_out", "usage.day_put"},
    };
    for (const auto& [from, to] : damages) {
        std::string bytes = earlier;
        write_file(path, bytes.replace(bytes.find(from), from.size(), to));
        UsageCount damaged{};
        EXPECT_FALSE(load_usage_file(path.c_str(), &damaged, &state, "eth0", "eth0")) << to;
        EXPECT_TRUE(damaged.days.empty()) << to;
    }
}

// Names by the CSV rules, and those a spreadsheet would take for a formula
// behind an apostrophe; each read back as it was.
TEST(UsageHistoryFile, ReadsBackWhatItWroteQuotedByTheCsvRules) {
    ScratchFolder scratch;
    const std::string path = scratch.file("usage-history.csv");
    UsageCount usage{};
    const std::int32_t quoted = usage_adapter_index(usage, "Fast \"LAN\", port 2", true);
    const std::int32_t lo = usage_adapter_index(usage, "lo", true);
    const char* const formulas[] = {"=SUM(A1)", "+1", "-cmd", "@x,y", "\tTab", "\rReturn", "'tick", "a=b"};
    add_usage(usage, lo, date("2026-03-30"), false, 7, 8);
    // Read back, lo is the first adapter seen: the order of a date's rows must not follow that.
    add_usage(usage, lo, date("2016-02-28"), false, 1, 1);
    add_usage(usage, quoted, date("2016-02-29"), true, 18446744073709551615u, 0);
    add_usage(usage, quoted, date("2026-03-30"), true, 1, 2);
    for (const char* name : formulas)
        add_usage(usage, usage_adapter_index(usage, name, true), date("2026-03-31"), false, 5, 5);
    ASSERT_TRUE(write_usage_history(path.c_str(), usage));
    const std::string bytes = read_file(path);
    EXPECT_EQ(bytes,
              "\xEF\xBB\xBF"
              "date,adapter,hardware,received,sent\r\n"
              "2016-02-28,lo,0,1,1\r\n"
              "2016-02-29,\"Fast \"\"LAN\"\", port 2\",1,18446744073709551615,0\r\n"
              "2026-03-30,\"Fast \"\"LAN\"\", port 2\",1,1,2\r\n"
              "2026-03-30,lo,0,7,8\r\n"
              "2026-03-31,'\tTab,0,5,5\r\n2026-03-31,\"'\rReturn\",0,5,5\r\n2026-03-31,''tick,0,5,5\r\n"
              "2026-03-31,'+1,0,5,5\r\n2026-03-31,'-cmd,0,5,5\r\n2026-03-31,'=SUM(A1),0,5,5\r\n"
              "2026-03-31,\"'@x,y\",0,5,5\r\n2026-03-31,a=b,0,5,5\r\n");

    UsageCount read{};
    ASSERT_EQ(read_usage_history(path.c_str(), &read), HistoryRead::read);
    EXPECT_EQ(rows_of(read)[1],
              "2016-02-29,Fast \"LAN\", port 2,1,18446744073709551615,0,18446744073709551615,0");
    const auto names_by_date = [](const UsageCount& counts) {
        std::vector<std::pair<DayNumber, std::string>> names;
        for (const UsageDay& row : counts.days)
            names.emplace_back(row.day, counts.adapters[static_cast<std::size_t>(row.adapter)].name);
        std::sort(names.begin(), names.end());
        return names;
    };
    EXPECT_EQ(names_by_date(read), names_by_date(usage));
    ASSERT_TRUE(write_usage_history(path.c_str(), read));
    EXPECT_EQ(read_file(path), bytes);

    const std::pair<std::string, std::string> damages[] = {
        {"date,adapter", "day,adapter"},
        {",1,1,2\r\n", ",2,1,2\r\n"},
        {",7,8", ",7,8,9"},
        {"2026-03-30,lo", "2026-02-30,lo"},
        {"\"\", port 2\",1,1", "\"\", port 2,1,1"},
        {"18446744073709551615", "18446744073709551616"},
        {"\r\n2026-03-30,lo", "\r2026-03-30,lo"},
    };
    for (const auto& [from, to] : damages) {
        std::string damaged = bytes;
        write_file(path, damaged.replace(damaged.find(from), from.size(), to));
        UsageCount untouched{};
        EXPECT_EQ(read_usage_history(path.c_str(), &untouched), HistoryRead::damaged) << to;
        EXPECT_TRUE(untouched.days.empty()) << to;
    }
    std::string edited = bytes.substr(3);  // a spreadsheet's save: no mark, LF line ends
    for (std::size_t at; (at = edited.find("\r\n")) != std::string::npos;) edited.erase(at, 1);
    write_file(path, edited);
    UsageCount reread{};
    ASSERT_EQ(read_usage_history(path.c_str(), &reread), HistoryRead::read);
    EXPECT_EQ(rows_of(reread), rows_of(read));
}

// Rows that no adapter can take, past the limit of names or not spelt in the
// ANSI code page, are neither merged nor a damage: they go back as they came.
TEST(UsageHistoryFile, RowsNoAdapterCanTakeAreWrittenBackAsTheyCame) {
    ScratchFolder scratch;
    const std::string path = scratch.file("usage-history.csv");
    const std::string head =
        "\xEF\xBB\xBF"
        "date,adapter,hardware,received,sent\r\n";
    std::string many = head;
    for (int i = 0; i < 4100; ++i) {
        char line[64];
        std::snprintf(line, sizeof line, "2026-03-30,n%04d,1,%d,1\r\n", i, i + 1);
        many += line;
    }
#ifdef _WIN32
    const bool windows = true;
#else
    const bool windows = false;
#endif
    const struct {
        const char* what;
        std::string bytes;
        HistoryRead read;
        std::size_t adapters;
    } cases[] = {
        {"more names than the count takes", many, HistoryRead::read, max_usage_adapters},
        {"names the code page cannot spell",
         head + "2026-03-30,'=\xE6\x9D\x8E,1,1,1\r\n2026-03-30,\xC3\x85ngstr\xC3\xB6m,1,2,2\r\n"
                "2026-03-30,\xE6\x9D\x8E,1,3,3\r\n2026-03-30,\xE7\x8E\x8B,1,4,4\r\n",
         HistoryRead::read, windows ? 1u : 4u},
        {"names that are no UTF-8",
         head + "2026-03-30,\xFF"
                "1,1,1,1\r\n2026-03-30,\xFF"
                "2,1,2,2\r\n",
         windows ? HistoryRead::damaged : HistoryRead::read, windows ? 0u : 2u},
    };
    for (const auto& c : cases) {
        write_file(path, c.bytes);
        UsageCount usage{};
        ASSERT_EQ(read_usage_history(path.c_str(), &usage), c.read) << c.what;
        EXPECT_EQ(usage.adapters.size(), c.adapters) << c.what;
        if (c.read != HistoryRead::read) continue;
        ASSERT_TRUE(write_usage_history(path.c_str(), usage)) << c.what;
        EXPECT_EQ(read_file(path), c.bytes) << c.what;
    }
}

// usage.cfg's reader takes every entry its writer can write: a counter base
// each, and an entry each for the adapters whose rows grew without one.
TEST(UsageFile, TheMostEntriesTheWriterWritesAreReadBack) {
    ScratchFolder scratch;
    const std::string path = scratch.file("usage.cfg");
    UsageCount usage{};
    const std::int32_t busy = usage_adapter_index(usage, "busy", true);
    for (std::uint64_t i = 0; i < max_usage_counters; ++i)
        usage.counters.push_back({0x100000000 + i, i, 2 * i, 600000, 600000, busy});
    for (std::size_t i = 1; i < max_usage_adapters; ++i)
        add_usage(usage, usage_adapter_index(usage, ("a" + std::to_string(i)).c_str(), true),
                  date("2026-03-30"), true, i, i);
    usage.today = date("2026-03-30");
    ASSERT_TRUE(save_text_atomically(path.c_str(), usage_file_text(usage, {})));
    UsageCount read{};
    UsageFileState state{};
    ASSERT_TRUE(load_usage_file(path.c_str(), &read, &state, "", ""));
    EXPECT_EQ(read.counters.size(), max_usage_counters);
    EXPECT_EQ(rows_of(read).size(), max_usage_adapters - 1);
    EXPECT_EQ(usage_sum(read, "a4095", usage.today, usage.today).sent, 4095u);
}

// The program's start and end as main_window runs them, with the counters,
// the local date and the system's start time under the test's control.
class UsageKeeping : public ::testing::Test {
protected:
    void SetUp() override {
        AppDataGuard::set("AppData", (scratch.path / "AppData").string());
        reset_file_notices();
        today = "2026-03-30";
        system_start = 1774850000;
        scripted_reset();
        read_local_date = [](char(&text)[11]) { std::snprintf(text, sizeof text, "%s", today.c_str()); };
        read_local_time = [](char(&text)[18]) {
            std::snprintf(text, sizeof text, "%s-120000", today.c_str());
        };
        read_system_start = [] { return system_start; };
        uptime_ms = 600'000;
        read_uptime_ms = [] { return uptime_ms; };
        eth = scripted_add("eth0", true);
        scripted_add("lo", false);
        scripted_set_counts(eth, 1000, 100);
    }
    void TearDown() override {
        read_local_date = real_date;
        read_local_time = real_time;
        read_system_start = real_start;
        read_uptime_ms = real_uptime;
        set_counter_backend(nullptr);
        usage_count = {};
    }
    std::string file(const char* name) { return settings_path("%s", name); }
    // Ends a run as the window's destruction does.
    void end_run() { finish_usage(); }
    std::string eth0_on(const char* day, const char* adapter = "eth0") {
        const ByteCounts counts = usage_between(adapter, date(day), date(day));
        return std::to_string(counts.received) + "/" + std::to_string(counts.sent);
    }

    static inline std::string today;
    static inline std::int64_t system_start;
    static inline std::int64_t uptime_ms;
    LocalDateReader real_date = read_local_date;
    LocalTimeReader real_time = read_local_time;
    SystemStartReader real_start = read_system_start;
    UptimeReader real_uptime = read_uptime_ms;
    AppDataGuard app_data;
    ScratchFolder scratch;
    int eth = -1;
};

TEST_F(UsageKeeping, TrafficWhileClosedCountsAtTheNextStartOfTheSameBootOnly) {
    load_usage();
    scripted_add_counts(eth, 10, 1);
    end_run();
    EXPECT_EQ(eth0_on("2026-03-30"), "10/1");

    today = "2026-03-31";
    scripted_add_counts(eth, 500, 50);  // while closed
    system_start += 4;                  // the clock adjusted a little meanwhile
    load_usage();
    EXPECT_EQ(eth0_on("2026-03-30"), "10/1") << "kept from the last run";
    EXPECT_EQ(eth0_on("2026-03-31"), "500/50") << "counted to the start's date";
    end_run();

    scripted_add_counts(eth, 700, 70);
    system_start += 3600;  // a new boot whose counters happen to be higher
    load_usage();
    EXPECT_EQ(eth0_on("2026-03-31"), "500/50");
    end_run();

    scripted_set_counts(eth, 20, 2);  // within that boot, counters went back while closed
    load_usage();
    EXPECT_EQ(eth0_on("2026-03-31"), "500/50");
    scripted_add_counts(eth, 5, 5);
    keep_usage(0);
    keep_usage(usage_read_interval_ns);
    EXPECT_EQ(eth0_on("2026-03-31"), "505/55") << "from the start's values on";
}

// While closed, 10 s apart on a 1 Gbit/s link: a counter of 10 GB that steps
// back a little counts nothing, then or when it comes back; one that starts
// again from 0 counts what it holds. A base of an earlier version, without
// the time it was read, cannot tell them apart and counts neither.
TEST_F(UsageKeeping, ACounterThatStepsBackWhileClosedIsJudgedByWhenItsBaseWasRead) {
    const std::uint64_t ten_gb = 10'000'000'000;
    scripted_set_speed(eth, 1'000'000'000);
    scripted_set_counts(eth, ten_gb, ten_gb);
    load_usage();
    scripted_add_counts(eth, 10, 1);
    end_run();
    uptime_ms += 10'000;
    scripted_set_counts(eth, ten_gb + 10 - 1000, ten_gb + 1);
    load_usage();
    EXPECT_EQ(eth0_on("2026-03-30"), "10/1") << "a glitch";
    scripted_set_counts(eth, ten_gb + 10 + 500, ten_gb + 1 + 50);
    uptime_ms += 10'000;
    keep_usage(0);
    keep_usage(usage_read_interval_ns);
    EXPECT_EQ(eth0_on("2026-03-30"), "510/51") << "back from the glitch";
    end_run();

    const std::string kept = read_file(file("usage.cfg"));
    std::string earlier = kept;
    const std::size_t times = earlier.find("adapter.1.last_uptime\t");
    write_file(file("usage.cfg"), earlier.erase(times, earlier.find('\n', times) + 1 - times));
    uptime_ms += 10'000;
    scripted_set_counts(eth, 700, 70);
    load_usage();
    EXPECT_EQ(eth0_on("2026-03-30"), "510/51") << "a reset or a glitch, without the base's time";
    end_run();
    write_file(file("usage.cfg"), kept);
    load_usage();
    EXPECT_EQ(eth0_on("2026-03-30"), "1210/121") << "a reset";
}

// Each damaged history is set aside under a name of its own, in the same
// second too, beside one an earlier version set aside: none replaces another,
// and a reset removes them all, but no file of another program.
TEST_F(UsageKeeping, EveryDamagedHistoryIsSetAsideUnderANameOfItsOwn) {
    const std::string damaged =
        "\xEF\xBB\xBF"
        "date,adapter,hardware,received,sent\r\n2026-03-29,eth0,1,5";
    make_folder(settings_path(""));
    write_file(file("usage-history.bad.csv"), "an older one");
    write_file(file("usage-history.bad-notes.csv"), "another program's");
    char name[set_aside_name_size];
    for (const char* set_aside :
         {"usage-history.bad-2026-03-30-120000.csv", "usage-history.bad-2026-03-30-120000-2.csv"}) {
        write_file(file("usage-history.csv"), damaged + set_aside);
        load_usage();
        ASSERT_TRUE(take_history_set_aside_notice(name));
        EXPECT_STREQ(name, set_aside);
        EXPECT_FALSE(take_history_set_aside_notice(name));
        EXPECT_EQ(read_file(file(set_aside)), damaged + set_aside);
    }
    EXPECT_EQ(read_file(file("usage-history.bad.csv")), "an older one");
    EXPECT_EQ(read_file(file("usage-history.bad-2026-03-30-120000.csv")),
              damaged + "usage-history.bad-2026-03-30-120000.csv");
    scripted_add_counts(eth, 10, 1);
    end_run();
    today = "2026-03-31";
    load_usage();
    end_run();
    EXPECT_EQ(read_file(file("usage-history.csv")),
              "\xEF\xBB\xBF"
              "date,adapter,hardware,received,sent\r\n2026-03-30,eth0,1,10,1\r\n");
    EXPECT_FALSE(take_history_set_aside_notice(name));
    scripted_add_counts(eth, 4, 4);
    keep_usage(0);
    keep_usage(usage_read_interval_ns);
    const std::string exported = (scratch.path / "export.csv").string();
    bool went = false;
    export_usage(
        exported.c_str(), [](bool exported, const char*, void* to) { *static_cast<bool*>(to) = exported; },
        &went);
    ASSERT_TRUE(went);
    EXPECT_EQ(read_file(exported),
              "\xEF\xBB\xBF"
              "date,adapter,hardware,received,sent\r\n2026-03-30,eth0,1,10,1\r\n2026-03-31,eth0,1,4,4\r\n")
        << "today's counts too";

    delete_usage();
    for (const char* name :
         {"usage.cfg", "usage-history.csv", "usage-history.bad.csv",
          "usage-history.bad-2026-03-30-120000.csv", "usage-history.bad-2026-03-30-120000-2.csv"})
        EXPECT_FALSE(file_exists(file(name).c_str())) << name;
    EXPECT_EQ(read_file(file("usage-history.bad-notes.csv")), "another program's");
}

// A usage.cfg that another program holds at start (in its place here, a
// folder) is not written over, nor is the history: the counting goes on as
// after another boot. Once the file can be read, its counts stand with this
// run's added, this boot's traffic before the start counted from its bases,
// and an adapter that came back meanwhile counted from its base, not whole.
TEST_F(UsageKeeping, AUsageFileReadLateKeepsItsCountsAndAddsThisRunsOnce) {
    const int wlan = scripted_add("wlan0", true);
    scripted_set_counts(wlan, 300, 30);
    load_usage();
    scripted_add_counts(eth, 40, 4);
    keep_usage(0);
    keep_usage(usage_write_interval_ns);  // then the run is killed
    const std::string usage_file = file("usage.cfg");
    const std::string held = read_file(usage_file);
    ASSERT_NE(held.find(".2026-03-30\t40,4\n"), std::string::npos) << held;

    scripted_add_counts(eth, 500, 50);
    scripted_set_present(wlan, false);
    std::filesystem::rename(usage_file, usage_file + ".held");
    std::filesystem::create_directory(usage_file);
    {
        SaveDeadlineScope no_wait(single_try);
        load_usage();
    }
    EXPECT_STREQ(pending_file_notice(FileNotice::usage_unread), usage_file.c_str());
    scripted_add_counts(eth, 7, 7);
    scripted_set_present(wlan, true);
    scripted_add_counts(wlan, 20, 2);
    keep_usage(0);
    keep_usage(usage_write_interval_ns);
    finish_usage();  // an exit's saves write nothing either
    EXPECT_EQ(eth0_on("2026-03-30"), "7/7");
    EXPECT_TRUE(std::filesystem::is_directory(usage_file));
    EXPECT_FALSE(file_exists(file("usage-history.csv").c_str()));

    std::filesystem::remove(usage_file);
    std::filesystem::rename(usage_file + ".held", usage_file);
    keep_usage(2 * usage_write_interval_ns);
    save_usage();
    EXPECT_EQ(eth0_on("2026-03-30") + " " + eth0_on("2026-03-30", "wlan0"), "547/61 20/2");
    EXPECT_NE(
        read_file(file("usage-history.csv")).find("2026-03-30,eth0,1,547,61\r\n2026-03-30,wlan0,1,20,2"),
        std::string::npos);
}

// With the local folder gone (a file in its place), the counts stay in memory
// and every save tries again, the user is told once, and nothing goes to the
// roaming folder; a history write that failed is asked for again, though
// nothing changes after it.
TEST_F(UsageKeeping, CountsThatCannotBeWrittenAreKeptAndWrittenOnceTheyCan) {
    const std::string blocker = (scratch.path / "gone").string();
    write_file(blocker, "a file where a folder should be");
    AppDataGuard::set("LocalAppData", blocker + "/Local");
    char local[path_capacity];
    ASSERT_TRUE(data_file_path(local, DataFolder::local, "usage.cfg"));
    load_usage();
    scripted_add_counts(eth, 10, 1);
    keep_usage(0);
    keep_usage(usage_write_interval_ns);
    ASSERT_TRUE(data_file_path(local, DataFolder::local, ""));
    EXPECT_STREQ(pending_file_notice(FileNotice::counts_unwritten), local);
    file_notice_shown(FileNotice::counts_unwritten);
    keep_usage(usage_write_interval_ns + usage_read_interval_ns);
    EXPECT_EQ(pending_file_notice(FileNotice::counts_unwritten), nullptr) << "told once";
    EXPECT_EQ(eth0_on("2026-03-30"), "10/1");

    std::filesystem::remove(blocker);
    keep_usage(2 * usage_write_interval_ns + usage_read_interval_ns);
    ASSERT_TRUE(data_file_path(local, DataFolder::local, "usage.cfg"));
    EXPECT_NE(read_file(local).find(".2026-03-30\t10,1\n"), std::string::npos);
    EXPECT_FALSE(file_exists(file("usage.cfg").c_str())) << "nothing in the roaming folder";

    file_replacer = [](const char* from, const char* to) {
        return std::strstr(to, "usage-history") ? ReplaceResult::failed : replace_file(from, to);
    };
    today = "2026-03-31";
    keep_usage(3 * usage_write_interval_ns);
    file_replacer = replace_file;
    ASSERT_TRUE(data_file_path(local, DataFolder::local, "usage-history.csv"));
    EXPECT_FALSE(file_exists(local));
    keep_usage(4 * usage_write_interval_ns + usage_read_interval_ns);
    EXPECT_NE(read_file(local).find("2026-03-30,eth0,1,10,1"), std::string::npos);
}

// The counts belong to this machine: an earlier version's, beside the roaming
// settings, come to the local folder as one set at the first start; a copy
// that turns up in the old place afterwards is neither read nor touched, until
// a reset removes the counts of both.
TEST_F(UsageKeeping, CountsComeToTheLocalFolderOnceAsOneSet) {
    AppDataGuard::set("LocalAppData", (scratch.path / "Local").string());
    auto path = [](DataFolder folder, const char* name) {
        char text[path_capacity];
        EXPECT_TRUE(data_file_path(text, folder, name));
        return std::string(text);
    };
    make_folder(settings_path(""));
    const std::string header =
        "\xEF\xBB\xBF"
        "date,adapter,hardware,received,sent\r\n";
    write_file(path(DataFolder::roaming, "usage-history.csv"), header + "2026-03-28,eth0,1,7,7\r\n");
    write_file(path(DataFolder::roaming, "usage-history.bad.csv"), "set aside");
    write_file(
        path(DataFolder::roaming, "usage.cfg"),
        "adapter.system_start\t1\nadapter.1.name\teth0\nadapter.1.hardware\t1\nadapter.1.2026-03-29\t5,5\n");
    load_usage();
    EXPECT_EQ(eth0_on("2026-03-28") + " " + eth0_on("2026-03-29"), "7/7 5/5");
    for (const char* name : {"usage.cfg", "usage-history.csv", "usage-history.bad.csv"}) {
        EXPECT_FALSE(file_exists(path(DataFolder::roaming, name).c_str())) << name;
        EXPECT_TRUE(file_exists(path(DataFolder::local, name).c_str())) << name;
    }
    EXPECT_EQ(read_file(path(DataFolder::local, "usage-history.bad.csv")), "set aside");

    const std::string roamed = "adapter.system_start\t1\nadapter.1.name\teth0\nadapter.1.2026-03-20\t9,9\n";
    write_file(path(DataFolder::roaming, "usage.cfg"), roamed);
    end_run();
    load_usage();
    EXPECT_EQ(eth0_on("2026-03-20") + " " + eth0_on("2026-03-29"), "0/0 5/5");
    EXPECT_EQ(read_file(path(DataFolder::roaming, "usage.cfg")), roamed);

    delete_usage();
    EXPECT_FALSE(file_exists(path(DataFolder::roaming, "usage.cfg").c_str()));
    EXPECT_FALSE(file_exists(path(DataFolder::local, "").c_str())) << "the local folder goes once empty";
}

#ifdef _WIN32
// Roamed files that another program holds cannot be removed by the move:
// usage.cfg (read-only here) goes under a name that no version reads for
// counts, and the rest at a later start, but not one that an earlier version
// elsewhere has written again meanwhile.
TEST_F(UsageKeeping, RoamedFilesLeftBehindGoAtALaterStartUnlessWrittenAgain) {
    AppDataGuard::set("LocalAppData", (scratch.path / "Local").string());
    make_folder(settings_path(""));
    const std::string history = file("usage-history.csv"), set_aside = file("usage-history.bad.csv");
    write_file(history,
               "\xEF\xBB\xBF"
               "date,adapter,hardware,received,sent\r\n2026-03-28,eth0,1,7,7\r\n");
    write_file(set_aside, "set aside");
    write_file(file("usage.cfg"), "adapter.system_start\t1\n");
    ASSERT_TRUE(SetFileAttributesA(file("usage.cfg").c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE holders[2];
    for (int i = 0; i < 2; ++i) {
        holders[i] = CreateFileA((i ? set_aside : history).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(holders[i], INVALID_HANDLE_VALUE);
    }
    load_usage();
    end_run();
    for (HANDLE holder : holders) CloseHandle(holder);
    EXPECT_EQ(eth0_on("2026-03-28"), "7/7");
    EXPECT_FALSE(file_exists(file("usage.cfg").c_str()));
    EXPECT_EQ(read_file(file("usage.moved-2026-03-30-120000.cfg")), "adapter.system_start\t1\n");
    EXPECT_TRUE(file_exists(history.c_str()) && file_exists(set_aside.c_str()));

    write_file(history, "an earlier version's");
    load_usage();
    end_run();
    EXPECT_FALSE(file_exists(set_aside.c_str()));
    EXPECT_EQ(read_file(history), "an earlier version's");
    char local[path_capacity];
    ASSERT_TRUE(data_file_path(local, DataFolder::local, "usage.cfg"));
    EXPECT_EQ(read_file(local).find("roaming.left."), std::string::npos) << "nothing is owed any more";
    SetFileAttributesA(file("usage.moved-2026-03-30-120000.cfg").c_str(), FILE_ATTRIBUTE_NORMAL);
}
#endif

// "Export..." writes where the user chose, beside files of other programs
// whose names look like this program's temporary ones: it removes none of
// them, and a failed export leaves nothing of its own.
TEST_F(UsageKeeping, AnExportTouchesNoOtherFile) {
    load_usage();
    const std::string folder = (scratch.path / "Documents").string();
    make_folder((folder + "/").c_str());
    for (const char* name : {"~fffff0", "~cafe.1", "~1234", "~abc.1"}) write_file(folder + "/" + name, name);
    const auto before = scratch.contents();
    bool went = false;
    auto done = [](bool exported, const char*, void* to) { *static_cast<bool*>(to) = exported; };
    file_replacer = [](const char*, const char*) { return ReplaceResult::failed; };
    export_usage((folder + "/usage.csv").c_str(), done, &went);
    file_replacer = replace_file;
    EXPECT_FALSE(went);
    EXPECT_EQ(scratch.contents(), before);
    export_usage((folder + "/usage.csv").c_str(), done, &went);
    EXPECT_TRUE(went);
    auto after = before;
    after.push_back("Documents/usage.csv");
    std::sort(after.begin(), after.end());
    EXPECT_EQ(scratch.contents(), after);
}

// Exports asked for while the worker is busy queue behind one another: each
// is written with the counts of its moment, in the order asked, and reported.
TEST_F(UsageKeeping, ExportsQueueAndEachIsWrittenAndReported) {
    load_usage();
    static std::vector<std::string> reported;
    auto done = [](bool exported, const char* path, void*) {
        reported.push_back(exported ? path : "failed");
    };
    const std::string first = scratch.file("first.csv"), second = scratch.file("second.csv");
    hold_saves(true);
    export_usage(first.c_str(), done, nullptr);
    scripted_add_counts(eth, 4, 4);
    keep_usage(0);
    keep_usage(usage_read_interval_ns);
    export_usage(second.c_str(), done, nullptr);
    run_held_saves();
    hold_saves(false);
    EXPECT_EQ(reported, (std::vector<std::string>{first, second}));
    EXPECT_EQ(read_file(second), read_file(first) + "2026-03-30,eth0,1,4,4\r\n");
}

// Three adapters busy all day, a tick every 5 s from noon to noon: the history
// is written once, at midnight, and everything together stays far below 4 KB
// a minute.
TEST_F(UsageKeeping, ADayOfCountingWritesTheHistoryOnceAndLittleElse) {
    // What is written counts here, not how long the disk takes to keep it.
    file_flusher = [](std::FILE*) { return true; };
    struct Restore {
        ~Restore() { file_flusher = flush_file_to_disk; }
    } restore;
    const int wifi = scripted_add("Wireless Network Adapter #2, the fast one", true);
    load_usage();
    const std::uint64_t bytes_before = saved_file_bytes;
    constexpr std::int64_t tick_ns = 5'000'000'000;
    constexpr int ticks_per_day = 24 * 3600 / 5;
    std::string history_at_midnight;
    for (int tick = 1; tick <= ticks_per_day; ++tick) {
        scripted_add_counts(eth, 5'000'000, 500'000);
        scripted_add_counts(wifi, 1'000'000, 100'000);
        scripted_add_counts(1, 1000, 1000);
        if (tick == ticks_per_day / 2) today = "2026-03-31";
        keep_usage(tick * tick_ns);
        if (tick == ticks_per_day / 2 + 2) history_at_midnight = read_file(file("usage-history.csv"));
        if (tick == ticks_per_day / 2 - 2) {
            EXPECT_FALSE(file_exists(file("usage-history.csv").c_str()));
        }
    }
    EXPECT_NE(history_at_midnight.find("2026-03-30,eth0,1,"), std::string::npos);
    EXPECT_EQ(read_file(file("usage-history.csv")), history_at_midnight)
        << "not rewritten before the next date";
    const double per_minute = static_cast<double>(saved_file_bytes - bytes_before) / (24 * 60);
    EXPECT_LT(per_minute, 1024.0);
    std::printf("a day of counting three adapters wrote %.0f bytes a minute\n", per_minute);
    EXPECT_EQ(usage_between("*", date("2026-03-30"), date("2026-03-31")).received,
              6'000'000ull * (ticks_per_day - 1))
        << "every byte after the first reading, on one date or the other";
}

}  // namespace
