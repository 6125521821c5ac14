#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "writers/common/byteImage.h"
#include "writers/common/crc16.h"
#include "writers/common/ids.h"
#include "writers/common/position.h"

namespace {

std::string idText(const char* text) {
    std::string s;
    appendIdText(s, text, 8);
    return s;
}

}  // namespace

TEST(IdRule, ShortIdsKeepTheirValueAndLongOnesTheirFirstFourSignificantDigits) {
    struct Case {
        const char* text;
        unsigned value;
        const char* rendered;
    } cases[] = {{"0437", 0x0437, "0437"},
                 {"04d2", 0x04D2, "04d2"},
                 {"FFFF", 0xFFFF, "FFFF"},
                 {"7", 0x7, "7"},
                 {"", 0, ""},
                 {"1A2B3", 0x1A2B, "1A2B"},
                 {"01A2B3", 0x1A2B, "1A2B"},
                 {"00A1B2", 0xA1B2, "A1B2"},
                 {"000000", 0, "0000"},
                 {"0001a2", 0x01A2, "01a2"}};
    for (const Case& c : cases) {
        EXPECT_EQ(idValue16(c.text, 8), c.value) << c.text;
        EXPECT_EQ(idText(c.text), c.rendered) << c.text;
    }
    // A field without its terminator is read to its end and no further.
    const char full[4] = {'A', 'B', 'C', 'D'};
    EXPECT_EQ(idValue16(full), 0xABCD);
    EXPECT_EQ(idHexDigits(full), 4u);
    EXPECT_EQ(idHexDigits("01G2", 5), 0u);
    EXPECT_EQ(idHexDigits("", 5), 0u);
}

TEST(ByteImage, ByteOrdersBoundsAndLimit) {
    std::string le(8, '\0'), be(8, '\0');
    ByteImage l(&le, ByteOrder::little), b(&be, ByteOrder::big);
    l.put16(0, 0x1234), l.put32(2, 0xA1B2C3D4), l.put8(6, 0x1FF);
    b.put16(0, 0x1234), b.put32(2, 0xA1B2C3D4), b.put8(6, 0x1FF);
    EXPECT_EQ(le, std::string("\x34\x12\xD4\xC3\xB2\xA1\xFF\0", 8));
    EXPECT_EQ(be, std::string("\x12\x34\xA1\xB2\xC3\xD4\xFF\0", 8));
    EXPECT_FALSE(l.broken());

    // Outside the image: nothing written, the image marked broken.
    l.put32(6, 0xFFFFFFFF);
    EXPECT_TRUE(l.broken());
    EXPECT_EQ(le.size(), 8u);
    EXPECT_EQ(le[7], '\0');
    ByteImage far(&be, ByteOrder::big);
    far.put8(SIZE_MAX, 1);
    far.fill(4, SIZE_MAX - 2, 0xEE);
    EXPECT_TRUE(far.broken());
    EXPECT_EQ(be[4], '\xC3');

    // Appends stop at the limit and leave the bytes before it.
    std::string grown;
    ByteImage g(&grown, ByteOrder::little, 6);
    EXPECT_TRUE(g.add16(0xBEEF));
    EXPECT_TRUE(g.addText("abcdef", 7, 3));  // cut to its width
    EXPECT_FALSE(g.add16(1));
    EXPECT_TRUE(g.broken());
    EXPECT_EQ(grown, std::string("\357\276abc", 5));
    g.setLimit(8);
    EXPECT_TRUE(g.addText("x", 2, 3));  // padded to its width
    EXPECT_EQ(grown, std::string("\357\276abcx\0\0", 8));
    EXPECT_EQ(g.text(0, "ZZZZ", 5, 2), 2u);
    g.copy(6, 0, 2);
    EXPECT_EQ(grown, std::string("ZZabcxZZ", 8));
}

TEST(SignedPosition, EachFormatKeepsItsOwnLastEastPosition) {
    for (auto [pos, lastEast, want] : {std::tuple{1799, kEnigmaLastEast, 1799},
                                       {1800, kEnigmaLastEast, -1800},
                                       {1800, kJstLastEast, 1800},
                                       {1801, kAzboxLastEast, -1799},
                                       {3550, kJstLastEast, -50}})
        EXPECT_EQ(signedPosition(pos, lastEast), want) << pos << " " << lastEast;
}

// The writers use the table; the check values and the bitwise form hold it.
TEST(Crc16, CheckValuesAndTableAgreeWithBitwiseOnRandomBuffers) {
    EXPECT_EQ(crcFast16("123456789", 9), 0xBB3D);
    EXPECT_EQ(crcSlow16("123456789", 9), 0xBB3D);
    std::mt19937 rng(20240305);
    std::vector<unsigned char> buf;
    for (int round = 0; round < 200; ++round) {
        buf.resize(rng() % 3000);
        for (auto& b : buf) b = static_cast<unsigned char>(rng());
        ASSERT_EQ(crcFast16(buf.data(), buf.size()), crcSlow16(buf.data(), buf.size()))
            << "length " << buf.size();
    }
}
