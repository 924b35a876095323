// The SHA-1 hasher and its block engines: portable C++ and the x86 SHA extensions.
#include "Libraries/Sha1.h"

#include <bit>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#define VELMORDIAN_SHA1_X86 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace {

constexpr std::uint32_t InitialState[5] = {
    0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};

constexpr std::uint32_t K0 = 0x5A827999u;
constexpr std::uint32_t K1 = 0x6ED9EBA1u;
constexpr std::uint32_t K2 = 0x8F1BBCDCu;
constexpr std::uint32_t K3 = 0xCA62C1D6u;

// The big-endian 32-bit word at p.
inline std::uint32_t LoadBigEndian(const std::uint8_t *p)
{
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}

// Writes value at p as a big-endian 32-bit word.
inline void StoreBigEndian(std::uint8_t *p, std::uint32_t value)
{
    p[0] = static_cast<std::uint8_t>(value >> 24);
    p[1] = static_cast<std::uint8_t>(value >> 16);
    p[2] = static_cast<std::uint8_t>(value >> 8);
    p[3] = static_cast<std::uint8_t>(value);
}

// The rounds rename the five working variables instead of moving them: each round adds into e
// and rotates b, and the next round is called with the names shifted by one.
#define VM_SHA1_LOAD(i) (w[i] = LoadBigEndian(blocks + 4 * (i)))
#define VM_SHA1_NEXT(i)                                                                            \
    (w[(i)&15] =                                                                                   \
         std::rotl(w[((i) + 13) & 15] ^ w[((i) + 8) & 15] ^ w[((i) + 2) & 15] ^ w[(i)&15], 1))
#define VM_SHA1_ROUND(a, b, c, d, e, f, k, word)                                                   \
    do {                                                                                           \
        e += std::rotl(a, 5) + (f) + (k) + (word);                                                 \
        b = std::rotl(b, 30);                                                                      \
    } while (false)
#define VM_SHA1_CHOOSE(b, c, d) ((((c) ^ (d)) & (b)) ^ (d))
#define VM_SHA1_PARITY(b, c, d) ((b) ^ (c) ^ (d))
#define VM_SHA1_MAJORITY(b, c, d) (((b) & (c)) + ((d) & ((b) ^ (c))))
#define VM_SHA1_R0(a, b, c, d, e, i)                                                               \
    VM_SHA1_ROUND(a, b, c, d, e, VM_SHA1_CHOOSE(b, c, d), K0, VM_SHA1_LOAD(i))
#define VM_SHA1_R1(a, b, c, d, e, i)                                                               \
    VM_SHA1_ROUND(a, b, c, d, e, VM_SHA1_CHOOSE(b, c, d), K0, VM_SHA1_NEXT(i))
#define VM_SHA1_R2(a, b, c, d, e, i)                                                               \
    VM_SHA1_ROUND(a, b, c, d, e, VM_SHA1_PARITY(b, c, d), K1, VM_SHA1_NEXT(i))
#define VM_SHA1_R3(a, b, c, d, e, i)                                                               \
    VM_SHA1_ROUND(a, b, c, d, e, VM_SHA1_MAJORITY(b, c, d), K2, VM_SHA1_NEXT(i))
#define VM_SHA1_R4(a, b, c, d, e, i)                                                               \
    VM_SHA1_ROUND(a, b, c, d, e, VM_SHA1_PARITY(b, c, d), K3, VM_SHA1_NEXT(i))
// Five rounds of one kind starting at round i, after which the names are back in place.
#define VM_SHA1_FIVE(R, i)                                                                         \
    do {                                                                                           \
        R(a, b, c, d, e, (i));                                                                     \
        R(e, a, b, c, d, (i) + 1);                                                                 \
        R(d, e, a, b, c, (i) + 2);                                                                 \
        R(c, d, e, a, b, (i) + 3);                                                                 \
        R(b, c, d, e, a, (i) + 4);                                                                 \
    } while (false)

