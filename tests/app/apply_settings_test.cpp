// Loading, applying, saving and deleting the settings against a real Main
// window, each test with its own "AppData" folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/app.h"
#include "app/apply_settings.h"
#include "app/file_watch.h"
#include "app/main_window_fixture.h"
#include "app/notification_area.h"
#include "app/notification_icon.h"
#include "app/window_options.h"
#include "app/window_placement.h"
#include "graph/themes.h"
#include "monitor/clock.h"
#include "monitor/traffic_graph.h"
#include "monitor/usage_history.h"
#include "resources/resource.h"
#include "settings/save_worker.h"
#include "settings/setting_values.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "settings/settings_reading.h"
#include "settings/settings_store.h"
#include "settings/usage_keeping.h"
#include "support/message_pump.h"
#include "support/scripted_counters.h"

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

constexpr char greeting_text[] =
    "This seems to be your first time running mivrel.\n"
    "\n"
    "You can customize mivrel by right clicking its window\n"
    "or icon and then selecting \"Configure\".\n"
    "\n"
    "I hope you find this program useful.  Thanks for trying it.  :)";

// A file of a returning user: no greeting, and a delay long enough that no
// tick changes `scale_max` while a test runs a modal loop.
Pairs returning_user() {
    return {{"app.left", "120"},
            {"app.top", "90"},
            {"app.width", "300"},
            {"app.height", "100"},
            {"app.always_on_top", "0"},
            {"app.alpha", "255"},
            {"graph.delay", "60000"},
            {"graph.locked_max", "1"},
            {"graph.locked_max_value", "4096"},
            {"graph.theme", "Classic Pale"},
            {"graph.dependent_text_color", "1"},
            {"app.starts", "4"}};
}

Pairs with(Pairs pairs, const std::string& key, const std::string& value) {
    for (auto& pair : pairs) {
        if (pair.first == key) {
            pair.second = value;
            return pairs;
        }
    }
    pairs.emplace_back(key, value);
    return pairs;
}

std::string stored(const char* key) {
    const Setting* setting = find_setting(key);
    return setting ? setting->value : "<missing>";
}

std::string describe(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) +
           "x" + std::to_string(r.bottom - r.top);
}

// A process that has run and ended: its id names no running process.
unsigned long ended_process_id() {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    char command[] = "cmd.exe /c exit 0";
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process))
        return 0;
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return process.dwProcessId;
}

int greetings(const ModalDriver& modals) {
    int count = 0;
    for (const SeenModal& seen : modals.seen) count += seen.caption == "mivrel greeting";
    return count;
}

// --- First run --------------------------------------------------------------

using FirstRun = MainWindowTest;

TEST_F(FirstRun, AppliesEveryDefault) {
    ASSERT_NE(open_window(), nullptr);
    EXPECT_EQ(describe(window_rect()), "10,10 200x80");
    EXPECT_TRUE(extended_style() & WS_EX_TOPMOST);
    EXPECT_FALSE(extended_style() & WS_EX_LAYERED);
    EXPECT_EQ(alpha, 255);
    EXPECT_EQ(traffic_graph.download_interface[0], '\0');
    EXPECT_EQ(traffic_graph.upload_interface[0], '\0');
    EXPECT_EQ(traffic_graph.delay, 1000);
    EXPECT_FALSE(traffic_graph.locked_max);
    EXPECT_EQ(traffic_graph.scale_max, 512000);
    EXPECT_STREQ(traffic_graph.theme_name, "Zombie Mocha");
    ASSERT_NE(find_theme("Zombie Mocha"), nullptr);
    EXPECT_TRUE(traffic_graph.colors == *find_theme("Zombie Mocha"));
    EXPECT_FALSE(traffic_graph.dependent_text_color);
    // Every default is stored, the interfaces excepted.
    EXPECT_EQ(stored_pairs(),
              (std::vector<std::string>{"app.left=10", "app.top=10", "app.width=200", "app.height=80",
                                        "app.always_on_top=1", "app.alpha=255", "graph.delay=1000",
                                        "graph.locked_max=0", "graph.locked_max_value=512000",
                                        "graph.theme=Zombie Mocha", "graph.dependent_text_color=0",
                                        "graph.rate_units=bytes", "app.tray_icon=icon", "app.starts=0"}));
    EXPECT_FALSE(settings_file_exists()) << "loading writes no setting";
    EXPECT_TRUE(std::filesystem::exists(settings_folder() + "\\usage.cfg"))
        << "the first reading's counters are kept at once";
}

