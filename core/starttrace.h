// Velmora: the phases of a start, for the start-up benchmark.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

namespace tarn {

// With VELMORA_TRACE_START set in the environment, writes a line
// "velmora-start <phase> <monotonic ns> <resident kB>" to standard error;
// otherwise does nothing. The clock is the system-wide monotonic one, so a
// parent process can measure from the moment it started the program.
void traceStart(const char *phase);
// Whether the trace is on and asks the program to quit after its first paint
// (VELMORA_TRACE_START=quit).
bool traceStartQuits();

} // namespace tarn