// The portable engine: 80 unrolled rounds over a 16-word rolling message schedule.
void PortableBlocks(std::uint32_t *state, const std::uint8_t *blocks, std::size_t count)
{
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    std::uint32_t w[16];
    for (; count != 0; --count, blocks += 64) {
        const std::uint32_t a0 = a, b0 = b, c0 = c, d0 = d, e0 = e;
        VM_SHA1_FIVE(VM_SHA1_R0, 0);
        VM_SHA1_FIVE(VM_SHA1_R0, 5);
        VM_SHA1_FIVE(VM_SHA1_R0, 10);
        VM_SHA1_R0(a, b, c, d, e, 15);
        VM_SHA1_R1(e, a, b, c, d, 16);
        VM_SHA1_R1(d, e, a, b, c, 17);
        VM_SHA1_R1(c, d, e, a, b, 18);
        VM_SHA1_R1(b, c, d, e, a, 19);
        VM_SHA1_FIVE(VM_SHA1_R2, 20);
        VM_SHA1_FIVE(VM_SHA1_R2, 25);
        VM_SHA1_FIVE(VM_SHA1_R2, 30);
        VM_SHA1_FIVE(VM_SHA1_R2, 35);
        VM_SHA1_FIVE(VM_SHA1_R3, 40);
        VM_SHA1_FIVE(VM_SHA1_R3, 45);
        VM_SHA1_FIVE(VM_SHA1_R3, 50);
        VM_SHA1_FIVE(VM_SHA1_R3, 55);
        VM_SHA1_FIVE(VM_SHA1_R4, 60);
        VM_SHA1_FIVE(VM_SHA1_R4, 65);
        VM_SHA1_FIVE(VM_SHA1_R4, 70);
        VM_SHA1_FIVE(VM_SHA1_R4, 75);
        a += a0;
        b += b0;
        c += c0;
        d += d0;
        e += e0;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
    state[4] = e;
}

#undef VM_SHA1_FIVE
#undef VM_SHA1_R4
#undef VM_SHA1_R3
#undef VM_SHA1_R2
#undef VM_SHA1_R1
#undef VM_SHA1_R0
#undef VM_SHA1_MAJORITY
#undef VM_SHA1_PARITY
#undef VM_SHA1_CHOOSE
#undef VM_SHA1_ROUND
#undef VM_SHA1_NEXT
#undef VM_SHA1_LOAD

#ifdef VELMORDIAN_SHA1_X86

// Four rounds g (0..19) of the SHA-extensions engine. m[g % 4] holds message words 4g..4g+3;
// the group also advances the schedule of the next three groups. e[g % 2] holds the state
// before the previous group, from which sha1nexte derives this group's E (group 0: the E word).
#define VM_SHA1_GROUP(g)                                                                           \
    do {                                                                                           \
        if constexpr ((g) == 0) {                                                                  \
            e[0] = _mm_add_epi32(e[0], m[0]);                                                      \
        } else {                                                                                   \
            e[(g) % 2] = _mm_sha1nexte_epu32(e[(g) % 2], m[(g) % 4]);                              \
        }                                                                                          \
        e[((g) + 1) % 2] = abcd;                                                                   \
        if constexpr ((g) >= 3 && (g) <= 18) {                                                     \
            m[((g) + 1) % 4] = _mm_sha1msg2_epu32(m[((g) + 1) % 4], m[(g) % 4]);                   \
        }                                                                                          \
        abcd = _mm_sha1rnds4_epu32(abcd, e[(g) % 2], (g) / 5);                                     \
        if constexpr ((g) >= 1 && (g) <= 16) {                                                     \
            m[((g) + 3) % 4] = _mm_sha1msg1_epu32(m[((g) + 3) % 4], m[(g) % 4]);                   \
        }                                                                                          \
        if constexpr ((g) >= 2 && (g) <= 17) {                                                     \
            m[((g) + 2) % 4] = _mm_xor_si128(m[((g) + 2) % 4], m[(g) % 4]);                        \
        }                                                                                          \
    } while (false)

// The SHA-extensions engine: the state stays in two vector registers across all blocks.
__attribute__((target("sha,sse4.1,ssse3"))) void
ShaExtensionsBlocks(std::uint32_t *state, const std::uint8_t *blocks, std::size_t count)
{
    // Reverses the 16 bytes: big-endian words, word 0 in the highest lane.
    const __m128i reverse = _mm_set_epi64x(0x0001020304050607LL, 0x08090A0B0C0D0E0FLL);
    // A in the highest lane, D in the lowest; E in the highest lane of its own register.
    __m128i abcd =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(state)), 0x1B);
    __m128i stateE = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
    for (; count != 0; --count, blocks += 64) {
        const __m128i abcd0 = abcd;
        __m128i m[4];
        __m128i e[2];
        e[0] = stateE;
        const auto *words = reinterpret_cast<const __m128i *>(blocks);
        m[0] = _mm_shuffle_epi8(_mm_loadu_si128(words), reverse);
        m[1] = _mm_shuffle_epi8(_mm_loadu_si128(words + 1), reverse);
        m[2] = _mm_shuffle_epi8(_mm_loadu_si128(words + 2), reverse);
        m[3] = _mm_shuffle_epi8(_mm_loadu_si128(words + 3), reverse);
        VM_SHA1_GROUP(0);
        VM_SHA1_GROUP(1);
        VM_SHA1_GROUP(2);
        VM_SHA1_GROUP(3);
        VM_SHA1_GROUP(4);
        VM_SHA1_GROUP(5);
        VM_SHA1_GROUP(6);
        VM_SHA1_GROUP(7);
        VM_SHA1_GROUP(8);
        VM_SHA1_GROUP(9);
        VM_SHA1_GROUP(10);
        VM_SHA1_GROUP(11);
        VM_SHA1_GROUP(12);
        VM_SHA1_GROUP(13);
        VM_SHA1_GROUP(14);
        VM_SHA1_GROUP(15);
        VM_SHA1_GROUP(16);
        VM_SHA1_GROUP(17);
        VM_SHA1_GROUP(18);
        VM_SHA1_GROUP(19);
        // e[0] holds the state before group 19, whose rotated A is the final E.
        stateE = _mm_sha1nexte_epu32(e[0], stateE);
        abcd = _mm_add_epi32(abcd, abcd0);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i *>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = static_cast<std::uint32_t>(_mm_extract_epi32(stateE, 3));
}

