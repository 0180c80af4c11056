// The counter source's shared vocabulary: the status codes its operations
// return and the interface table a backend fills. Both the source and its
// path handling read these, so they stand on their own.
#pragma once

#include <cstdint>

using PDH_STATUS = std::int32_t;

constexpr PDH_STATUS ERROR_SUCCESS_STATUS = 0;
constexpr PDH_STATUS PDH_MORE_DATA = static_cast<PDH_STATUS>(0x800007D2u);
constexpr PDH_STATUS PDH_NO_DATA = static_cast<PDH_STATUS>(0x800007D5u);
constexpr PDH_STATUS PDH_CSTATUS_NO_OBJECT = static_cast<PDH_STATUS>(0xC0000BB8u);
constexpr PDH_STATUS PDH_CSTATUS_NO_COUNTER = static_cast<PDH_STATUS>(0xC0000BB9u);
constexpr PDH_STATUS PDH_CSTATUS_INVALID_DATA = static_cast<PDH_STATUS>(0xC0000BBAu);
constexpr PDH_STATUS PDH_INVALID_HANDLE = static_cast<PDH_STATUS>(0xC0000BBCu);
constexpr PDH_STATUS PDH_INVALID_ARGUMENT = static_cast<PDH_STATUS>(0xC0000BBDu);
constexpr PDH_STATUS PDH_CSTATUS_BAD_COUNTERNAME = static_cast<PDH_STATUS>(0xC0000BC0u);
constexpr PDH_STATUS PDH_MEMORY_ALLOCATION_FAILURE = static_cast<PDH_STATUS>(0xC0000BBBu);
constexpr PDH_STATUS PDH_CALC_NEGATIVE_VALUE = static_cast<PDH_STATUS>(0x800007D8u);

// What a backend reports for one interface at one moment.
struct InterfaceCounts {
    char description[256];  // raw adapter description; turned into an instance name here
    std::uint64_t key;      // the backend's own identity of the adapter
    std::uint64_t received;
    std::uint64_t sent;
    std::uint64_t receive_bps;  // the link's speed each way, bits a second; 0 when not known
    std::uint64_t transmit_bps;
    bool hardware;  // counted in the "*" total
};

constexpr int max_interfaces = 128;

struct InterfaceTable {
    InterfaceCounts rows[max_interfaces];
    int count;
};
