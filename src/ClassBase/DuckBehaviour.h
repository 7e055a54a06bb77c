// Portable core: what a duck does next. Each time the animation of its
// current state has played through once, a duck that swam splashes with a
// chance of 8000 in 32768, a duck that splashed dives with that chance or
// swims, and a duck that dived swims again.
#pragma once

enum DuckState
{
    dsSwim = 0,
    dsDive = 1,
    dsSplash = 2,
};
constexpr int DUCK_STATES = 3;
// rand() below this changes the behaviour: about 24.4 %.
constexpr int DUCK_CHANCE = 8000;

// The state after a full cycle of `state` (one draw for swim and splash,
// none for dive). Anything else counts as swim.
DuckState DuckNextState(int state);
