// vokari-tool's entry: sees, verifies and reads back a recorder, and never
// sends it anything that changes it.
#pragma once

// Runs the command of argv and returns the exit code (tools/tool_report.h).
// `lockName` is the single-instance lock, the updater's, taken before any
// drive is touched.
int ToolMain(int argc, char** argv, const char* lockName);
