// The program's own icon (146) as the notification area shows it, at the
// size the taskbar draws it: loaded for that size with LoadImage, so it is
// ours to destroy (never a shared one from LoadIcon), and loaded again when
// the size changes. Also icons at a dialog's DPI, for the About box.
#pragma once

#include <windows.h>

// The icon at the taskbar's icon size (icon_size_source), loaded at the
// first call; null if it cannot be loaded.
HICON program_icon();

// Reads the size again and, at a new size, loads the icon for it. Gives the
// icon it replaced, for the caller to destroy (destroy_loaded_icon) once the
// notification area shows the new one; null when nothing changed.
HICON reload_program_icon();

void free_program_icon();

// Icon `id` of the program at the large-icon size for `dpi` (SM_CXICON), or
// null; the caller destroys it with destroy_loaded_icon.
HICON load_icon_for_dpi(int id, int dpi);
void destroy_loaded_icon(HICON icon);

// Every icon loaded here and destroyed again: GDI's own count is not
// available everywhere (Wine answers 0).
struct ProgramIconCounts {
    long loaded;
    long destroyed;
};
extern ProgramIconCounts program_icon_counts;
