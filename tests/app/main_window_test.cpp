// The Main window's procedure acted on a real window, and the life of the
// process around it: creation, the message loop, destruction and logon end.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "app/app.h"
#include "app/apply_settings.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/start_with_windows.h"
#include "app/update_restart.h"
#include "app/window_dpi.h"
#include "app/window_options.h"
#include "app/window_placement.h"
#include "graph/paint_graph.h"
#include "graph/paint_graph_win.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "support/graph_fixture.h"
#include "support/message_pump.h"
#include "support/window_capture.h"

namespace {

// --- A settings folder of our own ---------------------------------------------

// Settings go to a fresh folder, set before any test runs, so that nothing
// this program saves can land in a real profile.
std::string private_app_data() {
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    char path[MAX_PATH];
    std::snprintf(path, sizeof path, "%smivrel-app-test-%lu", temp, GetCurrentProcessId());
    CreateDirectoryA(path, nullptr);
    SetEnvironmentVariableA("AppData", path);
    return path;
}

const std::string app_data = private_app_data();

std::string settings_folder() {
    return app_data + "\\mivrel";
}
std::string settings_file() {
    return settings_folder() + "\\settings.cfg";
}

// Not a first run (that would show modal dialogs), default placement, a fast tick.
void write_settings_file() {
    CreateDirectoryA(settings_folder().c_str(), nullptr);
    FILE* file = std::fopen(settings_file().c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("app.starts\t1\ngraph.delay\t100\n", file);
    std::fclose(file);
}

bool settings_file_exists() {
    return GetFileAttributesA(settings_file().c_str()) != INVALID_FILE_ATTRIBUTES;
}
bool settings_folder_exists() {
    return GetFileAttributesA(settings_folder().c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The value of one key in the file as it stands on disk, or "(missing)".
std::string saved_value(const char* key) {
    FILE* file = std::fopen(settings_file().c_str(), "rb");
    if (!file) return "(no file)";
    char line[1024];
    std::string found = "(missing)";
    const size_t key_length = std::strlen(key);
    while (std::fgets(line, sizeof line, file)) {
        if (std::strncmp(line, key, key_length) == 0 && line[key_length] == '\t') {
            found = line + key_length + 1;
            while (!found.empty() && (found.back() == '\n' || found.back() == '\r')) found.pop_back();
        }
    }
    std::fclose(file);
    return found;
}

class PrivateAppData : public ::testing::Environment {
public:
    void TearDown() override {
        DeleteFileA(settings_file().c_str());
        RemoveDirectoryA(settings_folder().c_str());
        RemoveDirectoryA(app_data.c_str());
    }
};

const auto* const app_data_environment = ::testing::AddGlobalTestEnvironment(new PrivateAppData);

// What the last Main window asked the Restart Manager for.
std::wstring restart_registration;

HRESULT WINAPI note_restart(PCWSTR command_line, DWORD flags) {
    restart_registration = L"'" + std::wstring(command_line) + L"' " + std::to_wstring(flags);
    return S_OK;
}

const RestartRegistrar real_restart_registrar = std::exchange(register_restart, note_restart);

// --- Watching the real window procedure ---------------------------------------

// What the test's subclass saw pass on its way to main_window_proc.
struct Observed {
    int paints = 0;
    int timers = 0;
    WPARAM last_timer_id = 0;
    int caption_presses = 0;
    WPARAM caption_hit = 0;
    LPARAM caption_point = -1;
    bool menu_opened = false;
    RECT menu_rect{};
    int menu_items = -1;
    UINT first_menu_id = 0;
    // A modal box owned by the window: its caption and text, then the button to press.
    INT_PTR answer = 0;
    bool box_opened = false;
    std::string box_caption;
    std::string box_text;
    BOOL timer_alive_after_destroy = FALSE;
    bool destroyed = false;
};

Observed observed;
WNDPROC original_procedure = nullptr;

void look_at_menu_and_close(HWND menu_window) {
    if (!menu_window || observed.menu_opened) return;
    observed.menu_opened = true;
    GetWindowRect(menu_window, &observed.menu_rect);
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menu_window, MN_GETHMENU, 0, 0));
    if (menu) {
        observed.menu_items = GetMenuItemCount(menu);
        observed.first_menu_id = GetMenuItemID(menu, 0);
    }
    EndMenu();
}

void read_box_and_answer(HWND box) {
    if (!box || observed.box_opened) return;
    observed.box_opened = true;
    char text[512] = {};
    GetWindowTextA(box, text, sizeof text);
    observed.box_caption = text;
    text[0] = 0;
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // a message box's text control
    observed.box_text = text;
    PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(observed.answer), 0);
}

LRESULT CALLBACK observing_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_PAINT:
            ++observed.paints;
            break;
        case WM_TIMER:
            ++observed.timers;
            observed.last_timer_id = wparam;
            break;
        case WM_NCLBUTTONDOWN:
            // Recorded and swallowed: the platform's move loop would wait for a real mouse.
            ++observed.caption_presses;
            observed.caption_hit = wparam;
            observed.caption_point = lparam;
            return 0;
        case WM_ENTERIDLE:
            // An open menu tells its owner once it waits for input.
            if (wparam == MSGF_MENU) look_at_menu_and_close(reinterpret_cast<HWND>(lparam));
            break;
        default:
            break;
    }
    const LRESULT result = CallWindowProcA(original_procedure, window, message, wparam, lparam);
    if (message == WM_DESTROY) {
        observed.destroyed = true;
        // Succeeds only if the destruction handler left the sample timer running.
        observed.timer_alive_after_destroy = KillTimer(window, sample_timer_id);
    }
    return result;
}

