#pragma once

// Writes a rate in bytes per second as "%.1f %s" in units of 1024 (bytes, kB, mB, gB, tB, pB).
void format_rate(char (&text)[16], double value);
