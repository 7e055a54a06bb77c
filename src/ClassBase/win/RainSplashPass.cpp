// Windows layer: the rain's splashes and streaks at the end of the main
// pass. The splashes age and pop up round the view's eye here, once per
// view, and draw as additive splash models; then the rain itself.
#include "src/ClassBase/win/World.h"

#include "src/ClassRender/Log.h"

void CWorld::DrawRainSplashes(const WorldFrameView& view)
{
    IDirect3DDevice9* device = g_pd3dDevice;
    LOG_IF_FAILED(device->SetTransform(D3DTS_PROJECTION, AsD3D(view.mProjection)));
    LOG_IF_FAILED(device->SetTransform(D3DTS_VIEW, AsD3D(view.mView[spMain])));
    LOG_IF_FAILED(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE));

    const int used = RainSplashCount(m_Rain.Count());
    m_SplashPool.Advance(used, m_Frame.fFrameTime, view.vEye);
    for (int k = 0; k < used; ++k)
    {
        const gfx::Mat4 world = RainSplashWorld(m_SplashPool.m_Pool[k]);
        m_Models[wmSplash].RenderAdditive(*AsD3D(world), 0.2f, false);
    }

    LOG_IF_FAILED(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW));
    LOG_IF_FAILED(device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA));
    LOG_IF_FAILED(device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA));
    m_Rain.Draw();
}
