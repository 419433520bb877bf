// The mass-storage function in FunctionFS: its descriptors and strings
// (written to ep0), its two bulk endpoints, and the control requests of the
// class that arrive on ep0 (Get Max LUN, Bulk-Only Mass Storage Reset).
#pragma once

#include <pthread.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

struct FfsFunction {
    int ep0;
    int bulkIn;   // ep1
    int bulkOut;  // ep2
    // Counts the host's Bulk-Only resets; the bulk loop drops the command it
    // is in when this moves.
    std::atomic<uint32_t> resets;
    std::atomic<bool> enabled;  // configured by the host, endpoints usable
    pthread_t bulkThread;       // interrupted (SIGUSR1) by a reset
};

// Opens ep0 under `ffsDir`, writes the descriptors and strings, then opens
// the bulk endpoints the kernel made from them.
bool FfsOpen(FfsFunction* function, const char* ffsDir, char* error, size_t errorSize);

// Serves ep0 until it fails; run on a thread of its own. SIGUSR1 must have
// a handler that does nothing (without SA_RESTART), so that a reset can
// interrupt the bulk thread's blocked read or write.
void* FfsServeEp0(void* function);

// Halts bulk-in (FunctionFS halts an IN endpoint when it is read).
void FfsHaltBulkIn(const FfsFunction& function);
void FfsHaltBulkOut(const FfsFunction& function);
