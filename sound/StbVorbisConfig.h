// Portable core: how the core builds stb_vorbis. Sounds are decoded from
// memory with the pull interface only, into at most two channels (more are
// refused when the headers are read, before any buffer is sized for them).
#pragma once

#define STB_VORBIS_NO_STDIO
#define STB_VORBIS_NO_PUSHDATA_API
#define STB_VORBIS_MAX_CHANNELS 2
