// Tests and benchmarks: the rain and the falling leaves switched and set to
// one strength for a scope, put back when it ends.
#pragma once

#include <cstdint>

#include "settings/SceneOptions.h"

namespace testsupport {

class ScopedParticleOptions
{
public:
    ScopedParticleOptions(uint8_t enable, int32_t strength)
        : m_rain(RainEnable), m_leaves(LeafeEnable), m_rainStrength(RainStrenght), m_leafStrength(LeafeStrenght)
    {
        RainEnable = LeafeEnable = enable;
        RainStrenght = LeafeStrenght = strength;
    }
    ~ScopedParticleOptions()
    {
        RainEnable = m_rain;
        LeafeEnable = m_leaves;
        RainStrenght = m_rainStrength;
        LeafeStrenght = m_leafStrength;
    }
    ScopedParticleOptions(const ScopedParticleOptions&) = delete;
    ScopedParticleOptions& operator=(const ScopedParticleOptions&) = delete;

private:
    uint8_t m_rain, m_leaves;
    int32_t m_rainStrength, m_leafStrength;
};

} // namespace testsupport
