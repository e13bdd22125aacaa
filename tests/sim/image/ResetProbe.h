// What the reset probe image saw, one record per loaded copy.
#pragma once

#include <cstdint>

struct ResetProbeReport
{
    unsigned entries;           // how often this copy's entry ran (a function-local static)
    int singleton;              // a singleton's value when the entry started
    uint32_t heapTopAtEntry;    // the internal heap bank's top when the entry started
    uint32_t heapTopBeforeReset;
    unsigned restartsSeen;
    bool referencesBound;       // the global references are this copy's instances
    uint16_t year;              // read back from the clock chip after the reset
    uint8_t minutes;
};
