#include "app/update_sequence.h"

// The version check and the update come here.
int RunUpdateSequence() { return 0; }
