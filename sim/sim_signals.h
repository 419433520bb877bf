// Internal to the simulator: the recorder's state saved when a signal ends
// vokari-update-sim (sim_signals.cpp), or on Windows a console control event
// (sim_signals_windows.cpp).
#pragma once

// Catches the signals that end the program, when there is a state file to
// save. Called after the console has taken the terminal and its signals, so
// that the console's own handling still follows.
void SimSaveOnEndingSignals(const char* statePath);

// Around everything that changes the recorder's saved state: a signal that
// arrives in between is acted on at the end.
void SimCommandBegins();
void SimCommandEnds();
