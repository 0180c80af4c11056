#include "app/main_menu.h"

#include "app/app.h"
#include "app/start_with_windows.h"
#include "resources/resource.h"

namespace {

bool holds(HMENU popup, UINT command) {
    return GetMenuState(popup, command, MF_BYCOMMAND) != static_cast<UINT>(-1);
}

}  // namespace

// The check mark shows the registry as it is now, whoever changed it.
void prepare_menu_popup(HMENU popup) {
    if (holds(popup, IDM_SHOW_GRAPH)) {
        const char* text = IsWindowVisible(main_window) ? "&Hide graph" : "&Show graph";
        ModifyMenuA(popup, IDM_SHOW_GRAPH, MF_BYCOMMAND | MF_STRING, IDM_SHOW_GRAPH, text);
        SetMenuDefaultItem(popup, IDM_SHOW_GRAPH, FALSE);
    }
    if (holds(popup, IDM_START_WITH_WINDOWS))
        CheckMenuItem(popup, IDM_START_WITH_WINDOWS,
                      MF_BYCOMMAND | (starts_with_windows() ? MF_CHECKED : MF_UNCHECKED));
}
