// The dialog templates as the resource compiler built them into the program.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "about_contact.h"
#include "app/app.h"
#include "dialog_fixture.h"
#include "resources/resource.h"

namespace {

struct Control {
    std::int32_t id;
    std::string kind;  // class name, or the predefined class's name for an atom
    std::string text;  // "#146" for a resource ordinal
    DWORD style;
    short x, y, cx, cy;
};

struct Template {
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string title;
    WORD point_size = 0;
    std::string font;
    std::vector<Control> controls;
};

struct Reader {
    const BYTE* at;
    template <typename T>
    T take() {
        T value;
        std::memcpy(&value, at, sizeof value);
        at += sizeof value;
        return value;
    }
    std::string text() {
        std::string out;
        for (WORD c; (c = take<WORD>()) != 0;) out += static_cast<char>(c);
        return out;
    }
    // A name, an ordinal ("#n") or nothing.
    std::string name_or_ordinal() {
        WORD first;
        std::memcpy(&first, at, sizeof first);
        if (first == 0xFFFF) {
            at += 2;
            return "#" + std::to_string(take<WORD>());
        }
        return text();
    }
    void align(const BYTE* base) {
        while ((at - base) % 4) ++at;
    }
};

std::string class_of(const std::string& name) {
    static const char* const atoms[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};
    if (name.size() > 1 && name[0] == '#') {
        int atom = std::stoi(name.substr(1));
        if (atom >= 0x80 && atom <= 0x85) return atoms[atom - 0x80];
    }
    return name;
}

Template load_template(int id) {
    Template result;
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (!found) {
        ADD_FAILURE() << "no dialog " << id;
        return result;
    }
    const BYTE* base = static_cast<const BYTE*>(LockResource(LoadResource(instance, found)));
    Reader read{base};
    EXPECT_EQ(read.take<WORD>(), 1);       // extended template
    EXPECT_EQ(read.take<WORD>(), 0xFFFF);  // signature
    read.take<DWORD>();                    // help id
    read.take<DWORD>();                    // extended style
    result.style = read.take<DWORD>();
    const WORD count = read.take<WORD>();
    result.x = read.take<short>();
    result.y = read.take<short>();
    result.cx = read.take<short>();
    result.cy = read.take<short>();
    read.name_or_ordinal();  // menu
    read.name_or_ordinal();  // class
    result.title = read.text();
    if (result.style & DS_SETFONT) {
        result.point_size = read.take<WORD>();
        read.take<WORD>();
        read.take<WORD>();  // italic and character set
        result.font = read.text();
    }
    for (WORD i = 0; i < count; ++i) {
        read.align(base);
        Control control;
        read.take<DWORD>();
        read.take<DWORD>();
        control.style = read.take<DWORD>();
        control.x = read.take<short>();
        control.y = read.take<short>();
        control.cx = read.take<short>();
        control.cy = read.take<short>();
        control.id = read.take<std::int32_t>();
        control.kind = class_of(read.name_or_ordinal());
        control.text = read.name_or_ordinal();
        read.at += read.take<WORD>();  // creation data
        result.controls.push_back(control);
    }
    return result;
}

void expect_controls(const Template& dialog, const std::vector<Control>& expected) {
    ASSERT_EQ(dialog.controls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const Control& got = dialog.controls[i];
        const Control& want = expected[i];
        SCOPED_TRACE("control " + std::to_string(i) + " \"" + want.text + "\"");
        EXPECT_EQ(got.id, want.id);
        EXPECT_STRCASEEQ(got.kind.c_str(), want.kind.c_str());
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ(got.style, want.style) << std::hex << got.style << " " << want.style;
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
    }
}

using DialogTemplateTest = DialogTest;

TEST_F(DialogTemplateTest, ConfigurationTemplate) {
    const Template dialog = load_template(IDD_CONFIG);
    EXPECT_EQ(dialog.style, 0x80C808C8u);
    EXPECT_EQ(dialog.cx, 300);
    // The last line shows only in high contrast: the dialog ends above it otherwise.
    EXPECT_EQ(dialog.cy, 238);
    EXPECT_EQ(dialog.title, "Configuration");
    EXPECT_EQ(dialog.point_size, 8);
    EXPECT_EQ(dialog.font, "MS Shell Dlg");
    expect_controls(dialog, {
                                {-1, "Button", "Device Selection", 0x50000007, 6, 6, 288, 48},
                                {-1, "Static", "Downstream:", 0x50020000, 12, 20, 44, 8},
                                {1003, "ComboBox", "", 0x50210103, 60, 18, 180, 75},
                                {1015, "Button", "Graph all", 0x58010003, 246, 19, 44, 10},
                                {-1, "Static", "Upstream:", 0x50020000, 22, 38, 34, 8},
                                {1002, "ComboBox", "", 0x50210103, 60, 36, 180, 75},
                                {1021, "Button", "Graph all", 0x58010003, 246, 37, 44, 10},
                                {-1, "Button", "Window Options", 0x50000007, 6, 60, 162, 114},
                                {-1, "Static", "Tick delay:", 0x50020000, 13, 74, 35, 8},
                                {1005, "ComboBox", "", 0x50210042, 54, 72, 42, 79},
                                {-1, "Static", "ms", 0x50020000, 102, 74, 10, 8},
                                {1017, "Button", "Lock graph max to:", 0x50010003, 12, 91, 77, 10},
                                {1018, "Edit", "", 0x50810080, 90, 90, 42, 12},
                                {-1, "Static", "bytes/s", 0x50020000, 138, 92, 25, 8},
                                {1008, "Button", "Always on top", 0x50010003, 12, 108, 61, 10},
                                {-1, "Static", "Alpha Transparency", 0x50020000, 24, 126, 65, 8},
                                {1016, "msctls_trackbar32", "", 0x50010018, 12, 138, 150, 15},
                                {-1, "Static", "Clear", 0x50020000, 18, 156, 18, 8},
                                {-1, "Static", "Opaque", 0x50020000, 132, 156, 26, 8},
                                {-1, "Button", "Color Scheme", 0x50000007, 186, 60, 108, 114},
                                {1014, "ComboBox", "", 0x50210103, 192, 72, 96, 98},
                                {-1, "Static", "Background:", 0x50020000, 198, 97, 41, 8},
                                {1009, "Button", "", 0x5001000B, 246, 96, 36, 12},
                                {-1, "Static", "Download:", 0x50020000, 198, 110, 35, 8},
                                {1010, "Button", "", 0x5001000B, 246, 108, 36, 12},
                                {-1, "Static", "Upload:", 0x50020000, 198, 122, 26, 8},
                                {1011, "Button", "", 0x5001000B, 246, 120, 36, 12},
                                {-1, "Static", "Overlapped:", 0x50020000, 198, 134, 41, 8},
                                {1012, "Button", "", 0x5001000B, 246, 132, 36, 12},
                                {-1, "Static", "Text Labels:", 0x50020000, 198, 146, 40, 8},
                                {1019, "Button", "", 0x5001000B, 246, 144, 36, 12},
                                {1020, "Button", "Use DL/UL colors for text", 0x50010003, 192, 162, 96, 10},
                                {-1, "Button", "Notification Area", 0x50000007, 6, 178, 240, 42},
                                {-1, "Static", "&Notification icon:", 0x50020000, 12, 192, 62, 8},
                                {1026, "ComboBox", "", 0x50210003, 78, 190, 160, 60},
                                {-1, "Static", "&Rates in:", 0x50020000, 12, 206, 62, 8},
                                {1027, "ComboBox", "", 0x50210003, 78, 204, 160, 40},
                                {1004, "Button", "&OK", 0x50010000, 252, 204, 44, 18},
                                {1028, "Static",
                                 "High contrast is on: the graph, its icon and the Usage chart show its "
                                 "colours, not these.",
                                 0x40020000, 6, 226, 288, 8},
                            });
}

TEST_F(DialogTemplateTest, AboutTemplate) {
    const Template dialog = load_template(IDD_ABOUT);
    EXPECT_EQ(dialog.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                                               DS_CENTER | DS_SETFONT));
    EXPECT_EQ(dialog.cx, 226);
    EXPECT_EQ(dialog.cy, 130);
    EXPECT_EQ(dialog.title, "About mivrel");
    EXPECT_EQ(dialog.point_size, 8);
    EXPECT_EQ(dialog.font, "MS Shell Dlg");
    const DWORD text = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
    expect_controls(
        dialog, {
                    {2002, "Static", "#146", WS_CHILD | WS_VISIBLE | SS_ICON | SS_NOTIFY, 6, 6, 20, 20},
                    {-1, "Static", "mivrel", text, 30, 12, 26, 8},
                    {-1, "Static", "Version 1.1.2 (2010.06.17)", text, 132, 12, 88, 8},
                    {-1, "Static", "Coded by:", text, 29, 36, 34, 8},
                    {-1, "Static", "the mivrel authors", text, 65, 36, 65, 8},
                    {1023, "Static", MIVREL_CONTACT_EMAIL, text | SS_NOTIFY, 65, 49, 90, 8},
                    {1024, "Static", MIVREL_WEBSITE "/code/", text | SS_NOTIFY, 65, 60, 77, 8},
                    {-1, "Static", "Colors/Icon by:", text, 14, 78, 50, 8},
                    {-1, "Static", "the authors", text, 65, 78, 45, 8},
                    {-1, "Static", "Thanks to:", text, 159, 36, 35, 8},
                    {1, "Button", "&OK", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP,
                     180, 108, 42, 18},
                    {1018, "Edit", "",
                     WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | WS_BORDER | WS_VSCROLL | WS_TABSTOP,
                     159, 48, 58, 54},
                    {-1, "Static", "Made and shared by the mivrel authors.", text, 30, 114, 144, 8},
                });
}

}  // namespace
