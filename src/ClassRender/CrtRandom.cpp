// Portable core: the process-wide random generator.
#include "src/ClassRender/CrtRandom.h"

// Starts at 1, as the runtime does when never seeded.
static uint32_t s_state = 1;

int CrtRand()
{
    s_state = s_state * 214013u + 2531011u;
    return static_cast<int>((s_state >> 16) & 0x7FFF);
}

float CrtRandUnit()
{
    return static_cast<float>(CrtRand()) * (1.0f / 32767.0f);
}

void CrtRandDiscard(uint32_t count)
{
    while (count-- > 0)
        CrtRand();
}

uint32_t CrtRandState()
{
    return s_state;
}

void CrtRandSetState(uint32_t state)
{
    s_state = state;
}
