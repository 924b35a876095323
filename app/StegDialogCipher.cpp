// The steganography cipher and the placement of the payload's bits in the carrier's pixels.
// Pictures hidden by one copy of the program are read by any other: nothing here may change.
#include "app/StegDialog.h"

#include "Libraries/Text.h"

#include <bit>
#include <cstring>

namespace {

std::uint32_t Rotl(std::uint32_t x, std::uint32_t n)
{
    return std::rotl(x, static_cast<int>(n & 31));
}

std::uint32_t Rotr(std::uint32_t x, std::uint32_t n)
{
    return std::rotr(x, static_cast<int>(n & 31));
}

std::uint32_t Bswap(std::uint32_t x)
{
    return (x >> 24) | ((x >> 8) & 0xFF00u) | ((x << 8) & 0xFF0000u) | (x << 24);
}

constexpr std::uint32_t HighBits = 0x00FEFEFEu;

// The order in which the block's words are stirred: up and back down, which is its own reverse,
// so decryption undoes the steps in the same order.
constexpr std::array<int, 32> BlockOrder = {0, 1, 2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                                            15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5,  4,  3,  2,  1,  0};

int PartnerWord(const std::uint32_t *s, const std::uint32_t *k, int i)
{
    const std::uint32_t d = Rotl(s[i] + k[i], static_cast<std::uint32_t>(i)) & 15;
    return static_cast<int>((s[d] + k[d]) & 15);
}

void Compress100(TStegBlock &h)
{
    for (int i = 0; i < 100; ++i) StegCompress(h.data(), h.data());
}

bool Usable(const std::uint32_t *row, const std::uint32_t *below, int x)
{
    const std::uint32_t p = row[x] & HighBits;
    const std::uint32_t red = p >> 16, green = (p >> 8) & 0xFF, blue = p & 0xFF;
    if (red == green && green == blue) return false;
    return p != (row[x + 1] & HighBits) && p != (below[x] & HighBits) && p != (below[x + 1] & HighBits);
}

const std::uint32_t *Row(const QImage &bitmap, int y)
{
    return reinterpret_cast<const std::uint32_t *>(bitmap.constScanLine(y));
}

// Visits the usable pixels row by row but hands each its index in column order: with the
// counts of the columns known, every column keeps its own running index. This walks memory in
// order, which a column-by-column walk of a large picture would not.
template <class TVisit>
void VisitStegPixels(const QImage &bitmap, std::int64_t limit, TVisit &&visit)
{
    const int width = bitmap.width(), height = bitmap.height();
    if (width < 2 || height < 2 || limit <= 0) return;
    std::vector<std::int64_t> next(static_cast<std::size_t>(width - 1), 0);
    for (int y = 0; y + 1 < height; ++y) {
        const std::uint32_t *row = Row(bitmap, y), *below = Row(bitmap, y + 1);
        for (int x = 0; x + 1 < width; ++x) next[static_cast<std::size_t>(x)] += Usable(row, below, x);
    }
    std::int64_t start = 0;
    for (std::int64_t &column : next) {
        const std::int64_t count = column;
        column = start;
        start += count;
    }
    for (int y = 0; y + 1 < height; ++y) {
        const std::uint32_t *row = Row(bitmap, y), *below = Row(bitmap, y + 1);
        for (int x = 0; x + 1 < width; ++x) {
            if (!Usable(row, below, x)) continue;
            const std::int64_t index = next[static_cast<std::size_t>(x)]++;
            if (index < limit) visit(y, x, index);
        }
    }
}

} // namespace

// ---- The cipher -----------------------------------------------------------------------------

void StegCompress(const std::uint32_t *v, std::uint32_t *s)
{
    std::uint32_t a = 0;
    for (int round = 0; round < 5; ++round)
        for (std::uint32_t j = 0; j < 16; ++j) {
            a = Rotl(a + Bswap(v[j]) + s[j], a & 16);
            const std::uint32_t c = (s[a & 15] + v[j]) & 15;
            s[j] = Rotl(Rotl(s[j] + a, j) + s[c], c) + Bswap(v[c]);
        }
}

