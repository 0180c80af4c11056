#include "app/update_restart.h"

RestartRegistrar register_restart = RegisterApplicationRestart;

void register_update_restart() {
    register_restart(L"", update_restart_flags);
}