// Answers the reset question from inside its own modal loop, once the box is
// up; after the time limit it cancels any open menu and answers "no".
class ModalWatch {
public:
    ModalWatch() : poll(SetTimer(nullptr, 0, 50, look)), limit(SetTimer(nullptr, 0, 3000, give_up)) {}
    ~ModalWatch() {
        KillTimer(nullptr, poll);
        KillTimer(nullptr, limit);
    }
    ModalWatch(const ModalWatch&) = delete;
    ModalWatch& operator=(const ModalWatch&) = delete;

private:
    static void CALLBACK look(HWND, UINT, UINT_PTR, DWORD) {
        read_box_and_answer(FindWindowA("#32770", "Reset mivrel"));
    }
    static void CALLBACK give_up(HWND, UINT, UINT_PTR, DWORD) {
        EndMenu();
        if (HWND box = FindWindowA("#32770", "Reset mivrel")) PostMessageA(box, WM_COMMAND, IDNO, 0);
    }
    UINT_PTR poll;
    UINT_PTR limit;
};

// Takes the quit message if one is posted; gives its wParam or -1.
long long take_quit_message(DWORD limit_ms) {
    const DWORD start = GetTickCount();
    MSG message;
    do {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) return static_cast<long long>(message.wParam);
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    } while (GetTickCount() - start < limit_ms);
    return -1;
}

bool quit_posted() {
    MSG message;
    return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}

// Enough for several sample ticks at the record's delay.
DWORD tick_wait() {
    return static_cast<DWORD>(3 * (traffic_graph.delay > 0 ? traffic_graph.delay : 1000) + 500);
}

HINSTANCE self() {
    return GetModuleHandleA(nullptr);
}

RECT window_rect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT client_rect(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

// The extended style without the bits the platform manages itself: the
// topmost band, and the edge it adds to every sizing frame.
LONG extended_style(HWND window) {
    return GetWindowLongA(window, GWL_EXSTYLE) & ~(WS_EX_TOPMOST | WS_EX_WINDOWEDGE);
}

int top_level_windows_of_this_thread() {
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM counter) -> BOOL {
            if (IsWindowVisible(window)) ++*reinterpret_cast<int*>(counter);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

// The user's Run value, which run_value_guard.cpp puts back as it was.
constexpr wchar_t run_key[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The value as stored, "(none)" when it is missing or no text.
std::wstring run_value() {
    wchar_t text[1024] = {};
    DWORD size = sizeof text - sizeof(wchar_t);
    const DWORD texts = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    if (RegGetValueW(HKEY_CURRENT_USER, run_key, L"mivrel", texts, nullptr, text, &size)) return L"(none)";
    return text;
}
void set_run_value(DWORD type, const std::wstring& text) {
    RegSetKeyValueW(HKEY_CURRENT_USER, run_key, L"mivrel", type, text.c_str(),
                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}
std::wstring quoted_program() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return L"\"" + std::wstring(path) + L"\"";
}
// The check mark as the menu shows it once it opens.
bool start_item_checked() {
    HMENU menu = LoadMenuA(self(), MAKEINTRESOURCEA(IDM_MAIN_MENU));
    SendMessageA(main_window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(menu, 0)), 0);
    const bool checked = (GetMenuState(menu, IDM_START_WITH_WINDOWS, MF_BYCOMMAND) & MF_CHECKED) != 0;
    DestroyMenu(menu);
    return checked;
}

// --- The fixture: a fresh record and a fresh Main window per test ----------------

class MainWindowTest : public GraphTest {
protected:
    void SetUp() override {
        GraphTest::SetUp();
        clear_settings();
        write_settings_file();
        observed = Observed{};
        main_window = nullptr;
        save_on_exit = 1;
        window = create_main_window(self());
        ASSERT_NE(window, nullptr);
        original_procedure = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(observing_procedure)));
    }

    void TearDown() override {
        if (IsWindow(window)) DestroyWindow(window);
        take_quit_message(300);
        GraphTest::TearDown();
        clear_settings();
    }

    // What WinMain does after creating the window.
    void show() {
        ShowWindow(window, SW_SHOWNORMAL);
        UpdateWindow(window);
    }

    HWND window = nullptr;
};

// --- Class and creation -----------------------------------------------------------

TEST_F(MainWindowTest, ClassRedrawsOnResizeTakesDoubleClicksAndHasNoBackground) {
    WNDCLASSEXA found{};
    found.cbSize = sizeof found;
    ASSERT_TRUE(GetClassInfoExA(self(), "MIVREL", &found));
    EXPECT_EQ(found.style, static_cast<UINT>(CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS));
    EXPECT_EQ(found.lpfnWndProc, main_window_proc);
    EXPECT_EQ(found.cbClsExtra, 0);
    EXPECT_EQ(found.cbWndExtra, 0);
    EXPECT_EQ(found.hbrBackground, nullptr);
    EXPECT_EQ(found.hCursor, LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_NE(found.hIcon, nullptr);
    EXPECT_EQ(found.lpszMenuName, nullptr);
    EXPECT_STREQ(window_class_name, "MIVREL");
    EXPECT_STREQ(window_title, "mivrel");
}

TEST_F(MainWindowTest, CreatedAsHiddenBorderlessSizableToolWindowAtItsDefaultPlace) {
    EXPECT_EQ(main_window, window);
    EXPECT_EQ(instance, self());
    EXPECT_FALSE(IsWindowVisible(window));

    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_POPUP | WS_THICKFRAME), WS_POPUP | WS_THICKFRAME);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_CHILD | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_EQ(extended_style(window), WS_EX_TOOLWINDOW);

    char title[32] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "mivrel");

    const RECT rect = window_rect(window);
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 10);
    EXPECT_EQ(rect.right - rect.left, 200);
    EXPECT_EQ(rect.bottom - rect.top, 80);
    EXPECT_EQ(FindWindowA("MIVREL", nullptr), window);
}