TStegBlock StegHash(const TStegBlock &x)
{
    TStegBlock y = x;
    Compress100(y);
    return y;
}

TStegBlock StegAbsorbPassword(const std::string &password, const TStegBlock &salt)
{
    TStegBlock h = salt;
    std::uint32_t a = 0;
    for (std::size_t i = 0; i < password.size(); ++i) {
        const std::size_t k = i & 15;
        const auto p = static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(password[i])));
        a = Rotl((Bswap(h[k] + a) + salt[k]) ^ p, a & 16);
        const std::uint32_t c = (h[a & 15] + salt[k]) & 15;
        h[k] = Bswap(salt[c] + h[k]) + Rotl(h[c] + a, c);
    }
    Compress100(h);
    return h;
}

TStegBlock StegAbsorbPicture(const TStegBlock &h1, const QImage &bitmap)
{
    TStegBlock h = h1;
    std::uint32_t s = 0;
    std::size_t i = 0;
    for (int y = 0; y < bitmap.height(); ++y) {
        const std::uint32_t *row = Row(bitmap, y);
        for (int x = 0; x < bitmap.width(); ++x, ++i) {
            const std::size_t k = i & 15;
            s = Rotl(Bswap(h[k] + s) ^ (row[x] & HighBits), s & 16) + h1[k];
            const std::uint32_t c = (h[s & 15] + h1[k]) & 15;
            h[k] = Bswap(h[k]) + Rotl(h[c] + s, c);
        }
    }
    Compress100(h);
    return h;
}

void StegMix(const std::uint32_t *v, std::uint32_t *s, std::uint32_t *k)
{
    std::uint32_t a = 0;
    for (int round = 0; round < 5; ++round) {
        for (std::uint32_t j = 0; j < 16; ++j) {
            a = Rotl(a + Bswap(v[j] + s[j]) + k[j], a & 16);
            const std::uint32_t c = (s[a & 15] + k[j]) & 15;
            s[j] = Rotl(Rotl(s[j] + a, j) + s[c], c) + Bswap(v[j]);
        }
        for (std::uint32_t j = 0; j < 16; ++j) {
            a = Rotl(a - Bswap(v[j] + k[j]) + s[j], a & 16);
            const std::uint32_t c = (k[a & 15] + s[j]) & 15;
            k[j] = Rotl(Rotl(Bswap(a) + k[j], j) + k[c], c) + v[j];
        }
    }
}

void StegKeySchedule(const TStegBlock &h2, std::int32_t iterations, TStegBlock &s, TStegBlock &k)
{
    s = h2;
    k = h2;
    for (std::int32_t i = 0; i < iterations; ++i) StegMix(h2.data(), s.data(), k.data());
}

void EncryptStegBlock(std::uint32_t *b, const std::uint32_t *s, const std::uint32_t *k)
{
    for (const int i : BlockOrder) {
        const int c = PartnerWord(s, k, i);
        const auto ui = static_cast<std::uint32_t>(i), uc = static_cast<std::uint32_t>(c);
        const std::uint32_t x = Rotl(b[i] + s[i], ui) + k[i];
        b[i] = Rotl(b[c] + s[c], uc) + k[c];
        b[c] = x;
    }
}

void DecryptStegBlock(std::uint32_t *b, const std::uint32_t *s, const std::uint32_t *k)
{
    for (const int i : BlockOrder) {
        const int c = PartnerWord(s, k, i);
        const auto ui = static_cast<std::uint32_t>(i), uc = static_cast<std::uint32_t>(c);
        const std::uint32_t x = Rotr(b[i] - k[c], uc);
        const std::uint32_t y = Rotr(b[c] - k[i], ui);
        b[i] = y - s[i];
        b[c] = x - s[c];
    }
}

