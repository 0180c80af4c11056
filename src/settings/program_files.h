// The files the program keeps for itself, which nothing of the user's may
// land on: settings.cfg, usage.cfg, usage-history.csv and the histories set
// aside (usage-history.bad*.csv), in either of its folders.
#pragma once

// Whether `name` is one of those names, in any letter case; trailing dots
// and blanks, which the platform drops, do not count.
bool is_program_file_name(const char* name);

// Whether `path` (UTF-8) names one of those files, or would once written. A
// file that is there is compared by identity, so that no other spelling of it
// (a short name, other letter case, a junction, a share) slips past; one that
// is not yet there by its folder's identity and its name.
bool is_program_file(const char* path);
