// A counter backend whose interfaces, byte counts and clock the test sets.
#pragma once

#include <cstdint>

#include "monitor/counter_source.h"

// Forgets every interface, sets the clock to 0 and makes this the active backend.
void scripted_reset();
// Adds a present interface with zero counts; gives its index.
int scripted_add(const char* description, bool hardware);
void scripted_set_counts(int index, std::uint64_t received, std::uint64_t sent);
void scripted_add_counts(int index, std::uint64_t received, std::uint64_t sent);
void scripted_set_present(int index, bool present);
// The link's speed both ways, bits a second (0: not known, as at the start).
void scripted_set_speed(int index, std::uint64_t bps);
void scripted_advance_ms(double milliseconds);
// While set, the platform does not answer at all.
void scripted_set_failing(bool failing);
// Full table reads and single-row refreshes since the last reset.
int scripted_table_reads();
int scripted_row_refreshes();
// Lets the backend answer refreshes of up to `rows` rows (0: full reads only).
void scripted_allow_refresh(int rows);
// The interface that carries the default route (-1: none).
void scripted_set_default_route(int index);
