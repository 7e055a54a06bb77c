// Windows layer: at most one frame queued on the device.
#include "src/ClassRender/win/FrameFence.h"

#include "src/ClassRender/Clock.h"

void FrameFenceOpen(FrameFence& fence, IDirect3DDevice9* device)
{
    FrameFenceClose(fence);
    if (device == nullptr || FAILED(device->CreateQuery(D3DQUERYTYPE_EVENT, &fence.query)))
        fence.query = nullptr;
}

void FrameFenceMark(FrameFence& fence)
{
    if (fence.query == nullptr)
        return;
    fence.pending = SUCCEEDED(fence.query->Issue(D3DISSUE_END));
}

bool FrameFenceBusy(FrameFence& fence)
{
    if (!fence.pending)
        return false;
    // the flush makes sure the query reaches the device and completes
    if (fence.query->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE)
        return true;
    fence.pending = false;
    return false;
}

void FrameFenceDrain(FrameFence& fence, unsigned waitMs)
{
    const uint32_t start = ClockReadMs();
    while (FrameFenceBusy(fence) && ClockReadMs() - start < waitMs)
        Sleep(1);
}

void FrameFenceClose(FrameFence& fence)
{
    if (fence.query)
        fence.query->Release();
    fence.query = nullptr;
    fence.pending = false;
}
