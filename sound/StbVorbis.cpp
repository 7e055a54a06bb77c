// Portable core: the stb_vorbis implementation, compiled here once for the
// core from our checked copy (third_party/stb_vorbis: Debian's 1.22 with the
// faults our fuzzer found mended); the sound code includes its header part
// only. The build silences the copy's warnings for this file alone
// (cmake/CoreLibrary.cmake).
#include "sound/StbVorbisConfig.h"

#include "third_party/stb_vorbis/stb_vorbis.h"
