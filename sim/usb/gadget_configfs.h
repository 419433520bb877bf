// The USB gadget that carries the recorder, made through configfs: one
// configuration with one FunctionFS function, bound to a USB device
// controller (UDC) to plug it in, unbound to pull it out.
#pragma once

#include <cstddef>

struct GadgetSetup {
    const char* udc;  // controller name; nullptr: the first one in /sys/class/udc
    char udcName[64];
    char gadgetDir[128];  // under configfs
    char ffsDir[128];     // where FunctionFS is mounted: ep0, ep1, ep2
};

// Makes the gadget and mounts its FunctionFS (configfs too, if it is not
// mounted yet). False with a message in `error`.
bool GadgetCreate(GadgetSetup* setup, char* error, size_t errorSize);

// Plugs the function in (binds the gadget to the controller) or pulls it out.
bool GadgetPlug(const GadgetSetup& setup);
bool GadgetUnplug(const GadgetSetup& setup);

// The speed the controller runs at now: the bulk endpoints' packet size.
unsigned GadgetMaxPacket(const GadgetSetup& setup);

// Unplugs and removes everything GadgetCreate made (errors are ignored: it
// also clears what a run that was killed left behind).
void GadgetRemove(const GadgetSetup& setup);
