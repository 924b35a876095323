// The program's random generator: the kernel's cryptographic generator, seeded further with a
// mixing state that the mouse movements and the clock feed.
#pragma once

#include <cstddef>
#include <cstdint>

class TRandom
{
public:
    TRandom();
    // A random 32-bit value.
    std::uint32_t Next();
    // Fills the words with random values, as many calls of Next would, in one request to the
    // kernel.
    void Fill(std::uint32_t *words, std::size_t count);
    // Mixes a mouse position in when it moved 3 pixels or more from the last one.
    void AddMouseEntropy(std::int32_t x, std::int32_t y);

    std::int32_t lastX = 0;
    std::int32_t lastY = 0;

    // state = rotr(byteswap(a + state + b) + milliseconds, 5).
    static std::uint32_t Mix(std::uint32_t a, std::uint32_t b);
    static std::uint32_t MixState;
};

extern TRandom Random;
