// Calibration writer: directory indices, header layout and the EEPROM image.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

#include "cali_writer.h"

namespace {

namespace cw = cali_writer;

uint32_t u32At(const std::vector<uint8_t> &b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t u16At(const std::vector<uint8_t> &b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

TEST(CaliWriter, ModuleIndicesFollowTheDirectoryLayout)
{
    EXPECT_EQ(cw::moduleIndex(cw::Version::V3_1, 2, cw::Module::WIG, 1), 10);
    EXPECT_EQ(cw::moduleIndex(cw::Version::V3, 2, cw::Module::FPN), 9);
    EXPECT_EQ(cw::moduleIndex(cw::Version::V3_1, 4, cw::Module::PHASE_FPPN), 19);
    EXPECT_EQ(cw::moduleCount(cw::Version::V3_1, 4), 20);
    EXPECT_EQ(cw::moduleIndex(cw::Version::V3, 1, cw::Module::AE), 7);
    EXPECT_EQ(cw::moduleIndex(cw::Version::V3, 1, cw::Module::MASK), -1);
}

TEST(CaliWriter, HeaderFieldsSitAtTheirOffsets)
{
    cw::Contents c = cw::neutralContents(cw::Version::V3_1, {100, 80}, 16, 12);
    const std::vector<uint8_t> b = cw::buildBlob(c);
    const int m = cw::moduleCount(cw::Version::V3_1, 2);
    EXPECT_EQ(u32At(b, 0), b.size());
    EXPECT_EQ(std::memcmp(&b[4], "CALI0301", 8), 0);
    EXPECT_EQ(b[53], 2);
    EXPECT_EQ(b[54], m);
    const size_t p = 55 + 5 * m + 8;
    EXPECT_EQ(u16At(b, 55 + 5 * m), 100);
    EXPECT_EQ(u16At(b, 55 + 5 * m + 2), 80);
    EXPECT_EQ(u16At(b, p), 16);
    EXPECT_EQ(u16At(b, p + 2), 12);
    EXPECT_EQ(cw::headerBytes(c.header, m), p + 28);
    EXPECT_EQ(u32At(b, 55), p + 28);  // module 0 right after the header
    EXPECT_EQ(b[55 + 4 * m], 1);

    cw::Contents v3 = cw::neutralContents(cw::Version::V3, {100}, 16, 12);
    const std::vector<uint8_t> b3 = cw::buildBlob(v3);
    const int m3 = cw::moduleCount(cw::Version::V3, 1);
    EXPECT_EQ(b3[37], 1);
    EXPECT_EQ(b3[38], m3);
    EXPECT_EQ(u16At(b3, 42 + 5 * m3), 100);
    EXPECT_EQ(u32At(b3, 39), 42 + 5 * m3 + 4 + 14);
    // The AE entry is absent: offset 0, valid flag 0.
    const int ae = cw::moduleIndex(cw::Version::V3, 1, cw::Module::AE);
    EXPECT_EQ(u32At(b3, 39 + 4 * ae), 0u);
    EXPECT_EQ(b3[39 + 4 * m3 + ae], 0);
}

TEST(CaliWriter, EepromImageCarriesHeaderAndCrc)
{
    const std::vector<uint8_t> data = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    cw::EepromHeader h;
    h.dataOffset = 128;
    h.waferId = 0x11223344;
    const std::vector<uint8_t> img = cw::writeEeprom(h, data);
    ASSERT_EQ(img.size(), 128u + data.size());
    EXPECT_EQ(std::memcmp(&img[16], "KRX5830", 7), 0);
    EXPECT_EQ(u32At(img, 24), 0x11223344u);
    const uint32_t crc = static_cast<uint32_t>(crc32(crc32(0, Z_NULL, 0), data.data(), data.size()));
    EXPECT_EQ(u32At(img, 32), crc);
    EXPECT_EQ(crc, cw::crc32Of(data));
    EXPECT_EQ(u16At(img, 36), 128);
    EXPECT_EQ(u32At(img, 38), data.size());
    EXPECT_EQ(img[42], 1);
    EXPECT_EQ(img[43], 11);
    EXPECT_EQ(u32At(img, 45), img.size());
    EXPECT_EQ(img[49], 64);
    EXPECT_EQ(std::memcmp(&img[128], data.data(), data.size()), 0);
    // The standard check value of CRC-32 ("123456789").
    const std::vector<uint8_t> check = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(cw::crc32Of(check), 0xCBF43926u);
    h.dataOffset = 40;
    EXPECT_THROW(cw::writeEeprom(h, data), std::invalid_argument);
}

}  // namespace
