// Portable core: the stb_vorbis implementation, compiled here once for the
// core from our checked copy (third_party/stb_vorbis: Debian's 1.22 with the
// faults our fuzzer found mended); the sound code includes its header part
// only.
#include "sound/StbVorbisConfig.h"

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wunused-variable"
#pragma GCC diagnostic ignored "-Wunused-value"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wstringop-overflow"
#endif
#endif

// stb shifts negative values left (well defined since C++20, and what
// every compiler does); keep the sanitizer's shift check for our own code.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((no_sanitize("shift"))), apply_to = function)
#endif
#include "third_party/stb_vorbis/stb_vorbis.h"
#if defined(__clang__)
#pragma clang attribute pop
#endif

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
