// Portable core: what a duck does next.
#include "src/ClassBase/DuckBehaviour.h"

#include "src/ClassRender/CrtRandom.h"

DuckState DuckNextState(int state)
{
    switch (state)
    {
    case dsDive:
        return dsSwim;
    case dsSplash:
        return CrtRand() < DUCK_CHANCE ? dsDive : dsSwim;
    default:
        return CrtRand() < DUCK_CHANCE ? dsSplash : dsSwim;
    }
}