#undef VM_SHA1_GROUP

#endif

// The engine asked for, or Portable where the processor cannot run it.
TSha1Engine RunnableEngine(TSha1Engine engine)
{
    return Sha1ExtensionsAvailable() ? engine : TSha1Engine::Portable;
}

// The block function of an engine that this processor runs.
TSha1::TBlocksFunction BlocksFunctionOf(TSha1Engine engine)
{
#ifdef VELMORDIAN_SHA1_X86
    if (engine == TSha1Engine::ShaExtensions) return ShaExtensionsBlocks;
#else
    (void)engine;
#endif
    return PortableBlocks;
}

} // namespace

bool Sha1ExtensionsAvailable()
{
#ifdef VELMORDIAN_SHA1_X86
    static const bool available = [] {
        unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
        if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return false;
        const bool ssse3 = (ecx & bit_SSSE3) != 0, sse41 = (ecx & bit_SSE4_1) != 0;
        if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) == 0) return false;
        return ssse3 && sse41 && (ebx & bit_SHA) != 0;
    }();
    return available;
#else
    return false;
#endif
}

TSha1Engine BestSha1Engine()
{
    return Sha1ExtensionsAvailable() ? TSha1Engine::ShaExtensions : TSha1Engine::Portable;
}

TSha1::TSha1(TSha1Engine engine)
    : UsedEngine(RunnableEngine(engine)), Blocks(BlocksFunctionOf(UsedEngine))
{
    Reset();
}

void TSha1::Reset()
{
    std::memcpy(State, InitialState, sizeof State);
    Length = 0;
    Buffered = 0;
}

void TSha1::Update(const void *data, std::size_t size)
{
    const auto *bytes = static_cast<const std::uint8_t *>(data);
    Length += size;
    if (Buffered != 0) {
        const std::size_t take = size < 64 - Buffered ? size : 64 - Buffered;
        std::memcpy(Buffer + Buffered, bytes, take);
        Buffered += take;
        bytes += take;
        size -= take;
        if (Buffered < 64) return;
        Blocks(State, Buffer, 1);
        Buffered = 0;
    }
    if (size >= 64) {
        const std::size_t whole = size / 64;
        Blocks(State, bytes, whole);
        bytes += whole * 64;
        size -= whole * 64;
    }
    if (size != 0) {
        std::memcpy(Buffer, bytes, size);
        Buffered = size;
    }
}

void TSha1::Final(std::uint8_t digest[20])
{
    const std::uint64_t bits = Length * 8;
    Buffer[Buffered++] = 0x80;
    if (Buffered > 56) {
        std::memset(Buffer + Buffered, 0, 64 - Buffered);
        Blocks(State, Buffer, 1);
        Buffered = 0;
    }
    std::memset(Buffer + Buffered, 0, 56 - Buffered);
    StoreBigEndian(Buffer + 56, static_cast<std::uint32_t>(bits >> 32));
    StoreBigEndian(Buffer + 60, static_cast<std::uint32_t>(bits));
    Blocks(State, Buffer, 1);
    for (int i = 0; i < 5; ++i)
        StoreBigEndian(digest + 4 * i, State[i]);
    Reset();
}

TSha1Digest TSha1::Final()
{
    TSha1Digest digest;
    Final(digest.data());
    return digest;
}

std::string Sha1DigestHexText(const TSha1Digest &digest)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(2 * digest.size());
    for (const std::uint8_t byte : digest) {
        text += Digits[byte >> 4];
        text += Digits[byte & 15];
    }
    return text;
}

std::string Sha1HexText(const void *data, std::size_t size)
{
    TSha1 hasher;
    hasher.Update(data, size);
    return Sha1DigestHexText(hasher.Final());
}
