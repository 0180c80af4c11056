// Loading, applying and saving every setting of the program.
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
// The store as it is now, to the settings file, the same way.
bool queue_settings_save();

void reset_graph_position();
void delete_settings();
