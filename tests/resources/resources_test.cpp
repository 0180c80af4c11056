// The program's resources, linked into this test program and loaded back from its own module.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

HINSTANCE self() {
    return GetModuleHandleA(nullptr);
}

std::string load_string(UINT id) {
    char text[100] = {};
    int length = LoadStringA(self(), id, text, sizeof text);
    return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}

TEST(StringTable, HoldsTheWindowTitleAndClassName) {
    EXPECT_EQ(load_string(103), "mivrel");
    EXPECT_EQ(load_string(109), "MIVREL");
}

// --- Menu 129 ---------------------------------------------------------------

struct MenuItem {
    HMENU submenu = nullptr;
    UINT id = 0;
    UINT type = 0;
    UINT state = 0;
    std::string text;
};

MenuItem menu_item(HMENU menu, UINT position) {
    char text[128] = {};
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU;
    info.dwTypeData = text;
    info.cch = sizeof text;
    MenuItem item;
    if (!GetMenuItemInfoA(menu, position, TRUE, &info)) {
        ADD_FAILURE() << "no menu item at position " << position;
        return item;
    }
    item.submenu = info.hSubMenu;
    item.id = info.wID;
    item.type = info.fType;
    item.state = info.fState;
    item.text = text;
    return item;
}

void expect_plain(HMENU menu, UINT position, const MenuItem& item) {
    SCOPED_TRACE(item.text);
    EXPECT_EQ(item.state & (MFS_CHECKED | MFS_DISABLED | MFS_GRAYED), 0u);
    EXPECT_EQ(GetMenuState(menu, position, MF_BYPOSITION) & (MF_CHECKED | MF_DISABLED | MF_GRAYED), 0u);
}

class MainMenu : public ::testing::Test {
protected:
    void SetUp() override {
        menu = LoadMenuA(self(), MAKEINTRESOURCEA(129));
        ASSERT_NE(menu, nullptr);
    }
    void TearDown() override {
        if (menu) DestroyMenu(menu);
    }
    HMENU menu = nullptr;
};

TEST_F(MainMenu, HasOnePopupTitledWithTheProgramName) {
    ASSERT_EQ(GetMenuItemCount(menu), 1);
    MenuItem popup = menu_item(menu, 0);
    EXPECT_EQ(popup.text, "mivrel");
    EXPECT_NE(popup.submenu, nullptr);
    EXPECT_EQ(GetSubMenu(menu, 0), popup.submenu);
}

TEST_F(MainMenu, PopupHoldsTheCommandsInOrder) {
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(GetMenuItemCount(popup), 8);

    struct Expected {
        const char* text;
        UINT id;
    };
    // Position 4 is the "Reset..." submenu and 6 the separator, checked below.
    const Expected commands[] = {{"&Show graph", 32788},
                                 {"&Configure...", 32778},
                                 {"&Usage...", 32787},
                                 {"Start with &Windows", 32786},
                                 {},
                                 {"&About...", 32781},
                                 {},
                                 {"E&xit", 32782}};
    for (UINT position : {0u, 1u, 2u, 3u, 5u, 7u}) {
        MenuItem item = menu_item(popup, position);
        EXPECT_EQ(item.text, commands[position].text);
        EXPECT_EQ(item.id, commands[position].id) << item.text;
        EXPECT_EQ(item.submenu, nullptr) << item.text;
        EXPECT_EQ(item.type & MFT_SEPARATOR, 0u) << item.text;
        EXPECT_EQ(GetMenuItemID(popup, position), commands[position].id) << item.text;
        expect_plain(popup, position, item);
    }

    MenuItem separator = menu_item(popup, 6);
    EXPECT_NE(separator.type & MFT_SEPARATOR, 0u);
    EXPECT_EQ(separator.submenu, nullptr);
    EXPECT_EQ(separator.text, "");
}

TEST_F(MainMenu, ResetSubmenuHoldsPositionThenConfig) {
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);
    MenuItem reset = menu_item(popup, 4);
    EXPECT_EQ(reset.text, "Reset...");
    EXPECT_EQ(reset.type & MFT_SEPARATOR, 0u);
    expect_plain(popup, 4, reset);
    ASSERT_NE(reset.submenu, nullptr);
    EXPECT_EQ(GetMenuItemID(popup, 4), static_cast<UINT>(-1));  // a submenu carries no command

    ASSERT_EQ(GetMenuItemCount(reset.submenu), 2);
    MenuItem position = menu_item(reset.submenu, 0);
    EXPECT_EQ(position.text, "Reset Graph Position");
    EXPECT_EQ(position.id, 32785u);
    EXPECT_EQ(position.submenu, nullptr);
    expect_plain(reset.submenu, 0, position);
    MenuItem config = menu_item(reset.submenu, 1);
    EXPECT_EQ(config.text, "Reset Config and Exit...");
    EXPECT_EQ(config.id, 32783u);
    EXPECT_EQ(config.submenu, nullptr);
    expect_plain(reset.submenu, 1, config);
}

