// What went wrong with a router, in the words the Router dialog says it in:
// each failure says what failed, in one place.
#pragma once

#include "monitor/router_reading.h"

// A sentence for `problem`; "" for none.
const char* router_problem_words(RouterProblem problem);
