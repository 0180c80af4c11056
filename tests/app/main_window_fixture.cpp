#include "app/main_window_fixture.h"

#include "monitor/clock.h"
#include "settings/file_notices.h"
#include "settings/save_worker.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/app.h"
#include "app/main_window.h"
#include "app/notification_area.h"
#include "app/notification_icon.h"
#include "app/program.h"
#include "app/router_readings.h"
#include "app/window_options.h"
#include "monitor/traffic_graph.h"
#include "support/graph_fixture.h"

namespace {

constexpr UINT driver_period_ms = 25;
constexpr DWORD close_limit_ms = 5000;

ModalDriver* active_driver = nullptr;

std::string class_of(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string text_of(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// A message box keeps its text in a static control; its id differs between
// systems, so the longest static text is taken.
BOOL CALLBACK longest_static(HWND child, LPARAM found) {
    auto* longest = reinterpret_cast<std::string*>(found);
    char name[32] = {};
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Static") == 0) {
        std::string text = text_of(child);
        if (text.size() > longest->size()) *longest = text;
    }
    return TRUE;
}

bool visible_child(HWND dialog, int id) {
    HWND child = GetDlgItem(dialog, id);
    return child && IsWindowVisible(child);
}

void record_and_answer(ModalDriver& driver, HWND window, const std::string& window_class) {
    SeenModal seen;
    seen.window_class = window_class;
    seen.caption = text_of(window);
    GetWindowRect(window, &seen.rect);
    seen.main_window_visible = main_window && IsWindowVisible(main_window);
    seen.icon_added = notify_icon_data.cbSize != 0;
    if (window_class == "#32768") {
        if (driver.answers_menus) PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    } else {
        EnumChildWindows(window, longest_static, reinterpret_cast<LPARAM>(&seen.text));
        seen.has_ok = visible_child(window, IDOK);
        seen.has_cancel = visible_child(window, IDCANCEL);
        seen.has_yes_no = visible_child(window, IDYES) && visible_child(window, IDNO);
        seen.answer = IDCANCEL;
        if (!driver.answers.empty()) {
            seen.answer = driver.answers.front();
            driver.answers.erase(driver.answers.begin());
        }
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(seen.answer, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(window, seen.answer)));
    }
    driver.seen.push_back(seen);
    driver.closing.push_back({window, GetTickCount()});
}

BOOL CALLBACK visit_thread_window(HWND window, LPARAM) {
    ModalDriver& driver = *active_driver;
    if (!IsWindowVisible(window)) return TRUE;
    const std::string window_class = class_of(window);
    if (window_class != "#32770" && window_class != "#32768") return TRUE;
    auto known = std::find_if(driver.closing.begin(), driver.closing.end(),
                              [window](const ModalDriver::Closing& c) { return c.window == window; });
    if (known == driver.closing.end()) {
        record_and_answer(driver, window, window_class);
    } else if (GetTickCount() - known->found_at > close_limit_ms) {
        // It ignored its answer: close it by force so that the test can go on.
        driver.forced = true;
        if (window_class == "#32768")
            EndMenu();
        else
            EndDialog(window, IDCANCEL);
        known->found_at = GetTickCount();
    }
    return TRUE;
}

void CALLBACK drive_modals(HWND, UINT, UINT_PTR, DWORD) {
    if (!active_driver) return;
    // Forget windows that are gone, so that a reused handle counts as new.
    auto& closing = active_driver->closing;
    closing.erase(std::remove_if(closing.begin(), closing.end(),
                                 [](const ModalDriver::Closing& c) { return !IsWindow(c.window); }),
                  closing.end());
    EnumThreadWindows(GetCurrentThreadId(), visit_thread_window, 0);
}

// Wine's tray takes about two seconds to remove its last icon: a standing icon
// of the test program's own keeps every removal quick.
class StandingIcon : public ::testing::Environment {
public:
    void SetUp() override {
        owner = CreateWindowExA(0, "STATIC", "standing icon", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                                nullptr);
        icon.cbSize = sizeof icon;
        icon.hWnd = owner;
        icon.uID = 99;
        icon.uFlags = NIF_TIP;
        std::snprintf(icon.szTip, sizeof icon.szTip, "standing icon");
        Shell_NotifyIconA(NIM_ADD, &icon);
    }
    void TearDown() override {
        Shell_NotifyIconA(NIM_DELETE, &icon);
        DestroyWindow(owner);
    }

private:
    HWND owner = nullptr;
    NOTIFYICONDATAA icon{};
};

const auto* const standing_icon = ::testing::AddGlobalTestEnvironment(new StandingIcon);

}  // namespace

