// The traffic counter source: per-interface byte rates behind the familiar
// query/counter/collect protocol. Rates come from cumulative byte counts that
// a backend reports at each collection, divided by the time measured between
// the last two collections.
#pragma once

#include <cstdint>

#include "monitor/counter_backend.h"
#include "monitor/counter_paths.h"
#include "monitor/counter_types.h"

struct CounterQuery;
struct Counter;
using PDH_HQUERY = CounterQuery*;
using PDH_HCOUNTER = Counter*;

constexpr std::uint32_t PDH_FMT_LONG = 0x00000100;
constexpr std::uint32_t PDH_FMT_LARGE = 0x00000400;

struct PDH_FMT_COUNTERVALUE {
    std::uint32_t CStatus;
    union {
        std::int32_t longValue;
        double doubleValue;
        std::int64_t largeValue;
    };
};

PDH_STATUS PdhOpenQueryA(const char* data_source, std::uintptr_t user_data, PDH_HQUERY* query);
PDH_STATUS PdhAddCounterA(PDH_HQUERY query, const char* full_path, std::uintptr_t user_data,
                          PDH_HCOUNTER* counter);
PDH_STATUS PdhRemoveCounter(PDH_HCOUNTER counter);
PDH_STATUS PdhCollectQueryData(PDH_HQUERY query);
PDH_STATUS PdhGetFormattedCounterValue(PDH_HCOUNTER counter, std::uint32_t format, std::uint32_t* type,
                                       PDH_FMT_COUNTERVALUE* value);
PDH_STATUS PdhCloseQuery(PDH_HQUERY query);
PDH_STATUS PdhExpandCounterPathA(const char* wildcard_path, char* expanded_paths, std::uint32_t* size);

// Replaces the backend used by every query and expansion (tests use a scripted one).
// Passing null restores the platform's.
void set_counter_backend(const CounterBackend* backend);

// Every interface present now, named as the counters name it.
struct NamedInterfaces {
    InterfaceTable table;
    char names[max_interfaces][instance_name_size];
};

// False when the platform does not answer.
bool read_named_interfaces(NamedInterfaces* interfaces);

// Writes the instance name of the adapter that carries the default route,
// spelt as the expansion lists it; false when there is none.
bool default_route_instance(char* name, int size);
