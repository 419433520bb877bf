// No elevation prompt on Linux: the program is run as root or given the
// recorder's node by the udev rule, and the permission line says so.
#include "platform/elevation.h"

void ElevationReadFacts(ElevationFacts* facts) {
    if (facts != nullptr) *facts = ElevationFacts{};
}

ElevationResult ElevationStartAgain(int* /*exitCode*/) { return ElevationImpossible; }
