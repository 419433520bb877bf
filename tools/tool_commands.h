// The commands of vokari-tool. Each prints its result (text or JSON) and
// returns the exit code. The images are loaded and the lock is held by then.
#pragma once

#include "tools/tool_args.h"

int RunList(const ToolArgs& args);
int RunVerify(const ToolArgs& args);
int RunReadFlash(const ToolArgs& args);
int RunReadController(const ToolArgs& args);
