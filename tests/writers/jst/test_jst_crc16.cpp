#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "writers/jst/crc16.h"

TEST(Crc16, CheckValuesAndTableAgreeWithBitwiseOnRandomBuffers) {
    for (auto& v : crcTable16) v = 0xFFFF;  // crcInit16 rebuilds whatever is there
    crcInit16();
    EXPECT_EQ(crcFast16("123456789", 9), 0xBB3D);
    EXPECT_EQ(crcSlow16("123456789", 9), 0xBB3D);
    EXPECT_EQ(crcFast16("abc", 3), 0x9738);
    EXPECT_EQ(crcSlow16(nullptr, 0), 0x0000);
    EXPECT_EQ(crcTable16[1], 0x8005);
    EXPECT_EQ(crcTable16[255], 0x0202);

    std::mt19937 rng(20240305);
    std::vector<unsigned char> buf;
    for (int round = 0; round < 200; ++round) {
        buf.resize(rng() % 3000);
        for (auto& b : buf) b = static_cast<unsigned char>(rng());
        ASSERT_EQ(crcFast16(buf.data(), buf.size()), crcSlow16(buf.data(), buf.size()))
            << "length " << buf.size();
    }
}

TEST(Crc16, Reflect16KeepsOnlyTheLowBitsReversed) {
    EXPECT_EQ(reflect16(0xFFFF1234, 16), 0x2C48u);
    EXPECT_EQ(reflect16(0x80000001, 40), 0x100u);  // bit 0 would land above bit 31
}
