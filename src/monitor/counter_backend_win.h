// The IP Helper backend's one conversion that tests look at on its own.
#pragma once

#include <windows.h>

// An adapter's description in the ANSI code page, cut to the longest run of
// whole characters that fits the 255 bytes of a row's description.
void adapter_description(const WCHAR* description, int length, char (&text)[256]);
