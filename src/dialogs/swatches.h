// The Configuration dialog's five colour swatches and their brushes.
#pragma once

#include <windows.h>

#include "graph/themes.h"

constexpr int swatch_count = 5;

// The working colours that the swatches show and the graph previews.
extern ColorSet edit_colors;
// One solid brush per member of edit_colors, in member order; null while none exists.
extern HBRUSH swatch_brushes[swatch_count];

// Position of a swatch button in member order, or -1 for any other control.
int swatch_index(int control_id);
// The swatch button at that position.
int swatch_control(int index);
Colour& swatch_color(ColorSet& set, int index);

void rebuild_swatch_brush(int index);
void rebuild_swatch_brushes();
void free_swatch_brushes();

// Fills an owner-drawn swatch with its brush, and marks the focus.
void draw_swatch(const DRAWITEMSTRUCT& item);
