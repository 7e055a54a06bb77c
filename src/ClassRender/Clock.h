// Portable core: the one millisecond clock of the program.
#pragma once
#include <cstdint>

using ClockSource = uint32_t (*)();

// Every millisecond read of the program goes through here. The Windows layer
// installs timeGetTime; tests install a clock they drive.
uint32_t ClockReadMs();

// Replaces the clock; null restores the portable default (a steady clock).
void ClockSetSource(ClockSource source);