int StegIntegrityCode(const QImage &bitmap)
{
    std::uint32_t b = 0, c = 0;
    for (int y = 0; y < bitmap.height(); ++y) {
        const std::uint32_t *row = Row(bitmap, y);
        for (int x = 0; x < bitmap.width(); ++x) {
            b = Rotl((row[x] & HighBits) ^ Bswap(b), b & 16);
            c = Bswap(c + b);
        }
    }
    return static_cast<int>(((c & 0xFFFF) ^ (c >> 16)) % 10000);
}

void StegPayloadKey(const std::uint8_t *salt,
                    const std::string &password,
                    const QImage &bitmap,
                    std::int32_t iterations,
                    TStegBlock &s,
                    TStegBlock &k)
{
    const TStegBlock h1 = StegAbsorbPassword(password, LoadStegBlock(salt));
    StegKeySchedule(StegAbsorbPicture(h1, bitmap), iterations, s, k);
}

TStegBlock LoadStegBlock(const std::uint8_t *bytes)
{
    TStegBlock block{};
    for (std::size_t i = 0; i < block.size(); ++i) {
        const std::uint8_t *word = bytes + 4 * i;
        block[i] = std::uint32_t{word[0]} | std::uint32_t{word[1]} << 8 | std::uint32_t{word[2]} << 16 |
                   std::uint32_t{word[3]} << 24;
    }
    return block;
}

void StoreStegBlock(const TStegBlock &block, std::uint8_t *bytes)
{
    for (std::size_t i = 0; i < block.size(); ++i)
        for (std::size_t j = 0; j < 4; ++j) bytes[4 * i + j] = static_cast<std::uint8_t>(block[i] >> (8 * j));
}

// ---- The payload ----------------------------------------------------------------------------

int StegAlgorithmNumber(const std::string &name)
{
    const std::string upper = UpperCaseText(name);
    if (upper == "KRO1") return 1;
    if (upper == "KRO2") return 2;
    if (upper == "KRO3") return 3;
    return -1;
}

std::int64_t StegPayloadBytes(std::int64_t usablePixels)
{
    return usablePixels / 8 / 64 * 64;
}

std::int64_t StegBitsNeeded(std::int64_t size)
{
    return ((size + 63) / 64 * 64 + StegLayout::Data) * 8;
}

std::int64_t CountStegPixels(const QImage &bitmap)
{
    std::int64_t count = 0;
    const int width = bitmap.width(), height = bitmap.height();
    for (int y = 0; y + 1 < height; ++y) {
        const std::uint32_t *row = Row(bitmap, y), *below = Row(bitmap, y + 1);
        for (int x = 0; x + 1 < width; ++x) count += Usable(row, below, x);
    }
    return count;
}

void WriteStegBits(QImage &bitmap, const std::uint8_t *bytes, std::int64_t bits)
{
    // Detached once here, then written through its rows.
    std::uint8_t *first = bitmap.bits();
    const auto stride = static_cast<std::size_t>(bitmap.bytesPerLine());
    VisitStegPixels(bitmap, bits, [&](int y, int x, std::int64_t i) {
        auto *pixel = reinterpret_cast<std::uint32_t *>(first + stride * static_cast<std::size_t>(y)) + x;
        const std::uint32_t shift = static_cast<std::uint32_t>(i % 3) * 8;
        const std::uint32_t bit = (bytes[i >> 3] >> (i & 7)) & 1u;
        *pixel = (*pixel & ~(1u << shift)) | (bit << shift);
    });
}

void ReadStegBits(const QImage &bitmap, std::uint8_t *bytes, std::int64_t bits)
{
    std::memset(bytes, 0, static_cast<std::size_t>((bits + 7) / 8));
    VisitStegPixels(bitmap, bits, [&](int y, int x, std::int64_t i) {
        const std::uint32_t shift = static_cast<std::uint32_t>(i % 3) * 8;
        const std::uint32_t bit = (Row(bitmap, y)[x] >> shift) & 1u;
        bytes[i >> 3] = static_cast<std::uint8_t>(bytes[i >> 3] | (bit << (i & 7)));
    });
}

bool IsValidStegName(const std::string &name)
{
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of("<>|\":\\/?*") == std::string::npos;
}