TEST_F(FirstRun, GreetsThenOffersTheConfigurationBeforeTheWindowAndIconExist) {
    modals.queue_answer(IDOK);
    ASSERT_NE(open_window(), nullptr);
    ASSERT_GE(modals.seen.size(), 1u);
    const SeenModal& greeting = modals.seen[0];
    EXPECT_EQ(greeting.window_class, "#32770");
    EXPECT_EQ(greeting.caption, "mivrel greeting");
    EXPECT_EQ(greeting.text, greeting_text);
    EXPECT_TRUE(greeting.has_ok);
    EXPECT_FALSE(greeting.has_cancel);
    EXPECT_FALSE(greeting.main_window_visible);
    EXPECT_FALSE(greeting.icon_added);
    // The Configuration dialog follows once its template exists.
    ASSERT_LE(modals.seen.size(), 2u);
    if (modals.seen.size() == 2) {
        EXPECT_EQ(modals.seen[1].window_class, "#32770");
        EXPECT_EQ(modals.seen[1].caption, "Configuration");
        EXPECT_FALSE(modals.seen[1].main_window_visible);
        EXPECT_FALSE(modals.seen[1].icon_added);
    }
    EXPECT_EQ(notify_icon_data.hWnd, window) << "the icon is added once the first-run dialogs have closed";
}

TEST_F(FirstRun, FirstSaveWritesEveryKeyInItsOrder) {
    ASSERT_NE(open_window(), nullptr);
    EXPECT_TRUE(save_settings());
    EXPECT_EQ(read_settings(), settings_lines({{"app.left", "10"},
                                               {"app.top", "10"},
                                               {"app.width", "200"},
                                               {"app.height", "80"},
                                               {"app.always_on_top", "1"},
                                               {"app.alpha", "255"},
                                               {"graph.delay", "1000"},
                                               {"graph.locked_max", "0"},
                                               {"graph.locked_max_value", "512000"},
                                               {"graph.theme", "Zombie Mocha"},
                                               {"graph.dependent_text_color", "0"},
                                               {"graph.rate_units", "bytes"},
                                               {"app.tray_icon", "icon"},
                                               {"app.starts", "1"},
                                               {"device.in", ""},
                                               {"device.out", ""}}));
    EXPECT_EQ(folder.contents(),
              (std::vector<std::string>{"mivrel", "mivrel/settings.cfg", "mivrel/usage.cfg"}));
}

TEST_F(FirstRun, SaveCreatesMissingFolders) {
    const std::string app_data = folder.file("not") + "\\made\\yet";
    AppDataGuard::set("AppData", app_data);
    ASSERT_NE(open_window(), nullptr);
    EXPECT_TRUE(save_settings());
    EXPECT_NE(read_file(app_data + "\\mivrel\\settings.cfg").find("app.starts\t1\n"), std::string::npos);
}

// A user folder the ANSI code page cannot spell reads there as another path.
TEST_F(FirstRun, SavesAndLoadsUnderAFolderTheCodePageCannotSpell) {
    const std::wstring app_data = folder.path.wstring() + L"\\\u0141ukasz \u017B\u00F3\u0142\u0107 \u674E";
    ASSERT_TRUE(CreateDirectoryW(app_data.c_str(), nullptr));
    ASSERT_TRUE(SetEnvironmentVariableW(L"AppData", app_data.c_str()));
    ASSERT_NE(open_window(), nullptr);
    EXPECT_TRUE(save_settings());
    const std::wstring file = app_data + L"\\mivrel\\settings.cfg";
    const DWORD attributes = GetFileAttributesW(file.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY));
    close_window();
    ASSERT_NE(open_window(), nullptr);
    EXPECT_EQ(stored("app.starts"), "2") << "both saves, read back";
    EXPECT_EQ(greetings(modals), 1);
    close_window();
    std::error_code failed;
    std::filesystem::remove_all(std::filesystem::path(app_data), failed);
    EXPECT_FALSE(failed) << failed.message();
}

// "AppData" that cannot hold the settings path: nothing is read or written
// anywhere else in its place.
TEST_F(FirstRun, AppDataTooLongGivesDefaultsAndSavesNothing) {
    std::string app_data = folder.path.string() + "\\";
    app_data += std::string(300 - app_data.size(), 'a');
    AppDataGuard::set("AppData", app_data);
    ASSERT_NE(open_window(), nullptr);
    EXPECT_EQ(describe(window_rect()), "10,10 200x80");
    EXPECT_STREQ(traffic_graph.theme_name, "Zombie Mocha");
    EXPECT_EQ(greetings(modals), 1);
    EXPECT_FALSE(save_settings());
    EXPECT_TRUE(folder.contents().empty());
    std::error_code ignored;
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / "mivrel", ignored));
    close_window();
    EXPECT_TRUE(folder.contents().empty()) << "the destruction's save writes nothing either";
}

