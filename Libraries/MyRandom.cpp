// The program's random generator.
#include "Libraries/MyRandom.h"

#include "platform/System.h"

#include <cstdlib>

std::uint32_t TRandom::MixState = 0;
TRandom Random;

namespace {

std::uint32_t ByteSwap(std::uint32_t v)
{
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

std::uint32_t RotateRight(std::uint32_t v, unsigned n)
{
    return (v >> n) | (v << (32 - n));
}

} // namespace

std::uint32_t TRandom::Mix(std::uint32_t a, std::uint32_t b)
{
    const auto tick = static_cast<std::uint32_t>(Platform::TickCountMilliseconds());
    MixState = RotateRight(ByteSwap(a + MixState + b) + tick, 5);
    return MixState;
}

TRandom::TRandom()
{
    // The pointer's position is unknown before the user interface exists.
    Mix(static_cast<std::uint32_t>(lastX), static_cast<std::uint32_t>(lastY));
    std::srand(static_cast<unsigned>(Platform::UnixTimeMilliseconds()));
}

std::uint32_t TRandom::Next()
{
    const std::uint32_t mixed = Mix(0, 0);
    std::uint32_t value = 0;
    // The kernel takes no seed of ours, so the mixed value is folded into its bytes.
    if (!Platform::CryptographicRandom(&value, sizeof value)) return mixed;
    return value ^ mixed;
}

void TRandom::Fill(std::uint32_t *words, std::size_t count)
{
    const bool kernel = Platform::CryptographicRandom(words, count * sizeof *words);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t mixed = Mix(static_cast<std::uint32_t>(i), 0);
        words[i] = kernel ? words[i] ^ mixed : mixed;
    }
}

void TRandom::AddMouseEntropy(std::int32_t x, std::int32_t y)
{
    if (std::abs(x - lastX) < 3 && std::abs(y - lastY) < 3) return;
    lastX = x;
    lastY = y;
    Mix(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y));
}