TEST_F(MainWindowTest, SampleTimerRunsFromCreation) {
    show();
    ASSERT_TRUE(pump_until([] { return observed.timers > 0; }, tick_wait()));
    EXPECT_EQ(observed.last_timer_id, sample_timer_id);
    EXPECT_GT(traffic_graph.count, 0);
}

// --- WM_SIZE ------------------------------------------------------------------------

TEST_F(MainWindowTest, EverySizeChangeFitsTheRingsToTheClientWidth) {
    show();
    const RECT first = client_rect(window);
    EXPECT_EQ(traffic_graph.capacity, first.right);
    EXPECT_EQ(traffic_graph.width, first.right);
    EXPECT_EQ(traffic_graph.height, first.bottom);

    SetWindowPos(window, nullptr, 0, 0, 333, 121, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT larger = client_rect(window);
    EXPECT_GT(larger.right, first.right);
    EXPECT_EQ(traffic_graph.capacity, larger.right);
    EXPECT_EQ(traffic_graph.height, larger.bottom);

    // Whatever the kind of change, the size in lParam is taken.
    EXPECT_EQ(SendMessageA(window, WM_SIZE, SIZE_MAXHIDE, MAKELPARAM(123, 45)), 0);
    EXPECT_EQ(traffic_graph.capacity, 123);
    EXPECT_EQ(traffic_graph.height, 45);
    EXPECT_EQ(SendMessageA(window, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(0, 0)), 0);
    EXPECT_EQ(traffic_graph.capacity, 1);
    EXPECT_EQ(traffic_graph.height, 1);
}

// --- WM_TIMER and WM_PAINT --------------------------------------------------------

int differing_pixels(HWND window) {
    HDC window_dc = GetDC(window);
    const GraphImage expected = render_graph_image(traffic_graph, window_dc);
    ReleaseDC(window, window_dc);
    const std::vector<std::uint32_t> rendered = image_pixels(expected);
    if (rendered.empty()) return -1;
    const std::vector<std::uint32_t> shown = capture_window(window, expected.width, expected.height);
    int differing = 0;
    for (size_t i = 0; i < shown.size(); ++i)
        if (shown[i] != rendered[i]) ++differing;
    return differing;
}

TEST_F(MainWindowTest, TickWhileVisibleSamplesAndRepaintsAtOnce) {
    show();
    KillTimer(window, sample_timer_id);  // only our ticks from here on
    pump_messages(50);

    const int count = traffic_graph.count, head = traffic_graph.head, paints = observed.paints;
    EXPECT_EQ(SendMessageA(window, WM_TIMER, sample_timer_id, 0), 0);
    EXPECT_EQ(traffic_graph.count, count + 1);
    EXPECT_EQ(traffic_graph.head, (head + 1) % traffic_graph.capacity);
    EXPECT_GT(observed.paints, paints) << "the tick must repaint before it returns";
    // What the window shows is the record as it stands after the tick.
    EXPECT_EQ(differing_pixels(window), 0);
}

TEST_F(MainWindowTest, AnyTimerIdIsASampleTick) {
    show();
    KillTimer(window, sample_timer_id);
    pump_messages(50);
    const int count = traffic_graph.count;
    SendMessageA(window, WM_TIMER, 7, 0);
    SendMessageA(window, WM_TIMER, 0, 0);
    EXPECT_EQ(traffic_graph.count, count + 2);
}

TEST_F(MainWindowTest, TickWhileHiddenSamplesButDoesNotPaint) {
    show();
    KillTimer(window, sample_timer_id);
    ShowWindow(window, SW_HIDE);
    pump_messages(50);
    const int count = traffic_graph.count, paints = observed.paints;
    SendMessageA(window, WM_TIMER, sample_timer_id, 0);
    pump_messages(50);
    EXPECT_EQ(traffic_graph.count, count + 1);
    EXPECT_EQ(observed.paints, paints);
}

TEST_F(MainWindowTest, PaintDrawsTheWholeGraph) {
    show();
    KillTimer(window, sample_timer_id);
    // Change what the graph should show, and paint it by the ordinary route.
    for (int i = 0; i < 5; ++i) SendMessageA(window, WM_TIMER, sample_timer_id, 0);
    traffic_graph.scale_max = 1000;
    for (int k = 0; k < traffic_graph.count; ++k) {
        const int at = (traffic_graph.head - 1 - k + traffic_graph.capacity) % traffic_graph.capacity;
        traffic_graph.download_history[at] = 900 - 150 * k;
        traffic_graph.upload_history[at] = 300 + 100 * k;
    }
    InvalidateRect(window, nullptr, FALSE);
    const int paints = observed.paints;
    UpdateWindow(window);
    EXPECT_EQ(observed.paints, paints + 1);
    EXPECT_EQ(differing_pixels(window), 0);
}

// AnimateWindow's frames: the graph drawn into a memory image of its own.
TEST_F(MainWindowTest, PrintClientDrawsTheGraphIntoTheGivenContext) {
    show();
    KillTimer(window, sample_timer_id);
    HDC window_dc = GetDC(window);
    const GraphImage expected = render_graph_image(traffic_graph, window_dc);
    const GraphImage printed = render_graph_image(traffic_graph, window_dc);
    ReleaseDC(window, window_dc);
    PatBlt(printed.dc.get(), 0, 0, printed.width, printed.height, WHITENESS);
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(printed.dc.get()), PRF_CLIENT);
    EXPECT_TRUE(image_pixels(printed) == image_pixels(expected));
}

