#include "app/router_readings.h"

#include <cstring>
#include <memory>

#include "app/app.h"
#include "dialogs/router_dialog.h"
#include "monitor/router_poll.h"
#include "settings/router_keeping.h"
#include "settings/router_settings.h"
#include "settings/settings.h"

RouterPolls router_polls = {poll_router, check_router_identity};

namespace {

// Where the chosen router was read, when the poll thread had to find it again
// (a new description URL, or a new ifIndex after the router's restart): the
// settings follow, so that the next start reads it there at once.
bool follow_router(const RouterReading& reading) {
    if (reading.problem != RouterProblem::none || std::strcmp(reading.identity, router_choice.identity) != 0)
        return false;
    if (router_choice.source == RouterSource::upnp && reading.location[0] &&
        std::memchr(reading.location, '\0', sizeof reading.location) &&
        std::strcmp(reading.location, router_choice.location) != 0) {
        std::memcpy(router_choice.location, reading.location, sizeof router_choice.location);
        return true;
    }
    if (router_choice.source == RouterSource::snmp && reading.snmp_interface > 0 &&
        reading.snmp_interface != router_choice.snmp_interface) {
        router_choice.snmp_interface = reading.snmp_interface;
        return true;
    }
    return false;
}

LRESULT on_router_reading(std::unique_ptr<RouterReading> reading) {
    const RouterCounted counted = keep_router_reading(*reading);
    if (counted.check_identity) router_polls.check_identity();
    if (follow_router(*reading) || counted.learnt) {
        store_router_settings();
        queue_settings_save();
    }
    return 0;
}

}  // namespace

void start_router_polls(HWND window) {
    set_router_window(window, router_answer_message);
    router_polls.poll(router_choice);
}

LRESULT on_router_answer(WPARAM kind, LPARAM record) {
    switch (static_cast<RouterAnswer>(kind)) {
        case RouterAnswer::reading:
            return on_router_reading(
                std::unique_ptr<RouterReading>(reinterpret_cast<RouterReading*>(record)));
        case RouterAnswer::search:
        case RouterAnswer::interfaces:
            take_router_answer(kind, record);
            return 0;
    }
    return 0;
}

LRESULT on_router_chosen() {
    store_router_settings();
    queue_settings_save();
    router_polls.poll(router_choice);
    return 0;
}
