// The names a screen reader speaks for the controls of the Configuration and
// About dialogs that have no label of their own just before them: their
// templates stay as they are, so the names are given by Dynamic Annotation
// when a dialog opens and taken back when it closes. The colour swatches are
// named by what they colour, with the colour as their description.
#pragma once

#include <windows.h>

#include "graph/themes.h"

struct ControlName {
    int dialog;  // the template
    int control;
    const char* name;
};

// Every edit, combo box, trackbar and owner-drawn button of those dialogs.
extern const ControlName control_names[];
extern const int control_name_count;

enum class ControlText { name, description };

// The one annotation call behind everything here: `text` becomes the
// control's name or description; null takes both back. Tests write the calls
// down: Wine's proxies may not read annotations.
using AnnotateControl = void (*)(HWND control, ControlText what, const char* text);
extern AnnotateControl annotate_control;

// WM_INITDIALOG and WM_DESTROY of the dialog made from `template_id`.
void name_controls(HWND dialog, int template_id);
void clear_control_names(HWND dialog, int template_id);

void describe_control(HWND dialog, int control, const char* text);
// Each swatch's colour, "Red 0, green 255, blue 0".
void describe_swatches(HWND dialog, const ColorSet& colors);
