// Portable core: the process-wide random generator, bit-exact with the
// C runtime's rand() on Windows, so every platform draws the same numbers.
#pragma once
#include <cstdint>

constexpr int CRT_RAND_MAX = 0x7FFF;

// Next value, 0..32767.
int CrtRand();

// Next value scaled to 0..1: CrtRand() x (1/32767), the fraction every
// random formula of the scene takes.
float CrtRandUnit();

// Draws and discards count values.
void CrtRandDiscard(uint32_t count);

// State access for tests; the program itself never seeds.
uint32_t CrtRandState();
void CrtRandSetState(uint32_t state);
