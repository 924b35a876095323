// The SHA-1 digest: a streaming hasher with a portable and an x86 SHA-extensions block engine.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// The code that compresses the 64-byte blocks.
enum class TSha1Engine
{
    Portable,
    ShaExtensions
};

// A SHA-1 digest of 20 bytes, the first byte the most significant.
using TSha1Digest = std::array<std::uint8_t, 20>;

// True when this processor runs the SHA-extensions engine.
bool Sha1ExtensionsAvailable();
// The fastest engine this processor runs.
TSha1Engine BestSha1Engine();

// A streaming SHA-1 hasher: any split of the input into Update calls gives the same digest.
class TSha1
{
public:
    // A hasher on the engine; ShaExtensions falls back to Portable where the processor lacks it.
    explicit TSha1(TSha1Engine engine = BestSha1Engine());

    // Starts a new message.
    void Reset();
    // Adds size bytes at data to the message.
    void Update(const void *data, std::size_t size);
    // Returns the digest of the message so far and starts a new message.
    TSha1Digest Final();
    // Writes the digest of the message so far to digest and starts a new message.
    void Final(std::uint8_t digest[20]);

    // The engine this hasher runs.
    TSha1Engine Engine() const { return UsedEngine; }

    // Compresses count consecutive 64-byte blocks into the five state words.
    using TBlocksFunction = void (*)(std::uint32_t *state,
                                     const std::uint8_t *blocks,
                                     std::size_t count);

private:
    TSha1Engine UsedEngine;
    TBlocksFunction Blocks;
    std::uint32_t State[5];
    std::uint64_t Length;
    std::size_t Buffered;
    std::uint8_t Buffer[64];
};

// The digest as 40 upper-case hexadecimal digits.
std::string Sha1DigestHexText(const TSha1Digest &digest);
// The SHA-1 of size bytes at data as 40 upper-case hexadecimal digits.
std::string Sha1HexText(const void *data, std::size_t size);