// 239 characters of "AppData" leave just room for the rest of the file's path;
// with one more, the save must not even make the folder.
TEST_F(FirstRun, AppDataAtTheLengthLimit) {
    for (std::size_t length : {239u, 240u, 245u}) {
        SCOPED_TRACE(length);
        std::string app_data = folder.path.string() + "\\";
        app_data += std::string(length - app_data.size(), 'a');
        AppDataGuard::set("AppData", app_data);
        ASSERT_NE(open_window(), nullptr);
        const bool fits = length == 239;
        EXPECT_EQ(save_settings(), fits);
        EXPECT_EQ(folder.contents().empty(), !fits);
        if (fits) {
            EXPECT_NE(read_file(app_data + "\\mivrel\\settings.cfg").find("app.starts\t1\n"),
                      std::string::npos);
        }
        close_window();
        std::filesystem::remove_all(app_data);
    }
}

// The shell makes absolute folders only: without "AppData" the settings folder
// lies under the working folder, and was never made.
TEST_F(FirstRun, WithoutAppDataTheFolderIsMadeUnderTheWorkingFolder) {
    const std::filesystem::path working = std::filesystem::current_path();
    SetEnvironmentVariableA("AppData", nullptr);
    std::filesystem::current_path(folder.path);
    const bool opened = open_window() != nullptr;
    const bool saved = opened && save_settings();
    close_window();  // its save goes there too
    std::filesystem::current_path(working);
    ASSERT_TRUE(opened);
    EXPECT_TRUE(saved);
    EXPECT_NE(read_settings().find("app.starts\t2\n"), std::string::npos) << "both saves land there";
}

// --- Values read from the file ----------------------------------------------

using LoadSettings = MainWindowTest;

TEST_F(LoadSettings, AppliesAReturningUsersFile) {
    write_settings(settings_lines(returning_user()));
    ASSERT_NE(open_window(), nullptr);
    EXPECT_EQ(describe(window_rect()), "120,90 300x100");
    EXPECT_FALSE(extended_style() & WS_EX_TOPMOST);
    EXPECT_EQ(traffic_graph.delay, 60000);
    EXPECT_TRUE(traffic_graph.locked_max);
    EXPECT_EQ(traffic_graph.scale_max, 4096);
    EXPECT_STREQ(traffic_graph.theme_name, "Classic Pale");
    EXPECT_TRUE(traffic_graph.colors == *find_theme("Classic Pale"));
    EXPECT_TRUE(traffic_graph.dependent_text_color);
    EXPECT_TRUE(modals.seen.empty());
}

TEST_F(LoadSettings, AlphaUsesItsLowEightBits) {
    const struct {
        const char* text;
        int alpha;
    } cases[] = {{"300", 44}, {"0", 0}, {"128", 128}, {"-1", 255}, {"255", 255}, {"511", 255}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        write_settings(settings_lines(with(returning_user(), "app.alpha", c.text)));
        ASSERT_NE(open_window(), nullptr);
        EXPECT_EQ(alpha, c.alpha);
        BYTE layered_alpha = 0;
        DWORD flags = 0;
        if (c.alpha == 255) {
            EXPECT_FALSE(extended_style() & WS_EX_LAYERED);
        } else {
            EXPECT_TRUE(extended_style() & WS_EX_LAYERED);
            ASSERT_TRUE(GetLayeredWindowAttributes(window, nullptr, &layered_alpha, &flags));
            EXPECT_EQ(layered_alpha, c.alpha);
            EXPECT_TRUE(flags & LWA_ALPHA);
        }
        EXPECT_TRUE(extended_style() & WS_EX_TOOLWINDOW);
        close_window();
    }
}

