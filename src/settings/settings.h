// Loading, applying and saving every setting of the program.
#pragma once

// Reads the settings file, stores the default of each missing key and applies
// everything to the Main window, the window options and the traffic graph; a
// first run greets the user and opens the Configuration dialog.
void load_settings();

// Writes the current state to the store and the store to the file; false when
// the file could not be written (the previous file is then left whole).
bool save_settings();

void reset_graph_position();
void delete_settings();
