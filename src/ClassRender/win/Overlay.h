// Windows layer: the clock and frame-rate overlay: its glyph textures and
// quad buffer, the screen-quad writer it shares with the loading screen, and
// the drawing of the glyphs the core lays out (src/ClassRender/OverlayLayout).
#pragma once
#include <windows.h>
#include <d3d9.h>

#include "data/RarArchive.h"
#include "src/ClassRender/ScreenQuad.h"

class CSaverCore;

// XYZRHW | DIFFUSE | TEX1, the format of ScreenQuadVertex.
constexpr DWORD SCREEN_QUAD_FVF = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// Creates a four-vertex quad buffer (write-only, dynamic, default pool) and
// fills it with the quad's fixed values. Failure (logged): an error code,
// *buffer null, nothing left allocated.
HRESULT CreateScreenQuadBuffer(IDirect3DDevice9* device, IDirect3DVertexBuffer9** buffer);

// Writes the quad over `rect` (fractions of the viewport) in `colour` into
// the buffer, discarding what it held. The caller then draws a strip of two
// triangles from vertex 0. A failed lock (logged) returns its code; the
// caller must not draw then, or the quad of an earlier glyph would show.
HRESULT DrawScreenQuad(D3DCOLOR colour, IDirect3DVertexBuffer9* quad, const D3DVIEWPORT9& viewport,
                       const ScreenRect& rect);

// The 14 glyph textures ("digits\0" to "digits\9", "ddot", "dot", "am",
// "pm") from the executable's data archive, and the quad buffer. A glyph
// that cannot be loaded (logged) leaves its slot empty and is never drawn.
// S_OK, or E_FAIL when the quad buffer cannot be made.
HRESULT LoadOverlayTextures(CSaverCore* app, IDirect3DDevice9* device);
// The same from a given archive (tests use archives in memory).
HRESULT LoadOverlayTexturesFrom(CSaverCore* app, IDirect3DDevice9* device, const ArchiveView& archive);

// Releases the glyph textures and the quad buffer; safe to call twice.
void ReleaseOverlayTextures(CSaverCore* app);

// Draws the clock (ShowTime, TimeModeAMPM) and the frame rate (ShowFPS)
// between the scene's begin and end, over whatever the frame drew. The
// caller has set the stage-0 colour and alpha operations; this sets the
// depth test off (and on again after), alpha test off, blending source alpha
// over inverse source alpha, the vertex format and the stream. The local
// time is read here; a failed read draws no clock. Nothing but the depth
// test changes when both displays are off.
void DrawOverlay(CSaverCore* app, IDirect3DDevice9* device);