TEST_F(LoadSettings, GreetsOnlyWhenStartsReadsAsZero) {
    const struct {
        const char* text;
        bool greeted;
    } cases[] = {{"-1", false}, {"1", false},    {"17 saves", false},
                 {"0", true},   {"never", true}, {"+0", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        modals.seen.clear();
        write_settings(settings_lines(with(returning_user(), "app.starts", c.text)));
        ASSERT_NE(open_window(), nullptr);
        EXPECT_EQ(greetings(modals), c.greeted ? 1 : 0);
        EXPECT_EQ(stored("app.starts"), c.text) << "loading leaves the count alone";
        close_window();
    }
}

TEST_F(LoadSettings, LockedMaxFiveIsOnAndSavedAsOne) {
    write_settings(settings_lines(with(returning_user(), "graph.locked_max", "5")));
    ASSERT_NE(open_window(), nullptr);
    EXPECT_TRUE(traffic_graph.locked_max);
    EXPECT_TRUE(save_settings());
    EXPECT_NE(read_settings().find("\ngraph.locked_max\t1\n"), std::string::npos);
}

// Texts of the 32-bit range read as they always did.
TEST_F(LoadSettings, LockedValuesBeyond32BitsSurviveLoadAndSave) {
    const struct {
        const char* text;
        std::int64_t value;
        const char* saved;
    } cases[] = {{"6442450944", INT64_C(6442450944), "6442450944"},
                 {" +4096 B/s", 4096, "4096"},
                 {"-2147483648", INT32_MIN, "-2147483648"},
                 {"99999999999999999999", INT64_MAX, "9223372036854775807"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        write_settings(settings_lines(with(returning_user(), "graph.locked_max_value", c.text)));
        ASSERT_NE(open_window(), nullptr);
        EXPECT_EQ(traffic_graph.scale_max, c.value);
        EXPECT_TRUE(save_settings());
        EXPECT_NE(read_settings().find(std::string("\ngraph.locked_max_value\t") + c.saved + "\n"),
                  std::string::npos);
        close_window();
    }
}

// "Custom" and a name in other letter case are no theme: the creation colours
// stay, and the name goes back to the file as it was.
TEST_F(LoadSettings, NamesOfNoThemeKeepTheCreationColours) {
    const ColorSet* classic = find_theme("Classic");
    ASSERT_NE(classic, nullptr);
    for (const char* name : {"Custom", "classic", "zombie mocha", "No Such Theme"}) {
        SCOPED_TRACE(name);
        write_settings(settings_lines(with(returning_user(), "graph.theme", name)));
        ASSERT_NE(open_window(), nullptr);
        EXPECT_STREQ(traffic_graph.theme_name, name);
        EXPECT_TRUE(traffic_graph.colors == *classic);
        EXPECT_TRUE(save_settings());
        EXPECT_NE(read_settings().find(std::string("\ngraph.theme\t") + name + "\n"), std::string::npos);
        close_window();
    }
}

TEST_F(LoadSettings, LongThemeNameKeepsSixtyThreeCharacters) {
    const std::string name = "Theme" + std::string(65, 'x');
    ASSERT_EQ(name.size(), 70u);
    write_settings(settings_lines(with(returning_user(), "graph.theme", name)));
    ASSERT_NE(open_window(), nullptr);
    EXPECT_EQ(std::string(traffic_graph.theme_name), name.substr(0, 63));
    EXPECT_TRUE(save_settings());
    EXPECT_NE(read_settings().find("\ngraph.theme\t" + name.substr(0, 63) + "\n"), std::string::npos);
}

TEST_F(LoadSettings, InterfacesAreSelectedOnlyWhenPresent) {
    write_settings(settings_lines(with(with(returning_user(), "device.in", "*"), "device.out", "*")));
    ASSERT_NE(open_window(), nullptr);
    EXPECT_STREQ(traffic_graph.download_interface, "*");
    EXPECT_STREQ(traffic_graph.upload_interface, "*");
}

// A file that a backup holds at logon (share mode 0) is no first run and is
// never written over: the defaults run without a greeting, a balloon names
// the file, and a dialog's OK asks first and, answered No, writes nothing.
// Once the holder lets go, the file's values hold, its data plan included,
// but for what the user chose in the dialog. A balloon that the taskbar
// refuses (at logon) comes at a later tick.
TEST_F(LoadSettings, AFileHeldAtStartIsReadLateAndNeverWrittenOver) {
    struct Guard {
        ShellNotifyIcon real = shell_notify_icon;
        ~Guard() { shell_notify_icon = real; }
    } guard;
    shell_notify_icon = balloon_shell;
    balloons.clear();
    const std::string file_bytes = settings_lines(with(returning_user(), "plan.limit_mb", "50000"));
    write_settings(file_bytes);
    HANDLE holder = CreateFileA(settings_file().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    {
        SaveDeadlineScope brief_wait(monotonic_ns() + 100'000'000);
        ASSERT_NE(open_window(), nullptr);
    }
    EXPECT_TRUE(modals.seen.empty()) << "no greeting";
    EXPECT_EQ(describe(window_rect()), "10,10 200x80");
    EXPECT_STREQ(traffic_graph.theme_name, "Zombie Mocha");
    balloon_refusals = 1;
    EXPECT_FALSE(watch_files(monotonic_ns()));
    EXPECT_TRUE(balloons.empty());
    EXPECT_FALSE(watch_files(monotonic_ns()));
    EXPECT_EQ(balloons,
              std::vector<std::string>{"mivrel: " + settings_file() +
                                       " could not be read: another program may be holding it. mivrel "
                                       "runs on the default settings, leaves the file as it is and "
                                       "reads it as soon as it can."});

    alpha = 200;  // the Configuration dialog's choice
    modals.queue_answer(IDNO);
    SendMessageA(window, settings_confirmed_message, 0, 0);
    ASSERT_EQ(modals.seen.size(), 1u);
    EXPECT_TRUE(modals.seen[0].has_yes_no);
    EXPECT_NE(modals.seen[0].text.find("could not read settings.cfg"), std::string::npos);
    CloseHandle(holder);
    EXPECT_FALSE(save_settings()) << "not before it has been read";
    EXPECT_EQ(read_settings(), file_bytes);

    EXPECT_TRUE(watch_files(monotonic_ns() + unread_retry_interval_ns));
    EXPECT_EQ(describe(window_rect()), "120,90 300x100");
    EXPECT_STREQ(traffic_graph.theme_name, "Classic Pale");
    EXPECT_EQ(traffic_graph.delay, 60000);
    EXPECT_EQ(data_plan.limit_mb, 50000);
    EXPECT_EQ(alpha, 200) << "the user's choice holds";
    close_window();
    const std::string saved = read_settings();
    for (const char* line : {"\napp.alpha\t200\n", "\ngraph.theme\tClassic Pale\n",
                             "\nplan.limit_mb\t50000\n", "\napp.starts\t5\n"})
        EXPECT_NE(saved.find(line), std::string::npos) << line << saved;

    char text[notice_text_size];
    format_file_notice(text, FileNotice::counts_unwritten,
                       ("C:\\" + std::string(300, 'x') + "\\mivrel\\").c_str());
    EXPECT_EQ(std::string(text).size(), 255u);
    EXPECT_EQ(std::string(text).find("The traffic counts could not be saved in C:\\xxx"), 0u) << text;
    EXPECT_NE(std::string(text).find("xxx...xxx"), std::string::npos) << text;
    EXPECT_NE(std::string(text).find("xxx\\mivrel\\. mivrel keeps them"), std::string::npos) << text;
}

// Answered Yes at the warning, a dialog's OK replaces the unread file with
// this run's settings, and a read that comes after changes nothing.
TEST_F(LoadSettings, AFileHeldAtStartIsReplacedWhenTheUserSaysSo) {
    write_settings(settings_lines(returning_user()));
    HANDLE holder = CreateFileA(settings_file().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    {
        SaveDeadlineScope brief_wait(monotonic_ns() + 100'000'000);
        ASSERT_NE(open_window(), nullptr);
    }
    CloseHandle(holder);
    modals.queue_answer(IDYES);
    SendMessageA(window, settings_confirmed_message, 0, 0);
    ASSERT_EQ(modals.seen.size(), 1u);
    EXPECT_NE(read_settings().find("\ngraph.theme\tZombie Mocha\n"), std::string::npos) << read_settings();
    EXPECT_FALSE(watch_files(monotonic_ns() + unread_retry_interval_ns));
    EXPECT_STREQ(traffic_graph.theme_name, "Zombie Mocha");
}

// --- Saving -----------------------------------------------------------------

using SaveSettings = MainWindowTest;

// Order, values and unknown keys of an existing file survive; missing keys go
// behind them, and the count of saves goes up by one.
TEST_F(SaveSettings, KeepsTheFilesOrderAndUnknownKeys) {
    write_settings(settings_lines({{"graph.theme", "Classic"},
                                   {"some.future_key", "kept as it is"},
                                   {"app.starts", "41"},
                                   {"app.left", "33"},
                                   {"device.in", "*"}}));
    ASSERT_NE(open_window(), nullptr);
    EXPECT_TRUE(save_settings());
    EXPECT_EQ(read_settings(), settings_lines({{"graph.theme", "Classic"},
                                               {"some.future_key", "kept as it is"},
                                               {"app.starts", "42"},
                                               {"app.left", "33"},
                                               {"device.in", "*"},
                                               {"app.top", "10"},
                                               {"app.width", "200"},
                                               {"app.height", "80"},
                                               {"app.always_on_top", "1"},
                                               {"app.alpha", "255"},
                                               {"graph.delay", "1000"},
                                               {"graph.locked_max", "0"},
                                               {"graph.locked_max_value", "512000"},
                                               {"graph.dependent_text_color", "0"},
                                               {"graph.rate_units", "bytes"},
                                               {"app.tray_icon", "icon"},
                                               {"device.out", ""}}));
}

// The next start can still be restored: the place to come back to is kept.
TEST_F(SaveSettings, MaximisedWindowIsSavedWithItsRestoredRectangle) {
    write_settings(settings_lines(returning_user()));
    ASSERT_NE(open_window(), nullptr);
    const RECT normal = window_rect();
    ShowWindow(window, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(window));
    const RECT maximised = window_rect();
    EXPECT_GT(maximised.right - maximised.left, 300) << describe(maximised);
    EXPECT_TRUE(save_settings());
    close_window();

    ASSERT_NE(open_window(), nullptr);
    EXPECT_FALSE(IsZoomed(window)) << "it comes back as a normal window";
    EXPECT_EQ(describe(window_rect()), describe(normal));
}

TEST_F(SaveSettings, EmptyInterfacesAreWrittenAndThenSkipped) {
    write_settings(settings_lines(returning_user()));
    ASSERT_NE(open_window(), nullptr);
    EXPECT_TRUE(save_settings());
    const std::string saved = read_settings();
    EXPECT_NE(saved.find("\ndevice.in\t\ndevice.out\t\n"), std::string::npos) << saved;
    close_window();

    ASSERT_NE(open_window(), nullptr);
    EXPECT_EQ(find_setting("device.in"), nullptr);
    EXPECT_EQ(find_setting("device.out"), nullptr);
    EXPECT_EQ(traffic_graph.download_interface[0], '\0');
    EXPECT_EQ(traffic_graph.upload_interface[0], '\0');
}

// While another program holds the file open without letting it be replaced,
// the save fails and the old file stays whole, with no temporary file left.
TEST_F(SaveSettings, FailedReplaceLeavesTheOldFileWhole) {
    const std::string old_bytes = settings_lines(returning_user());
    write_settings(old_bytes);
    ASSERT_NE(open_window(), nullptr);
    HANDLE holder = CreateFileA(settings_file().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(save_settings());
    CloseHandle(holder);
    EXPECT_EQ(read_settings(), old_bytes);
    EXPECT_EQ(folder.contents(),
              (std::vector<std::string>{"mivrel", "mivrel/settings.cfg", "mivrel/usage.cfg"}));

    EXPECT_TRUE(save_settings()) << "the next save goes through";
    EXPECT_NE(read_settings().find("app.starts\t6\n"), std::string::npos) << "two saves counted";
}

// A scanner or indexer lets go of the file soon after: the save waits for it.
TEST_F(SaveSettings, ReplaceWaitsForAProgramThatLetsGo) {
    write_settings(settings_lines(returning_user()));
    ASSERT_NE(open_window(), nullptr);
    HANDLE holder = CreateFileA(settings_file().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    std::thread releaser([holder] {
        Sleep(300);
        CloseHandle(holder);
    });
    const bool saved = save_settings();
    releaser.join();
    EXPECT_TRUE(saved);
    EXPECT_NE(read_settings().find("app.starts\t5\n"), std::string::npos);
    EXPECT_EQ(folder.contents(),
              (std::vector<std::string>{"mivrel", "mivrel/settings.cfg", "mivrel/usage.cfg"}));
}

// The minute's save is the worker's: however long another program holds
// usage.cfg, the window's thread never tries the replace itself.
DWORD replacing_thread = 0;
HANDLE replace_tried = nullptr;

TEST_F(SaveSettings, AHeldUsageFileIsWaitedForOffTheWindowsThread) {
    write_settings(settings_lines(returning_user()));
    ASSERT_NE(open_window(), nullptr);
    HANDLE holder = CreateFileA((settings_folder() + "\\usage.cfg").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    replace_tried = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    file_replacer = [](const char* from, const char* to) {
        replacing_thread = GetCurrentThreadId();
        SetEvent(replace_tried);
        return replace_file(from, to);
    };
    start_save_worker();
    usage_count.changed = true;
    const std::int64_t start = monotonic_ns();
    keep_usage(start);
    keep_usage(start + usage_write_interval_ns);
    EXPECT_EQ(WaitForSingleObject(replace_tried, 10000), WAIT_OBJECT_0);
    EXPECT_NE(replacing_thread, GetCurrentThreadId());
    CloseHandle(holder);
    EXPECT_TRUE(wait_for_saves(monotonic_ns() + 10'000'000'000));
    stop_save_worker();
    file_replacer = replace_file;
    CloseHandle(replace_tried);
    EXPECT_NE(read_file(settings_folder() + "\\usage.cfg").find("adapter.system_start"), std::string::npos)
        << "written once let go";
}

TEST_F(SaveSettings, ResetGraphPositionMovesAndStoresWithoutWriting) {
    const std::string old_bytes = settings_lines(returning_user());
    write_settings(old_bytes);
    ASSERT_NE(open_window(), nullptr);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_RESET_POSITION, 0), 0);
    EXPECT_EQ(describe(window_rect()), "10,10 200x80");
    EXPECT_EQ(stored("app.left"), "10");
    EXPECT_EQ(stored("app.top"), "10");
    EXPECT_EQ(stored("app.width"), "200");
    EXPECT_EQ(stored("app.height"), "80");
    EXPECT_EQ(read_settings(), old_bytes);
}

// Maximised, shown or hidden, the window is given the default place, sized for
// the DPI of the screen that holds it (144) rather than its own (96); the next
// save keeps that place.
TEST_F(SaveSettings, ResetGraphPositionOfAMaximisedWindowLasts) {
    const MonitorDpiReader real = monitor_dpi_at;
    monitor_dpi_at = [](POINT) { return 144; };
    for (bool shown : {true, false}) {
        write_settings(settings_lines(returning_user()));
        ASSERT_NE(open_window(), nullptr);
        ShowWindow(window, SW_MAXIMIZE);
        if (!shown) ShowWindow(window, SW_HIDE);
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_RESET_POSITION, 0), 0);
        EXPECT_EQ(IsZoomed(window) != FALSE, !shown);
        EXPECT_EQ(IsWindowVisible(window) != FALSE, shown);
        close_window();
        EXPECT_NE(read_settings().find("app.left\t15\napp.top\t15\napp.width\t300\napp.height\t120\n"),
                  std::string::npos)
            << read_settings();
    }
    monitor_dpi_at = real;
}

// A delay below the platform's shortest timer period, even below zero, ticks
// at that period: a negative one used to become a period of weeks.
TEST_F(LoadSettings, NoStoredDelayStopsTheTicks) {
    for (const char* delay : {"-1", "-2147483648", "0"}) {
        write_settings(settings_lines(with(returning_user(), "graph.delay", delay)));
        ASSERT_NE(open_window(), nullptr);
        EXPECT_EQ(traffic_graph.delay, read_setting_int(delay));
        EXPECT_TRUE(pump_until([] { return traffic_graph.count > 0; }, 5000)) << delay << ": no tick";
        close_window();
    }
}

// --- The window's end -------------------------------------------------------

using WindowEnd = MainWindowTest;

TEST_F(WindowEnd, DestructionSavesOnce) {
    write_settings(settings_lines(returning_user()));
    ASSERT_NE(open_window(), nullptr);
    MoveWindow(window, 50, 60, 250, 90, TRUE);
    DestroyWindow(window);
    EXPECT_TRUE(take_quit_message());
    EXPECT_EQ(read_settings(), settings_lines({{"app.left", "50"},
                                               {"app.top", "60"},
                                               {"app.width", "250"},
                                               {"app.height", "90"},
                                               {"app.always_on_top", "0"},
                                               {"app.alpha", "255"},
                                               {"graph.delay", "60000"},
                                               {"graph.locked_max", "1"},
                                               {"graph.locked_max_value", "4096"},
                                               {"graph.theme", "Classic Pale"},
                                               {"graph.dependent_text_color", "1"},
                                               {"app.starts", "5"},
                                               {"graph.rate_units", "bytes"},
                                               {"app.tray_icon", "icon"},
                                               {"device.in", ""},
                                               {"device.out", ""}}));
}

TEST_F(WindowEnd, EndOfLogonSavesOnlyWhenItGoesAhead) {
    const std::string old_bytes = settings_lines(returning_user());
    write_settings(old_bytes);
    ASSERT_NE(open_window(), nullptr);
    EXPECT_EQ(SendMessageA(window, WM_ENDSESSION, FALSE, 0), 0);
    EXPECT_EQ(read_settings(), old_bytes);

    EXPECT_EQ(SendMessageA(window, WM_ENDSESSION, TRUE, 0), 0);
    EXPECT_NE(read_settings().find("app.starts\t5\n"), std::string::npos);
    EXPECT_TRUE(IsWindow(window)) << "the window stays until the platform ends the process";
    EXPECT_FALSE(take_quit_message());
}

// The local date under the test's control while it lives.
struct LocalDate {
    explicit LocalDate(const char* date) {
        set(date);
        read_local_date = [](char(&text)[11]) { std::snprintf(text, sizeof text, "%s", shown); };
    }
    ~LocalDate() { read_local_date = real; }
    void set(const char* date) { shown = date; }
    static inline const char* shown = "";
    LocalDateReader real = read_local_date;
};

// The history takes every date at each end of a run, the window's or the
// logon's, after which the platform may end the process at any moment. Each
// window starts on an empty scripted table: the adapter comes after the
// start's reading, its counters going on from run to run.
TEST_F(WindowEnd, TheHistoryTakesEveryDateAtEachEnd) {
    LocalDate today("2026-03-30");
    write_settings(settings_lines(returning_user()));
    const std::string history = settings_folder() + "\\usage-history.csv";
    const std::string header =
        "\xEF\xBB\xBF"
        "date,adapter,hardware,received,sent\r\n";
    ASSERT_NE(open_window(), nullptr);
    scripted_set_counts(scripted_add("eth0", true), 100, 10);
    DestroyWindow(window);
    EXPECT_TRUE(take_quit_message());
    EXPECT_EQ(read_file(history), header + "2026-03-30,eth0,1,100,10\r\n");

    ASSERT_NE(open_window(), nullptr);
    scripted_set_counts(scripted_add("eth0", true), 120, 12);
    EXPECT_EQ(SendMessageA(window, WM_ENDSESSION, TRUE, 0), 0);
    EXPECT_EQ(read_file(history), header + "2026-03-30,eth0,1,120,12\r\n");
    close_window();

    today.set("2026-03-31");
    ASSERT_NE(open_window(), nullptr);
    scripted_set_counts(scripted_add("eth0", true), 123, 15);
    close_window();
    EXPECT_EQ(read_file(history), header + "2026-03-30,eth0,1,120,12\r\n2026-03-31,eth0,1,3,3\r\n");
}

// Before the system sleeps the counts up to that moment are saved on their own
// date; when it wakes, a reading comes at once.
TEST_F(WindowEnd, SleepKeepsTheLastSecondsOnTheirDate) {
    LocalDate today("2026-03-30");
    write_settings(settings_lines(returning_user()));
    ASSERT_NE(open_window(), nullptr);
    const int eth = scripted_add("eth0", true);
    scripted_set_counts(eth, 500, 50);
    EXPECT_EQ(SendMessageA(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0), TRUE);
    EXPECT_NE(read_file(settings_folder() + "\\usage.cfg").find(".2026-03-30\t500,50\n"), std::string::npos);
    today.set("2026-03-31");
    scripted_add_counts(eth, 7, 7);
    EXPECT_EQ(SendMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0), TRUE);
    DayNumber day = 0;
    ASSERT_TRUE(parse_iso_date("2026-03-31", &day));
    EXPECT_EQ(usage_between("eth0", day, day).received, 7u);
}

TEST_F(WindowEnd, ResetConfigAnsweredYesLeavesNoFileNorFolder) {
    write_settings(settings_lines(returning_user()));
    write_file(settings_folder() + "\\usage.cfg", "usage.day_in\t5\n");
    write_file(settings_folder() + "\\usage-history.csv", "date,adapter,hardware,received,sent\r\n");
    write_file(settings_folder() + "\\usage-history.bad.csv", "set aside");
    ASSERT_NE(open_window(), nullptr);
    modals.queue_answer(IDYES);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_RESET_CONFIG, 0), 0);
    ASSERT_EQ(modals.seen.size(), 1u);
    EXPECT_EQ(modals.seen[0].caption, "Reset mivrel");
    EXPECT_EQ(modals.seen[0].text, "This will delete the mivrel config file and exit.\r\nAre you sure?");
    EXPECT_TRUE(modals.seen[0].has_yes_no);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(take_quit_message());
    EXPECT_FALSE(settings_file_exists()) << "the destruction wrote it back";
    EXPECT_FALSE(settings_folder_exists());
    EXPECT_EQ(save_on_exit, 0);
}

TEST_F(WindowEnd, ResetConfigKeepsAFolderThatHoldsOtherFiles) {
    write_settings(settings_lines(returning_user()));
    write_file(settings_folder() + "\\notes.txt", "mine");
    ASSERT_NE(open_window(), nullptr);
    modals.queue_answer(IDYES);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_RESET_CONFIG, 0), 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(folder.contents(), (std::vector<std::string>{"mivrel", "mivrel/notes.txt"}));
}

TEST_F(WindowEnd, ResetConfigAnsweredNoChangesNothing) {
    const std::string old_bytes = settings_lines(returning_user());
    write_settings(old_bytes);
    ASSERT_NE(open_window(), nullptr);
    modals.queue_answer(IDNO);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_RESET_CONFIG, 0), 0);
    ASSERT_EQ(modals.seen.size(), 1u);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(take_quit_message());
    EXPECT_EQ(save_on_exit, 1);
    EXPECT_EQ(read_settings(), old_bytes);
    close_window();
    EXPECT_NE(read_settings().find("app.starts\t5\n"), std::string::npos) << "closing still saves";
}

