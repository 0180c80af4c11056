#include "monitor/router_words.h"

const char* router_problem_words(RouterProblem problem) {
    switch (problem) {
        case RouterProblem::none:
            break;
        case RouterProblem::nothing_answered:
            return "No router answered. Its UPnP may be off; a description URL can be typed.";
        case RouterProblem::no_counters:
            return "The router offers no traffic counters.";
        case RouterProblem::address_silent:
            return "The address did not answer.";
        // An agent drops a request with a wrong community without a word.
        case RouterProblem::community_refused:
            return "No answer with this community, or SNMP is off.";
        case RouterProblem::counter_missing:
            return "A traffic counter is missing from the router's answer.";
        case RouterProblem::other_router:
            return "Another router answered at this address.";
        case RouterProblem::refused:
            return "The router's answer was refused: too large, not http, or not understood.";
    }
    return "";
}
