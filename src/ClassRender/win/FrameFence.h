// Windows layer: at most one frame queued on the device.
#pragma once
#include <d3d9.h>

// A driver may queue several frames behind Present. Each of them delays
// whatever comes next by its drawing time: a key that ends the saver waits
// for the frame in hand, and releasing the device waits for all queued ones.
// An event query issued after each Present tells when the device has caught
// up; until it has, the loop waits for messages instead of drawing.
struct FrameFence
{
    IDirect3DQuery9* query = nullptr; // null: the device has no event query, frames are not held back
    bool pending = false;             // issued and not yet seen done
};

// Creates the event query; without one the fence holds nothing back.
void FrameFenceOpen(FrameFence& fence, IDirect3DDevice9* device);
// After a Present: the device is done with this frame once the query is.
void FrameFenceMark(FrameFence& fence);
// True while the last marked frame is still being drawn. A failed query
// (a lost device among others) counts as done, so the loop never stalls on it.
bool FrameFenceBusy(FrameFence& fence);
// Waits, sleeping, until the last marked frame is drawn or waitMs passed.
// Releasing the device waits for that frame too, but spinning, which takes
// a processor from a driver that draws on the CPU.
void FrameFenceDrain(FrameFence& fence, unsigned waitMs);
// Releases the query; safe on a closed fence.
void FrameFenceClose(FrameFence& fence);
