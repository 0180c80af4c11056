// Every setting applied to the Main window, the window options, the icon and
// the traffic graph when the settings are loaded, and the window's state
// written back into the store.
#pragma once

// Reads the settings file, stores the default of each missing key and applies
// everything to the Main window, the window options and the traffic graph; a
// first run greets the user and opens the Configuration dialog.
void load_settings();

// Writes the current state of the window, the graph and the plan to the store.
void store_settings();

// Writes the current state to the store, and hands the store and the counts
// to the save worker (or, when none runs, writes them now); false when the
// settings file could not be written (the previous file is then left whole).
bool save_settings();

void reset_graph_position();