// --- WM_DPICHANGED ----------------------------------------------------------------

// Moved to a screen of twice the scale: the suggested place, and a graph drawn
// for 192 DPI from the next paint on (the maximum line on row 24).
TEST_F(MainWindowTest, DpiChangeTakesTheSuggestedPlaceAndDrawsForTheNewScale) {
    show();
    KillTimer(window, sample_timer_id);
    SendMessageA(window, WM_TIMER, sample_timer_id, 0);
    RECT suggested{30, 40, 430, 200};
    EXPECT_EQ(SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested)),
              0);
    const RECT placed = window_rect(window);
    EXPECT_TRUE(EqualRect(&placed, &suggested));
    EXPECT_EQ(traffic_graph.label_font_description.lfHeight, 22);
    MINMAXINFO limits{};
    SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, 310);
    EXPECT_EQ(limits.ptMinTrackSize.y, 72);

    UpdateWindow(window);
    EXPECT_EQ(differing_pixels(window), 0);
    const RECT client = client_rect(window);
    const std::vector<std::uint32_t> shown = capture_window(window, client.right, client.bottom);
    auto at = [&](int x, int y) { return shown[static_cast<std::size_t>(y) * client.right + x]; };
    const int right = client.right - 1;
    EXPECT_EQ(at(right, 24), dib_pixel(traffic_graph.colors.download));
    EXPECT_EQ(at(right, 12), dib_pixel(traffic_graph.colors.background));
}

// The settings' own place is already in the new screen's pixels: kept, while
// the graph still takes the new DPI.
TEST_F(MainWindowTest, DpiChangeWhileTheSettingsPlaceTheWindowKeepsThatPlace) {
    show();
    const RECT placed = window_rect(window);
    RECT suggested{30, 40, 430, 200};
    {
        PlacingScope placing;
        SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    }
    const RECT kept = window_rect(window);
    EXPECT_TRUE(EqualRect(&kept, &placed));
    EXPECT_EQ(traffic_graph.dpi, 144);
}

// Placed on a screen of another scale with no WM_DPICHANGED on the way: the
// graph still takes that screen's DPI. The stand-in's second screen, at 144
// DPI, begins right of x = 0, where the window is created.
TEST_F(MainWindowTest, TheGraphTakesTheDpiOfTheScreenTheSettingsPlaceTheWindowOn) {
    DestroyWindow(window);
    take_quit_message(300);
    window_dpi = [](HWND placed) { return window_rect(placed).left > 0 ? 144 : 96; };
    window = create_main_window(self());
    window_dpi = platform_window_dpi;
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(traffic_graph.dpi, 144);
}

// --- WM_SYSCOMMAND ----------------------------------------------------------------

TEST_F(MainWindowTest, MinimiseHidesTheWindowAndNeverMakesItIconic) {
    show();
    EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0), 0);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(IsIconic(window));

    ShowWindow(window, SW_SHOWNORMAL);
    ShowWindow(window, SW_MAXIMIZE);
    SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(IsIconic(window));

    // Some shells set the low four bits, which are the platform's own.
    ShowWindow(window, SW_SHOWNORMAL);
    SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE | 2, 0);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(IsIconic(window));
}

TEST_F(MainWindowTest, OtherSystemCommandsGetDefaultProcessing) {
    show();
    SendMessageA(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_TRUE(IsZoomed(window));
    SendMessageA(window, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsZoomed(window));
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(window));
}

// --- WM_KEYDOWN -------------------------------------------------------------------

TEST_F(MainWindowTest, EscapeDestroysTheWindowAndEndsTheLoopWithZero) {
    show();
    EXPECT_EQ(SendMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0x00010001), 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(take_quit_message(500), 0);
}

TEST_F(MainWindowTest, OtherKeysDoNothing) {
    show();
    const RECT before = window_rect(window);
    for (WPARAM key : {WPARAM{VK_RETURN}, WPARAM{VK_SPACE}, WPARAM{VK_F4}, WPARAM{'Q'}, WPARAM{VK_DELETE},
                       WPARAM{VK_LEFT}, WPARAM{VK_BACK}}) {
        EXPECT_EQ(SendMessageA(window, WM_KEYDOWN, key, 0x00010001), 0) << key;
        ASSERT_TRUE(IsWindow(window)) << key;
    }
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(quit_posted());
    const RECT after = window_rect(window);
    EXPECT_TRUE(EqualRect(&before, &after));
}

// --- WM_COMMAND -------------------------------------------------------------------

