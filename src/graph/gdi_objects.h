// Pens and fonts of the graph: GDI's own on Windows, a small stand-in
// elsewhere so that the portable core builds and is tested natively.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include "gdi_stand_in.h"
#endif
