#include "app/elevated_start.h"

#include "app/update_sequence.h"

bool ShouldStartElevated(const ElevationFacts& facts) {
    return facts.ownConsole && !facts.elevated && !facts.startedAgain;
}

bool RanElevatedCopy(int* exitCode) {
    if (exitCode == nullptr) return false;
    ElevationFacts facts{};
    ElevationReadFacts(&facts);
    if (!ShouldStartElevated(facts)) return false;
    // Declined or impossible: this program, with its permission line.
    if (ElevationStartAgain(exitCode) != ElevationRan) return false;
    // The copy ran, whatever became of it: never a second update after it.
    if (*exitCode < 0) *exitCode = ExitFailed;
    return true;
}