TEST_F(MainWindowTest, ExitDestroysTheWindow) {
    show();
    EXPECT_EQ(SendMessageA(window, WM_COMMAND, MAKEWPARAM(32782, 0), 0), 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(take_quit_message(500), 0);
}

TEST_F(MainWindowTest, ExitIsRecognisedWhateverTheHighWord) {
    show();
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(32782, 1), 0);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(MainWindowTest, ResetGraphPositionPutsTheWindowBackAtItsDefaultPlace) {
    show();
    SetWindowPos(window, nullptr, 240, 160, 321, 123, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(SendMessageA(window, WM_COMMAND, 32785, 0), 0);
    const RECT rect = window_rect(window);
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 10);
    EXPECT_EQ(rect.right - rect.left, 200);
    EXPECT_EQ(rect.bottom - rect.top, 80);
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(MainWindowTest, ResetConfigAnsweredNoChangesNothing) {
    show();
    observed.answer = IDNO;
    {
        ModalWatch watch;
        EXPECT_EQ(SendMessageA(window, WM_COMMAND, 32783, 0), 0);
    }
    ASSERT_TRUE(observed.box_opened);
    EXPECT_EQ(observed.box_caption, "Reset mivrel");
    EXPECT_EQ(observed.box_text, "This will delete the mivrel config file and exit.\r\nAre you sure?");
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(settings_file_exists());
    EXPECT_EQ(save_on_exit, 1);
    EXPECT_FALSE(quit_posted());
}

TEST_F(MainWindowTest, ResetConfigAnsweredYesLeavesNoSettingsBehind) {
    show();
    set_run_value(REG_SZ, quoted_program());
    observed.answer = IDYES;
    {
        ModalWatch watch;
        SendMessageA(window, WM_COMMAND, 32783, 0);
    }
    ASSERT_TRUE(observed.box_opened);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(take_quit_message(500), 0);
    // The destruction ran after the deletion and must not have written the file back.
    EXPECT_FALSE(settings_file_exists());
    EXPECT_FALSE(settings_folder_exists());
    EXPECT_EQ(run_value(), L"(none)");
}

TEST_F(MainWindowTest, UnknownCommandGetsDefaultProcessing) {
    show();
    KillTimer(window, sample_timer_id);
    const int windows = top_level_windows_of_this_thread(), count = traffic_graph.count;
    for (WPARAM id : {WPARAM{0}, WPARAM{1}, WPARAM{32779}, WPARAM{40000}, WPARAM{0xFFFF}}) {
        const LRESULT expected = DefWindowProcA(window, WM_COMMAND, id, 0);
        EXPECT_EQ(SendMessageA(window, WM_COMMAND, id, 0), expected) << id;
        ASSERT_TRUE(IsWindow(window)) << id;
    }
    pump_messages(100);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(top_level_windows_of_this_thread(), windows) << "no dialog may open";
    EXPECT_EQ(traffic_graph.count, count);
    EXPECT_FALSE(quit_posted());
}

// --- Start with Windows --------------------------------------------------------

const wchar_t* present_path = L"";

TEST(RunValue, IsStaleOnlyWhenNoProgramItCouldStartIsThere) {
    const struct {
        const wchar_t *value, *present;
        bool stale;
    } cases[] = {
        {L"\"C:\\a b\\m.exe\" -x", L"C:\\a b\\m.exe", false},
        {L"\"C:\\a b\\m.exe\" -x", L"C:\\a", true},  // quoted: one reading only
        {L" \"C:\\a b\\m.exe", L"C:\\a b\\m.exe", false},
        {L"C:\\a b\\m.exe  -x ", L"C:\\a", false},  // unquoted: each stretch up to a blank
        {L"C:\\a b\\m.exe  -x ", L"C:\\a b\\m.exe", false},
        {L"C:\\a b\\m.exe  -x ", L"C:\\a b\\m.exe ", true},
        {L" \"\" -x", L"", true},
    };
    for (const auto& one : cases) {
        present_path = one.present;
        auto gone = [](const wchar_t* path) { return std::wcscmp(path, present_path) != 0; };
        EXPECT_EQ(run_value_is_stale(one.value, gone), one.stale) << one.value << " / " << one.present;
    }
}

TEST_F(MainWindowTest, StartWithWindowsWritesTheQuotedProgramRemovesItAndIsCheckedWhileThere) {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, run_key, L"mivrel");
    EXPECT_FALSE(start_item_checked());
    SendMessageA(window, WM_COMMAND, IDM_START_WITH_WINDOWS, 0);
    EXPECT_EQ(run_value(), quoted_program());
    EXPECT_TRUE(start_item_checked());
    SendMessageA(window, WM_COMMAND, IDM_START_WITH_WINDOWS, 0);
    EXPECT_EQ(run_value(), L"(none)");
    EXPECT_FALSE(start_item_checked());
    set_run_value(REG_SZ, L"elsewhere.exe");  // from outside: shown as it is
    EXPECT_TRUE(start_item_checked());
    RegDeleteKeyValueW(HKEY_CURRENT_USER, run_key, L"mivrel");
}

// The other copy lies in a folder the narrow API cannot name.
TEST_F(MainWindowTest, AtStartARunValueNamingAMissingProgramIsRepairedAndAnotherCopyLeftAlone) {
    const std::wstring folder = std::wstring(app_data.begin(), app_data.end()) + L"\\\u0141\u00f3d\u017a";
    const std::wstring copy = folder + L"\\other copy.exe";
    CreateDirectoryW(folder.c_str(), nullptr);
    CloseHandle(CreateFileW(copy.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    SetEnvironmentVariableW(L"MIVREL_RUN_TEST", folder.c_str());
    const struct {
        DWORD type;
        std::wstring stored;
        bool repaired;
    } cases[] = {
        {REG_SZ, L"\"C:\\moved away\\mivrel.exe\" -x", true},
        {REG_SZ, L"\"" + copy + L"\" -x", false},
        {REG_EXPAND_SZ, L"%MIVREL_RUN_TEST%\\other copy.exe", false},
        {REG_DWORD, L"x", true},
    };
    for (const auto& one : cases) {
        set_run_value(one.type, one.stored);
        DestroyWindow(window);
        take_quit_message(100);
        window = create_main_window(self());
        EXPECT_EQ(run_value(), one.repaired ? quoted_program() : one.stored) << one.stored;
    }
    RegDeleteKeyValueW(HKEY_CURRENT_USER, run_key, L"mivrel");
    DeleteFileW(copy.c_str());
    RemoveDirectoryW(folder.c_str());
}

// --- WM_GETMINMAXINFO -------------------------------------------------------------

TEST_F(MainWindowTest, MinimumTrackingSizeIs155By36MaximisedIsTheWorkAreaAndTheRestIsLeft) {
    MINMAXINFO limits;
    limits.ptReserved = {1, 2};
    limits.ptMaxSize = {3, 4};
    limits.ptMaxPosition = {5, 6};
    limits.ptMinTrackSize = {7, 8};
    limits.ptMaxTrackSize = {9, 10};
    EXPECT_EQ(SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits)), 0);
    EXPECT_EQ(limits.ptMinTrackSize.x, 155);
    EXPECT_EQ(limits.ptMinTrackSize.y, 36);
    EXPECT_EQ(limits.ptReserved.x, 1);
    EXPECT_EQ(limits.ptReserved.y, 2);
    // Maximised over the work area only, which leaves the taskbar free.
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(limits.ptMaxSize.x, work.right - work.left);
    EXPECT_EQ(limits.ptMaxSize.y, work.bottom - work.top);
    EXPECT_EQ(limits.ptMaxPosition.x, work.left);
    EXPECT_EQ(limits.ptMaxPosition.y, work.top);
    EXPECT_EQ(limits.ptMaxTrackSize.x, 9);
    EXPECT_EQ(limits.ptMaxTrackSize.y, 10);
}

// --- Mouse ------------------------------------------------------------------------

TEST_F(MainWindowTest, LeftButtonAnywherePressesTheAbsentCaption) {
    show();
    EXPECT_EQ(SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(120, 30)), 0);
    EXPECT_EQ(observed.caption_presses, 1);
    EXPECT_EQ(observed.caption_hit, static_cast<WPARAM>(HTCAPTION));
    EXPECT_EQ(observed.caption_point, 0);
}

