#include "app/router_readings.h"

#include <memory>

#include "settings/router_keeping.h"
#include "settings/router_settings.h"
#include "settings/settings.h"

namespace {

bool identity_check_wanted = false;

}  // namespace

LRESULT on_router_reading(LPARAM lparam) {
    const std::unique_ptr<RouterReading> reading(reinterpret_cast<RouterReading*>(lparam));
    if (!reading) return 0;
    const RouterCounted counted = keep_router_reading(*reading);
    identity_check_wanted = identity_check_wanted || counted.check_identity;
    if (counted.learnt) {
        store_router_settings();
        queue_settings_save();
    }
    return 0;
}

bool take_router_identity_check() {
    const bool wanted = identity_check_wanted;
    identity_check_wanted = false;
    return wanted;
}
