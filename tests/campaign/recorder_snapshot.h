// The simulated recorder as one run of the updater left it, kept apart from
// everything of the updater's, so that another run can start on it: the
// controller's memory, mode and what it holds while powered, and the flash.
#pragma once

// Takes the recorder as it stands now.
void SnapshotTake();

// Puts the snapshot into a freshly started simulator. With `powerCycled`,
// the recorder was unplugged and plugged in again since: it comes up from
// its memory alone.
void SnapshotRestore(bool powerCycled);