TEST_F(MainWindowTest, DoubleClickMaximisesThenRestores) {
    show();
    const RECT normal = window_rect(window);
    EXPECT_EQ(SendMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5)), 0);
    EXPECT_TRUE(IsZoomed(window));
    const RECT maximised = window_rect(window);
    EXPECT_GT(maximised.right - maximised.left, normal.right - normal.left);
    // The rings follow the maximised client area.
    EXPECT_EQ(traffic_graph.capacity, client_rect(window).right);

    // Nothing moves a maximised window beyond the work area.
    SetWindowPos(window, nullptr, -50, -50, 3000, 2000, SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT kept = window_rect(window);
    EXPECT_TRUE(EqualRect(&kept, &maximised));

    SendMessageA(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_FALSE(IsZoomed(window));
    const RECT restored = window_rect(window);
    EXPECT_TRUE(EqualRect(&normal, &restored));
    EXPECT_TRUE(IsWindowVisible(window));
}

// --- WM_CONTEXTMENU ---------------------------------------------------------------

TEST_F(MainWindowTest, ContextMenuOpensItsFirstSubmenuAtThePointer) {
    show();
    {
        ModalWatch watch;
        EXPECT_EQ(
            SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(300, 200)), 0);
    }
    ASSERT_TRUE(observed.menu_opened);
    EXPECT_EQ(observed.menu_rect.left, 300);
    EXPECT_EQ(observed.menu_rect.top, 200);
    EXPECT_EQ(observed.menu_items, 8);
    EXPECT_EQ(observed.first_menu_id, 32788u);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(quit_posted());
}

TEST_F(MainWindowTest, KeyboardContextMenuOpensAtTheWindowsTopLeftCorner) {
    show();
    SetWindowPos(window, nullptr, 120, 90, 200, 80, SWP_NOZORDER | SWP_NOACTIVATE);
    {
        ModalWatch watch;
        SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), -1);
    }
    ASSERT_TRUE(observed.menu_opened);
    EXPECT_EQ(observed.menu_rect.left, 120);
    EXPECT_EQ(observed.menu_rect.top, 90);
}

// --- Window options ---------------------------------------------------------------

TEST_F(MainWindowTest, TransparencyMakesTheWindowLayeredOnlyBelowFullOpacity) {
    show();
    BYTE shown_alpha = 0;
    DWORD flags = 0;
    COLORREF key = 0;

    alpha = 255;
    apply_transparency();
    EXPECT_EQ(extended_style(window), WS_EX_TOOLWINDOW);

    alpha = 254;
    apply_transparency();
    EXPECT_EQ(extended_style(window), WS_EX_TOOLWINDOW | WS_EX_LAYERED);
    ASSERT_TRUE(GetLayeredWindowAttributes(window, &key, &shown_alpha, &flags));
    EXPECT_EQ(shown_alpha, 254);
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));

    alpha = 17;
    apply_transparency();
    ASSERT_TRUE(GetLayeredWindowAttributes(window, &key, &shown_alpha, &flags));
    EXPECT_EQ(shown_alpha, 17);

    alpha = 255;
    apply_transparency();
    EXPECT_EQ(extended_style(window), WS_EX_TOOLWINDOW);
    EXPECT_FALSE(GetLayeredWindowAttributes(window, &key, &shown_alpha, &flags));
}

TEST_F(MainWindowTest, AlwaysOnTopMovesTheWindowInAndOutOfTheTopmostBandInPlace) {
    show();
    const RECT before = window_rect(window);
    apply_always_on_top(false);
    EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    apply_always_on_top(true);
    EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, WS_EX_TOPMOST);
    apply_always_on_top(false);
    EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    const RECT after = window_rect(window);
    EXPECT_TRUE(EqualRect(&before, &after));
}

// --- Modal windows ----------------------------------------------------------------

// What happened while the Configuration dialog was open and the icon's menu
// sent every command.
struct InsideConfiguration {
    bool acted = false;
    int previewed_alpha = -1;
    int most_configurations = 0;  // open at once
    bool about_opened = false;
    bool reset_asked = false;
    bool window_survived_exit = false;
    std::string saved_alpha;
};
InsideConfiguration inside;

