#include "dialogs/control_names.h"

#include <oleacc.h>

#include <cstdio>

#include "dialogs/swatches.h"
#include "resources/resource.h"
#include "scoped.h"

const ControlName control_names[] = {
    {IDD_CONFIG, IDC_DOWNLOAD_INTERFACE, "Downstream"},
    {IDD_CONFIG, IDC_UPLOAD_INTERFACE, "Upstream"},
    {IDD_CONFIG, IDC_TICK_DELAY, "Tick delay (ms)"},
    {IDD_CONFIG, IDC_LOCK_MAX_VALUE, "Lock graph max to"},
    {IDD_CONFIG, IDC_ALPHA, "Alpha Transparency"},
    {IDD_CONFIG, IDC_THEME, "Color Scheme"},
    {IDD_CONFIG, IDC_BACKGROUND_SWATCH, "Background colour"},
    {IDD_CONFIG, IDC_DOWNLOAD_SWATCH, "Download colour"},
    {IDD_CONFIG, IDC_UPLOAD_SWATCH, "Upload colour"},
    {IDD_CONFIG, IDC_OVERLAPPED_SWATCH, "Overlapped colour"},
    {IDD_CONFIG, IDC_TEXT_LABELS_SWATCH, "Text labels colour"},
    {IDD_CONFIG, IDC_TRAY_ICON, "Notification icon"},
    {IDD_CONFIG, IDC_RATE_UNITS, "Rates in"},
    {IDD_ABOUT, IDC_ACKNOWLEDGEMENTS, "Thanks to"},
};
const int control_name_count = sizeof control_names / sizeof *control_names;

namespace {

// Spelled out: the import library holds no data for these.
constexpr CLSID annotation_class = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID annotation_interface = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr MSAAPROPID name_property = {
    0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
constexpr MSAAPROPID description_property = {
    0x4d48dfe4, 0xbd3f, 0x491f, {0xa6, 0x48, 0x49, 0x2d, 0x6f, 0x20, 0xc5, 0x88}};

struct AnnotationTraits {
    using Value = IAccPropServices*;
    static bool held(Value services) { return services != nullptr; }
    static void let_go(Value services) { services->Release(); }
};

// The annotations are the window's own properties: they outlast the service
// object, which is made for each call (dialogs open seldom).
void annotate_with_services(HWND control, ControlText what, const char* text) {
    IAccPropServices* made = nullptr;
    if (FAILED(CoCreateInstance(annotation_class, nullptr, CLSCTX_INPROC_SERVER, annotation_interface,
                                reinterpret_cast<void**>(&made))))
        return;
    const Scoped<AnnotationTraits> services(made);
    if (!text) {
        const MSAAPROPID both[] = {name_property, description_property};
        made->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, both, 2);
        return;
    }
    wchar_t wide[128];
    if (!MultiByteToWideChar(CP_ACP, 0, text, -1, wide, sizeof wide / sizeof *wide)) wide[0] = L'\0';
    made->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                         what == ControlText::name ? name_property : description_property, wide);
}

}  // namespace

AnnotateControl annotate_control = annotate_with_services;

void name_controls(HWND dialog, int template_id) {
    for (const ControlName& named : control_names) {
        if (named.dialog == template_id)
            annotate_control(GetDlgItem(dialog, named.control), ControlText::name, named.name);
    }
}

void clear_control_names(HWND dialog, int template_id) {
    for (const ControlName& named : control_names) {
        if (named.dialog == template_id)
            annotate_control(GetDlgItem(dialog, named.control), ControlText::name, nullptr);
    }
}

void describe_control(HWND dialog, int control, const char* text) {
    annotate_control(GetDlgItem(dialog, control), ControlText::description, text);
}

void describe_swatches(HWND dialog, const ColorSet& colors) {
    ColorSet shown = colors;
    for (int i = 0; i < swatch_count; ++i) {
        const Colour colour = swatch_color(shown, i);
        char text[48];
        std::snprintf(text, sizeof text, "Red %u, green %u, blue %u",
                      static_cast<unsigned>(GetRValue(colour)), static_cast<unsigned>(GetGValue(colour)),
                      static_cast<unsigned>(GetBValue(colour)));
        describe_control(dialog, swatch_control(i), text);
    }
}
