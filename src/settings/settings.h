// The settings store to its file, and every file of the program removed.
#pragma once

// The store as it is now, to the settings file, by the save worker (or, when
// none runs, now); false when the file could not be written, or is there but
// unread.
bool queue_settings_save();

// "Reset Config and Exit...": the settings file, the counts, and their folders
// once nothing else is left in them. Nothing may be writing meanwhile.
void delete_settings();
