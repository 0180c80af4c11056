// The counts' move from the roaming folder, where earlier versions kept them
// beside the settings, to this machine's own folder; what the move could not
// remove there; and every file of the counts removed for a reset.
#pragma once

#include <vector>

#include "settings/settings_file.h"
#include "settings/usage_file.h"

// At start: the counts come over as one set, usage.cfg last; once it is in
// the local folder, the roaming one is never read for counts again. Gives the
// folder they live in for this run: the roaming one while a copy fails. A
// roamed file that could not be removed goes to `left`, but usage.cfg under a
// set-aside name where it can, so that no other machine takes it over.
DataFolder take_over_roaming_counts(std::vector<LeftBehind>* left);

// The owed removals tried again, of files that are still as they were left;
// those that stay are kept in `left`.
void remove_left_behind(std::vector<LeftBehind>& left);

// For "Reset Config and Exit...": usage.cfg, the history and every file set
// aside, in both folders, and the local folder when nothing else is left.
void delete_count_files();
