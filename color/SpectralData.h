#pragma once

#include <array>

// CIE colour-matching functions and illuminant power distributions, each as 81
// samples from 380 to 780 nm in 5 nm steps, as tabulated by the CIE.
class SpectralData
{
public:
    using Samples = std::array<double, 81>;

    static constexpr int SAMPLE_COUNT = 81;
    static constexpr int FIRST_WAVELENGTH = 380;
    static constexpr int LAST_WAVELENGTH = 780;
    static constexpr int WAVELENGTH_STEP = 5;

    // observer 1: CIE 1964 10°; anything else: CIE 1931 2°. channel 0, 1, 2: x̄, ȳ, z̄.
    static const Samples& colorMatching(int observer, int channel);
    // 0..9: A, B, C, D50, D55, D65, D75, F2, F7, F11; anything else: D50.
    static const Samples& illuminant(int index);
};
