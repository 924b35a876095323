// The SHA-1 hasher: known digests on each engine, split input, and agreement of the engines.
#include "Libraries/Sha1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

// The digest of text hashed in chunks of chunk bytes (all at once when chunk is 0).
std::string HexOf(TSha1Engine engine, const std::string &text, std::size_t chunk = 0)
{
    TSha1 hasher(engine);
    if (chunk == 0) chunk = text.size() + 1;
    for (std::size_t at = 0; at < text.size(); at += chunk) {
        hasher.Update(text.data() + at, std::min(chunk, text.size() - at));
    }
    return Sha1DigestHexText(hasher.Final());
}

struct TKnownDigest
{
    const char *Name;
    std::string Text;
    const char *Hex;
};

const std::vector<TKnownDigest> &KnownDigests()
{
    static const std::vector<TKnownDigest> cases = {
        {"empty", "", "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
        {"abc", "abc", "A9993E364706816ABA3E25717850C26C9CD0D89D"},
        {"448 bits",
         "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
        {"million a", std::string(1000000, 'a'), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
    };
    return cases;
}

// Random bytes of a fixed seed.
std::string RandomText(std::mt19937 &random, std::size_t size)
{
    std::uniform_int_distribution<int> byte(0, 255);
    std::string text(size, '\0');
    for (char &c : text)
        c = static_cast<char>(byte(random));
    return text;
}

class Sha1EngineTest : public testing::TestWithParam<TSha1Engine>
{
protected:
    void SetUp() override
    {
        if (GetParam() == TSha1Engine::ShaExtensions && !Sha1ExtensionsAvailable()) {
            GTEST_SKIP() << "this processor lacks the SHA extensions";
        }
    }
};

} // namespace

TEST_P(Sha1EngineTest, KnownDigests)
{
    EXPECT_EQ(TSha1(GetParam()).Engine(), GetParam());
    for (const TKnownDigest &c : KnownDigests()) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(HexOf(GetParam(), c.Text), c.Hex);
    }
}

TEST_P(Sha1EngineTest, SplitInputGivesTheOneShotDigest)
{
    std::mt19937 random(1234);
    const std::string text = RandomText(random, 1000);
    const std::string oneShot = HexOf(GetParam(), text);
    const std::size_t chunks[] = {1, 55, 56, 63, 64, 65, 127, 128, 129};
    for (const std::size_t chunk : chunks) {
        SCOPED_TRACE(chunk);
        EXPECT_EQ(HexOf(GetParam(), text, chunk), oneShot);
    }
    for (const TKnownDigest &c : KnownDigests()) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(HexOf(GetParam(), c.Text, 63), c.Hex);
    }
}

TEST_P(Sha1EngineTest, FinalStartsANewMessage)
{
    TSha1 hasher(GetParam());
    hasher.Update("xyz", 3);
    hasher.Final();
    hasher.Update("abc", 3);
    std::uint8_t digest[20];
    hasher.Final(digest);
    TSha1Digest copy;
    std::copy(digest, digest + 20, copy.begin());
    EXPECT_EQ(Sha1DigestHexText(copy), "A9993E364706816ABA3E25717850C26C9CD0D89D");
}

INSTANTIATE_TEST_SUITE_P(Engines,
                         Sha1EngineTest,
                         testing::Values(TSha1Engine::Portable, TSha1Engine::ShaExtensions),
                         [](const testing::TestParamInfo<TSha1Engine> &param) {
                             return param.param == TSha1Engine::Portable ? "Portable"
                                                                         : "ShaExtensions";
                         });

TEST(Sha1Test, EnginesAgreeOnRandomData)
{
    if (!Sha1ExtensionsAvailable()) GTEST_SKIP() << "this processor lacks the SHA extensions";
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> length(0, 5000);
    for (int round = 0; round < 200; ++round) {
        const std::string text = RandomText(random, length(random));
        SCOPED_TRACE(text.size());
        EXPECT_EQ(HexOf(TSha1Engine::ShaExtensions, text), HexOf(TSha1Engine::Portable, text));
    }
}

TEST(Sha1Test, HexTextUsesTheBestEngine)
{
    EXPECT_EQ(TSha1().Engine(), BestSha1Engine());
    EXPECT_EQ(Sha1HexText("abc", 3), "A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(Sha1HexText(nullptr, 0), "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709");
}
