// Every setting applied to the Main window, the window options, the icon and
// the traffic graph when the settings are loaded, and the window's state
// written back into the store.
#pragma once

// Reads the settings file and the counts (one that another program holds is
// tried again for a moment, both together) and applies every setting; a
// first run greets the user and opens the Configuration dialog, a file that
// is there but could not be read does not.
void load_settings();

// Applies every setting of the store to the Main window, the window options
// and the traffic graph, storing the default of each missing key: at start,
// and again once a file read late has filled the store.
void apply_settings();

// Writes the current state of the window, the graph and the plan to the store.
void store_settings();

// Writes the current state to the store, and hands the store and the counts
// to the save worker (or, when none runs, writes them now); false when the
// settings file could not be written (the previous file is then left whole).
bool save_settings();
// The same for the store as it is.
bool save_stored_settings();

void reset_graph_position();