// A save killed between writing and replacing leaves its temporary file: a
// later save and the reset remove it, but never one that a running copy (here,
// this process) is writing.
TEST_F(WindowEnd, LeftoversOfKilledSavesGoButThoseOfRunningCopiesStay) {
    const unsigned long ended = ended_process_id();
    ASSERT_NE(ended, 0u);
    char killed[32], killed_later[32], running[32];
    std::snprintf(killed, sizeof killed, "~%lx.1", ended);
    std::snprintf(killed_later, sizeof killed_later, "~%lx.2", ended);
    std::snprintf(running, sizeof running, "~%lx.7", GetCurrentProcessId());
    write_settings(settings_lines(returning_user()));
    write_file(settings_folder() + "\\" + killed, "app.left\t1\n");
    write_file(settings_folder() + "\\" + running, "app.left\t2\n");
    write_file(settings_folder() + "\\~notes.txt", "not a save");
    ASSERT_NE(open_window(), nullptr);
    EXPECT_TRUE(save_settings());
    EXPECT_EQ(folder.contents(),
              (std::vector<std::string>{"mivrel", "mivrel/settings.cfg", "mivrel/usage.cfg",
                                        std::string("mivrel/") + running, "mivrel/~notes.txt"}));

    DeleteFileA((settings_folder() + "\\" + running).c_str());
    DeleteFileA((settings_folder() + "\\~notes.txt").c_str());
    write_file(settings_folder() + "\\" + killed_later, "app.left\t3\n");
    modals.queue_answer(IDYES);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_RESET_CONFIG, 0), 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(settings_folder_exists());
}

}  // namespace
