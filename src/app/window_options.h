// Opacity and always-on-top of the Main window.
#pragma once

#include <windows.h>

extern BYTE alpha;  // 255 is opaque
extern BYTE always_on_top;

void apply_transparency();
void apply_always_on_top(bool flag);