// The enabled one of this thread's visible windows with the caption (null if
// none), and how many there are.
HWND visible_dialog(const char* caption, int* count = nullptr) {
    std::pair<const char*, std::vector<HWND>> search{caption, {}};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            auto* found = reinterpret_cast<std::pair<const char*, std::vector<HWND>>*>(data);
            char text[64] = {};
            GetWindowTextA(window, text, sizeof text);
            if (IsWindowVisible(window) && std::strcmp(text, found->first) == 0)
                found->second.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (count) *count = static_cast<int>(search.second.size());
    for (HWND window : search.second)
        if (IsWindowEnabled(window)) return window;
    return nullptr;
}

// Polls from inside the modal loops; whatever opens over the dialog is noted and closed.
void CALLBACK act_inside_configuration(HWND, UINT, UINT_PTR, DWORD) {
    int configurations = 0;
    HWND dialog = visible_dialog("Configuration", &configurations);
    inside.most_configurations = std::max(inside.most_configurations, configurations);
    if (HWND about = visible_dialog("About mivrel")) {
        inside.about_opened = true;
        EndDialog(about, IDCANCEL);
    }
    if (HWND question = visible_dialog("Reset mivrel")) {
        inside.reset_asked = true;
        PostMessageA(question, WM_COMMAND, IDNO, 0);
    }
    if (configurations > 1 && dialog) EndDialog(dialog, IDCANCEL);
    if (!dialog || inside.acted) return;
    inside.acted = true;
    // The slider previews an opacity that nobody has confirmed.
    HWND slider = GetDlgItem(dialog, IDC_ALPHA);
    SendMessageA(slider, TBM_SETPOS, TRUE, 100);
    InvalidateRect(slider, nullptr, TRUE);
    UpdateWindow(slider);
    inside.previewed_alpha = alpha;
    for (WPARAM id : {IDM_CONFIGURE, IDM_ABOUT, IDM_RESET_CONFIG, IDM_RESET_POSITION, IDM_EXIT})
        SendMessageA(main_window, WM_COMMAND, id, 0);
    inside.window_survived_exit = IsWindow(main_window);
    SendMessageA(main_window, WM_ENDSESSION, TRUE, 0);
    inside.saved_alpha = saved_value("app.alpha");
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

TEST_F(MainWindowTest, MenuCommandsWhileAModalWindowIsOpenOpenNothingAndSaveNoPreview) {
    show();
    inside = InsideConfiguration{};
    const UINT_PTR poll = SetTimer(nullptr, 0, 50, act_inside_configuration);
    const UINT_PTR limit = SetTimer(nullptr, 0, 10000, [](HWND, UINT, UINT_PTR, DWORD) {
        while (HWND left = visible_dialog("Configuration")) EndDialog(left, IDCANCEL);
    });
    SendMessageA(window, WM_COMMAND, IDM_CONFIGURE, 0);
    KillTimer(nullptr, poll);
    KillTimer(nullptr, limit);
    ASSERT_TRUE(inside.acted);
    ASSERT_EQ(inside.previewed_alpha, 100);
    EXPECT_EQ(inside.most_configurations, 1);
    EXPECT_FALSE(inside.about_opened);
    EXPECT_FALSE(inside.reset_asked);
    EXPECT_TRUE(inside.window_survived_exit);
    EXPECT_EQ(inside.saved_alpha, "255") << "only the confirmed opacity is saved";
    EXPECT_EQ(alpha, 255);
}

// --- Lifecycle --------------------------------------------------------------------

TEST_F(MainWindowTest, CloseDestroysStopsTheTimerAndPostsQuitZero) {
    show();
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(observed.destroyed);
    EXPECT_FALSE(observed.timer_alive_after_destroy);
    EXPECT_EQ(take_quit_message(500), 0);
}

TEST_F(MainWindowTest, LeavingSavesTheSettingsOnce) {
    show();
    SetWindowPos(window, nullptr, 40, 50, 222, 99, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(saved_value("app.starts"), "1");
    SendMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(take_quit_message(500), 0);
    EXPECT_EQ(saved_value("app.starts"), "2");
    EXPECT_EQ(saved_value("app.left"), "40");
    EXPECT_EQ(saved_value("app.top"), "50");
    EXPECT_EQ(saved_value("app.width"), "222");
    EXPECT_EQ(saved_value("app.height"), "99");
}

// A place on a screen that is gone comes back onto the work area, its size kept.
TEST_F(MainWindowTest, ASavedPlaceOffEveryScreenOpensOnTheNearest) {
    FILE* file = std::fopen(settings_file().c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("app.starts\t1\napp.left\t-5000\napp.top\t30\napp.width\t210\napp.height\t90\n", file);
    std::fclose(file);
    load_settings();
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const RECT placed = window_rect(window);
    EXPECT_EQ(placed.left, work.left);
    EXPECT_EQ(placed.top, 30);
    EXPECT_EQ(placed.right - placed.left, 210);
    EXPECT_EQ(placed.bottom - placed.top, 90);
}

TEST_F(MainWindowTest, LogonEndGoingAheadStopsSamplingButKeepsTheWindow) {
    show();
    EXPECT_EQ(SendMessageA(window, WM_ENDSESSION, TRUE, 0), 0);
    EXPECT_EQ(saved_value("app.starts"), "2") << "the settings are saved as the logon ends";
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(quit_posted());
    observed.timers = 0;
    pump_messages(tick_wait());
    EXPECT_EQ(observed.timers, 0);
    EXPECT_FALSE(KillTimer(window, sample_timer_id));
    EXPECT_FALSE(quit_posted());
}

TEST_F(MainWindowTest, LogonEndCancelledChangesNothing) {
    show();
    EXPECT_EQ(SendMessageA(window, WM_ENDSESSION, FALSE, 0), 0);
    EXPECT_EQ(saved_value("app.starts"), "1") << "nothing is saved";
    EXPECT_TRUE(IsWindow(window));
    const int count = traffic_graph.count;
    observed.timers = 0;
    EXPECT_TRUE(pump_until([] { return observed.timers > 0; }, tick_wait()));
    EXPECT_GT(traffic_graph.count, count);
    EXPECT_FALSE(quit_posted());
}

// An installer's "close the application" (a bit among others) saves and
// closes; a logoff saves and keeps the window. A close that follows saves
// nothing more. The program is brought back after an update only.
TEST_F(MainWindowTest, AnInstallersCloseSavesAndClosesALogoffKeepsTheWindow) {
    EXPECT_EQ(restart_registration,
              L"'' " + std::to_wstring(RESTART_NO_CRASH | RESTART_NO_HANG | RESTART_NO_REBOOT));
    const LPARAM reasons[] = {ENDSESSION_CLOSEAPP,
                              ENDSESSION_LOGOFF | ENDSESSION_CRITICAL | ENDSESSION_CLOSEAPP,
                              ENDSESSION_LOGOFF};
    for (const LPARAM reason : reasons) {
        if (!IsWindow(window)) {
            write_settings_file();
            window = create_main_window(self());
        }
        EXPECT_EQ(SendMessageA(window, WM_ENDSESSION, TRUE, reason), 0);
        EXPECT_EQ(saved_value("app.starts"), "2") << reason;
        EXPECT_EQ(IsWindow(window) == FALSE, reason != ENDSESSION_LOGOFF) << reason;
        EXPECT_EQ(take_quit_message(200), reason != ENDSESSION_LOGOFF ? 0 : -1) << reason;
        SendMessageA(window, WM_CLOSE, 0, 0);
        take_quit_message(200);
        EXPECT_EQ(saved_value("app.starts"), "2") << reason << ": saved once";
    }
}

TEST_F(MainWindowTest, OnlyExactlyTrueCountsAsALogonEnd) {
    show();
    SendMessageA(window, WM_ENDSESSION, 2, 0);
    EXPECT_TRUE(KillTimer(window, sample_timer_id)) << "the timer must still be running";
}

// --- WinMain's path -----------------------------------------------------------------

// WinMain's steps after the records are built.
HHOOK creation_hook = nullptr;

LRESULT CALLBACK refuse_window_creation(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_CREATEWND) return 1;
    return CallNextHookEx(creation_hook, code, wparam, lparam);
}

class WinMainPath : public GraphTest {
protected:
    void SetUp() override {
        GraphTest::SetUp();
        clear_settings();
        write_settings_file();
        main_window = nullptr;
        save_on_exit = 1;
    }
    void TearDown() override {
        if (HWND left = FindWindowA("MIVREL", nullptr)) DestroyWindow(left);
        take_quit_message(300);
        GraphTest::TearDown();
        clear_settings();
    }
};

TEST_F(WinMainPath, NoWindowMeansExitCodeZeroAndNothingStarted) {
    creation_hook = SetWindowsHookExA(WH_CBT, refuse_window_creation, nullptr, GetCurrentThreadId());
    ASSERT_NE(creation_hook, nullptr);
    const int exit_code = run_program(self(), SW_SHOWNORMAL);
    UnhookWindowsHookEx(creation_hook);
    EXPECT_EQ(exit_code, 0);
    EXPECT_EQ(FindWindowA("MIVREL", nullptr), nullptr);
    EXPECT_EQ(main_window, nullptr) << "the creation handler must not have run";
    EXPECT_FALSE(quit_posted());
}

// Runs the program; `look` comes every 100 ms until it ends the loop, and a
// guard ends a loop that would not end.
int run_program_watched(int show_command, TIMERPROC look) {
    const UINT_PTR watch = SetTimer(nullptr, 0, 100, look);
    const UINT_PTR guard =
        SetTimer(nullptr, 0, 5000, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(99); });
    const int exit_code = run_program(self(), show_command);
    KillTimer(nullptr, watch);
    KillTimer(nullptr, guard);
    return exit_code;
}

TEST_F(WinMainPath, EscapeEndsTheLoopWithExitCodeZero) {
    // Presses Escape once the window is up.
    const int exit_code = run_program_watched(SW_SHOWNORMAL, [](HWND, UINT, UINT_PTR, DWORD) {
        if (HWND shown = FindWindowA("MIVREL", nullptr); shown && IsWindowVisible(shown))
            PostMessageA(shown, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    });
    EXPECT_EQ(exit_code, 0);
    EXPECT_EQ(FindWindowA("MIVREL", nullptr), nullptr);
}

// A shortcut set to "Minimized": hidden, never iconic, so the icon can bring it back.
TEST_F(WinMainPath, MinimisedStartCommandStartsHidden) {
    static bool seen_hidden;
    seen_hidden = false;
    const int exit_code = run_program_watched(SW_SHOWMINNOACTIVE, [](HWND, UINT, UINT_PTR, DWORD) {
        if (HWND started = FindWindowA("MIVREL", nullptr)) {
            seen_hidden = !IsWindowVisible(started) && !IsIconic(started);
            PostMessageA(started, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        }
    });
    EXPECT_EQ(exit_code, 0);
    EXPECT_TRUE(seen_hidden);
    EXPECT_NE(saved_value("app.left"), "-32000");
}

}  // namespace