// --- Icons 146 and 147 ------------------------------------------------------

// One entry of an icon group resource (the file's directory entry with a resource id instead of an offset).
#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE color_count;
    BYTE reserved;
    WORD planes;
    WORD bit_count;
    DWORD bytes;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
#pragma pack(pop)

const BYTE* resource_bytes(LPCSTR name, LPCSTR type, DWORD* size) {
    HRSRC found = FindResourceA(self(), name, type);
    if (!found) return nullptr;
    HGLOBAL loaded = LoadResource(self(), found);
    *size = SizeofResource(self(), found);
    return loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
}

struct IconImage {
    int width = 0;
    int height = 0;
    int bit_count = 0;
    std::vector<BYTE> alpha;
    std::vector<BYTE> pixels;
};

// Reads one RT_ICON image: a DIB whose height counts the colour image and its mask.
IconImage icon_image(WORD id) {
    IconImage image;
    DWORD size = 0;
    const BYTE* bytes = resource_bytes(MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3) /* RT_ICON */, &size);
    if (!bytes || size < sizeof(BITMAPINFOHEADER)) return image;
    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes, sizeof header);
    image.width = header.biWidth;
    image.height = header.biHeight / 2;
    image.bit_count = header.biBitCount;
    size_t pixel_bytes = static_cast<size_t>(image.width) * image.height * 4;
    if (header.biBitCount != 32 || header.biSize + pixel_bytes > size) return image;
    image.pixels.assign(bytes + header.biSize, bytes + header.biSize + pixel_bytes);
    for (size_t i = 3; i < pixel_bytes; i += 4) image.alpha.push_back(image.pixels[i]);
    return image;
}

class Icon : public ::testing::TestWithParam<int> {};

TEST_P(Icon, GroupHoldsThirtyTwoBitImagesForEveryCommonScale) {
    DWORD size = 0;
    const BYTE* group =
        resource_bytes(MAKEINTRESOURCEA(GetParam()), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, &size);
    ASSERT_NE(group, nullptr);
    ASSERT_GE(size, sizeof(GroupIconHeader));
    GroupIconHeader header;
    std::memcpy(&header, group, sizeof header);
    EXPECT_EQ(header.type, 1);
    ASSERT_EQ(header.count, 9);
    ASSERT_GE(size, sizeof header + header.count * sizeof(GroupIconEntry));

    std::set<int> sizes;
    for (int i = 0; i < header.count; ++i) {
        GroupIconEntry entry;
        std::memcpy(&entry, group + sizeof header + i * sizeof entry, sizeof entry);
        SCOPED_TRACE(entry.width);
        sizes.insert(entry.width);
        EXPECT_EQ(entry.width, entry.height);
        EXPECT_EQ(entry.bit_count, 32);

        IconImage image = icon_image(entry.id);
        EXPECT_EQ(image.width, entry.width);
        EXPECT_EQ(image.height, entry.height);
        EXPECT_EQ(image.bit_count, 32);
        // Real alpha: the rounded corners are clear and the middle is opaque.
        ASSERT_EQ(image.alpha.size(), static_cast<size_t>(entry.width) * entry.width);
        EXPECT_EQ(image.alpha.front(), 0) << "bottom-left corner";
        EXPECT_EQ(image.alpha.back(), 0) << "top-right corner";
        EXPECT_EQ(image.alpha[image.alpha.size() / 2 + entry.width / 2], 255) << "centre";

        // The platform picks this very image when asked for its size.
        int picked = LookupIconIdFromDirectoryEx(const_cast<BYTE*>(group), TRUE, entry.width, entry.width,
                                                 LR_DEFAULTCOLOR);
        EXPECT_EQ(picked, entry.id);
    }
    // The small-icon sizes of 100, 125, 150, 175, 200 and 250 %, and the
    // large-icon sizes of 100 to 200 %.
    EXPECT_EQ(sizes, (std::set<int>{16, 20, 24, 28, 32, 40, 48, 56, 64}));
}

