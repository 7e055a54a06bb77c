// Windows layer: puts the multimedia timer behind the program's clock.
#pragma once

// Installs timeGetTime as the clock (also done before static construction
// when this file is linked) and asks for 1 ms timer resolution.
void InstallSystemClock();
