// A real Main window on a scripted counter source, with its own "AppData"
// folder, and a driver that answers the message boxes, dialogs and menus that
// the window opens while it runs a modal loop.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/settings_fixture.h"

// What the driver saw of one message box, dialog or menu when it first found it.
struct SeenModal {
    std::string window_class;  // "#32770" for boxes and dialogs, "#32768" for menus
    std::string caption;
    std::string text;  // a message box's text
    RECT rect{};
    bool main_window_visible = false;
    bool icon_added = false;
    bool has_ok = false;
    bool has_cancel = false;
    bool has_yes_no = false;
    int answer = 0;  // the button pressed; 0 for a menu
};

// From a thread timer, which the modal loops of boxes, dialogs and menus keep
// dispatching: each box or dialog gets the next queued answer (IDCANCEL when
// none is left), each menu gets Escape. One that is still open after the time
// limit is closed by force, and `forced` tells the test so.
class ModalDriver {
public:
    ModalDriver();
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    void queue_answer(int button) { answers.push_back(button); }
    // Off: a test answers menus itself; one left open is still closed by force.
    bool answers_menus = true;
    std::vector<SeenModal> seen;
    std::vector<int> answers;
    bool forced = false;

    // Internal: state of the windows being closed.
    struct Closing {
        HWND window;
        DWORD found_at;
    };
    std::vector<Closing> closing;
    UINT_PTR timer = 0;
};

// What the window asked of the router's thread, which the tests stand in for:
// nothing of theirs reaches a network.
struct AskedRouterPolls {
    std::vector<std::string> polled;  // each choice's source and where it is read
    int identity_checks = 0;
};
extern AskedRouterPolls asked_router_polls;

// The balloons the icon showed ("title: text"), as a stand-in for the shell
// that refuses the next `balloon_refusals` of them, as a taskbar at logon does.
extern std::vector<std::string> balloons;
extern int balloon_refusals;
BOOL balloon_shell(DWORD message, NOTIFYICONDATAA* data);

// A settings file's lines, each key TAB value LF.
std::string settings_lines(const std::vector<std::pair<std::string, std::string>>& pairs);

// Every test gets an empty folder as "AppData", a fresh traffic graph on the
// scripted source and a clean shell state; the window it opens is destroyed at
// the end, and the quit message that its destruction posts is taken away.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string settings_folder() const { return folder.file("mivrel"); }
    std::string settings_file() const { return settings_folder() + "\\settings.cfg"; }
    void write_settings(const std::string& bytes);
    std::string read_settings() const { return read_file(settings_file()); }
    bool settings_file_exists() const;
    bool settings_folder_exists() const;

    // Creates the Main window as start-up does and returns it.
    HWND open_window();
    // Destroys it (if it still exists) and removes the quit message.
    void close_window();
    // Whether a quit message is waiting; it is removed.
    static bool take_quit_message();

    RECT window_rect() const;
    LONG extended_style() const;

    ScratchFolder folder;
    AppDataGuard app_data;
    ModalDriver modals;
    HWND window = nullptr;
};