TEST_P(Icon, LoadsAtEachSize) {
    for (int size : {16, 20, 24, 28, 32, 40, 48, 56, 64}) {
        SCOPED_TRACE(size);
        HICON icon =
            static_cast<HICON>(LoadImageA(self(), MAKEINTRESOURCEA(GetParam()), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP color{};
        ASSERT_NE(info.hbmColor, nullptr);
        ASSERT_EQ(GetObjectA(info.hbmColor, sizeof color, &color), static_cast<int>(sizeof color));
        EXPECT_EQ(color.bmWidth, size);
        EXPECT_EQ(color.bmHeight, size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    EXPECT_NE(LoadIconA(self(), MAKEINTRESOURCEA(GetParam())), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Resources, Icon, ::testing::Values(146, 147));

TEST(Icons, AboutIconDiffersFromTheMainIcon) {
    auto pixels_at = [](int group_id, int wanted) {
        DWORD size = 0;
        const BYTE* group =
            resource_bytes(MAKEINTRESOURCEA(group_id), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, &size);
        if (!group) return std::vector<BYTE>{};
        int id = LookupIconIdFromDirectoryEx(const_cast<BYTE*>(group), TRUE, wanted, wanted, LR_DEFAULTCOLOR);
        return icon_image(static_cast<WORD>(id)).pixels;
    };
    for (int size : {16, 32, 48}) {
        std::vector<BYTE> main_pixels = pixels_at(146, size);
        ASSERT_FALSE(main_pixels.empty()) << size;
        EXPECT_NE(main_pixels, pixels_at(147, size)) << size;
    }
}

// --- Version and manifest ---------------------------------------------------

class VersionInfo : public ::testing::Test {
protected:
    void SetUp() override {
        char path[MAX_PATH] = {};
        ASSERT_GT(GetModuleFileNameA(nullptr, path, sizeof path), 0u);
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeA(path, &ignored);
        ASSERT_GT(size, 0u);
        data.resize(size);
        ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, data.data()));
    }
    // The string value, or nullptr when the block has none.
    const char* string_value(const char* name) {
        std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(data.data(), key.c_str(), &value, &length) || length == 0) return nullptr;
        return static_cast<const char*>(value);
    }
    std::vector<BYTE> data;
};

TEST_F(VersionInfo, FixedPartReadsOneOneTwo) {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof *fixed);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010001u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00020000u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010001u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00020000u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

TEST_F(VersionInfo, StringsNameTheProgramAndNoOne) {
    struct {
        WORD language;
        WORD code_page;
    }* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation->language, 0x0409);
    EXPECT_EQ(translation->code_page, 1200);

    ASSERT_NE(string_value("ProductName"), nullptr);
    EXPECT_STREQ(string_value("ProductName"), "mivrel");
    ASSERT_NE(string_value("FileDescription"), nullptr);
    EXPECT_STREQ(string_value("FileDescription"), "mivrel network traffic graph");
    ASSERT_NE(string_value("ProductVersion"), nullptr);
    EXPECT_STREQ(string_value("ProductVersion"), "1.1.2");
    ASSERT_NE(string_value("FileVersion"), nullptr);
    EXPECT_STREQ(string_value("FileVersion"), "1.1.2.0");
    EXPECT_EQ(string_value("CompanyName"), nullptr);
    EXPECT_EQ(string_value("LegalCopyright"), nullptr);
}

TEST(Manifest, AsksForCommonControlsSixAsInvoker) {
    DWORD size = 0;
    const BYTE* bytes = resource_bytes(MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24) /* RT_MANIFEST */, &size);
    ASSERT_NE(bytes, nullptr);
    std::string manifest(reinterpret_cast<const char*>(bytes), size);

    size_t controls = manifest.find("name=\"Microsoft.Windows.Common-Controls\"");
    ASSERT_NE(controls, std::string::npos);
    // The version must belong to that same assemblyIdentity element.
    size_t element_start = manifest.rfind('<', controls);
    size_t element_end = manifest.find("/>", controls);
    ASSERT_NE(element_end, std::string::npos);
    std::string identity = manifest.substr(element_start, element_end - element_start);
    EXPECT_NE(identity.find("version=\"6.0.0.0\""), std::string::npos) << identity;
    EXPECT_NE(identity.find("publicKeyToken=\"6595b64144ccf1df\""), std::string::npos) << identity;

    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    // Windows Vista, 7, 8, 8.1 and 10/11.
    for (const char* os : {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
        EXPECT_NE(manifest.find(os), std::string::npos) << os;
    }
}

// The manifest is not just present but in effect: the process's activation context sends
// comctl32.dll to version 6 of the common controls, and that is the copy that gets loaded.
TEST(Manifest, ActivatesCommonControlsSix) {
    ACTCTX_SECTION_KEYED_DATA redirection{};
    redirection.cbSize = sizeof redirection;
    EXPECT_TRUE(FindActCtxSectionStringA(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                         "comctl32.dll", &redirection));

    INITCOMMONCONTROLSEX init{sizeof init, ICC_BAR_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&init));
    HMODULE controls = GetModuleHandleA("comctl32.dll");
    ASSERT_NE(controls, nullptr);
    char path[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameA(controls, path, sizeof path), 0u);
    std::string lower = path;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(lower.find("microsoft.windows.common-controls_6595b64144ccf1df_6.0."), std::string::npos)
        << path;
}

}  // namespace