ModalDriver::ModalDriver() {
    active_driver = this;
    timer = SetTimer(nullptr, 0, driver_period_ms, drive_modals);
}

ModalDriver::~ModalDriver() {
    KillTimer(nullptr, timer);
    active_driver = nullptr;
}

std::string settings_lines(const std::vector<std::pair<std::string, std::string>>& pairs) {
    std::string text;
    for (const auto& [key, value] : pairs) text += key + "\t" + value + "\n";
    return text;
}

AskedRouterPolls asked_router_polls;

std::vector<std::string> balloons;
int balloon_refusals = 0;

BOOL balloon_shell(DWORD message, NOTIFYICONDATAA* data) {
    if (message != NIM_MODIFY || !(data->uFlags & NIF_INFO)) return TRUE;
    if (balloon_refusals-- > 0) return FALSE;
    balloons.push_back(std::string(data->szInfoTitle) + ": " + data->szInfo);
    return TRUE;
}

void MainWindowTest::SetUp() {
    ASSERT_NE(modals.timer, 0u);
    asked_router_polls = {};
    balloons.clear();
    balloon_refusals = 0;
    router_polls.poll = [](const RouterChoice& choice) {
        const char* sources[] = {"off", "upnp", "snmp"};
        asked_router_polls.polled.push_back(std::string(sources[static_cast<int>(choice.source)]) + " " +
                                            choice.location + choice.snmp_host);
    };
    router_polls.check_identity = [] { ++asked_router_polls.identity_checks; };
    AppDataGuard::set("AppData", folder.path.string());
    clear_settings();
    reset_file_notices();
}

void MainWindowTest::TearDown() {
    close_window();
    if (traffic_graph.query) destroy_traffic_graph();
    set_counter_backend(nullptr);
    clear_settings();
    EXPECT_FALSE(modals.forced) << "a message box, dialog or menu ignored its answer";
}

void MainWindowTest::write_settings(const std::string& bytes) {
    std::filesystem::create_directories(settings_folder());
    write_file(settings_file(), bytes);
}

bool MainWindowTest::settings_file_exists() const {
    return GetFileAttributesA(settings_file().c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MainWindowTest::settings_folder_exists() const {
    return GetFileAttributesA(settings_folder().c_str()) != INVALID_FILE_ATTRIBUTES;
}

HWND MainWindowTest::open_window() {
    start_fresh_traffic_graph();
    main_window = nullptr;
    save_on_exit = 1;
    alpha = 0;
    always_on_top = 0;
    taskbar_created_message = 0;
    ZeroMemory(&notify_icon_data, sizeof notify_icon_data);
    window = create_main_window(GetModuleHandleA(nullptr));
    // The tests write and read the files in turn: what the window hands over
    // is written, then saves are written at once, as the final ones are.
    wait_for_saves(monotonic_ns() + 10'000'000'000);
    stop_save_worker();
    return window;
}

void MainWindowTest::close_window() {
    if (window && IsWindow(window)) DestroyWindow(window);
    window = nullptr;
    take_quit_message();
}

bool MainWindowTest::take_quit_message() {
    MSG message;
    bool quit = false;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) quit = true;
    return quit;
}

RECT MainWindowTest::window_rect() const {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

LONG MainWindowTest::extended_style() const {
    return GetWindowLongA(window, GWL_EXSTYLE);
}
