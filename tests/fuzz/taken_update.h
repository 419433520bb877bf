// What a recorder "took" of an update, judged from the answers the updater
// got on the wire, so that a run can be held to what it reports.
//
// The updater cannot see inside the controller: it may only say an update is
// done when the answers say so. A pass is what is written between two
// restart frames. It counts as taken when every block was begun and every
// 32-byte chunk of 0x0000-0xD3FF written with a frame answered as carried out
// with GOOD, and the restart frame that closed it was seen to work: the drive
// vanished (an open or access check found nothing) and came back (an open
// succeeded). Which image a taken pass installed is decided by the bytes it
// wrote; a pass that wrote part of the area leaves nothing taken.
#pragma once

#include <cstdint>

#include "platform/drive.h"

enum TakenImage : int {
    TakenNothing = 0,
    TakenFirmware = 1,
    TakenBootLoader = 2,
    TakenOther = 3,  // a whole pass of neither image
};

void TakenReset();

// Called by the hostile drive with the result of every open and access check,
// and every command with the answer it gave.
void TakenSeeOpen(DriveOpenResult result);
void TakenSeeCommand(const ScsiRequest& request, const ScsiOutcome& answer);

// The image of the last pass that wrote anything and was closed by a restart
// seen to work; TakenNothing when that pass was not whole.
TakenImage TakenLastPass();
// True when a pass of the boot-loader image was taken at some point.
bool TakenBootLoaderPass();
// Erase commands answered other than GOOD.
uint32_t TakenFailedErases();
