// SPDX-License-Identifier: MIT
#include "convert/pixels/pack_colour.h"

#include "convert/test_pictures.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace pixolan {
namespace {

// The packing written the long way: channels split by floor division, then each truncated.
int PackByDivision(std::int64_t value)
{
    const std::int64_t blue = value / 65536;
    const std::int64_t rest = value - blue * 65536;
    const std::int64_t green = rest / 256;
    const std::int64_t red = rest - 256 * green;
    return int(red / 32 * 32 + green / 32 * 4 + blue / 64);
}

TEST(PackColour, EqualsFloorDivisionForEveryColour)
{
    int mismatches = 0;
    for (std::int64_t value = 0; value < (std::int64_t(1) << 24); ++value)
        if (PackColour(ColourValue(value)) != PackByDivision(value) && ++mismatches <= 5)
            ADD_FAILURE() << "colour 0x" << std::hex << value;
    EXPECT_EQ(mismatches, 0);
}

struct Case
{
    std::string name;
    int red, green, blue;
    int packed;
    friend void PrintTo(const Case &row, std::ostream *out) { *out << row.name; }
};

class PackColourCases : public testing::TestWithParam<Case>
{
};

TEST_P(PackColourCases, TruncatesEachChannel)
{
    const Case &c = GetParam();
    const ColourValue colour = ColourValue(c.red | c.green << 8 | c.blue << 16);
    EXPECT_EQ(PackColour(colour), c.packed);
    // Bits 24-31 are ignored.
    EXPECT_EQ(PackColour(colour | 0xFF000000u), c.packed);
    EXPECT_EQ(PackColour(colour | 0x5A000000u), c.packed);
    // The same colour as Qt holds it, 0xAARRGGBB, comes out the same.
    EXPECT_EQ(PackColour(ColourFromRgb(0xFF000000u | c.red << 16 | c.green << 8 | c.blue)),
              c.packed);
}

INSTANTIATE_TEST_SUITE_P(Colours, PackColourCases,
                         testing::Values(Case{"white", 255, 255, 255, 0xFF},
                                         Case{"black", 0, 0, 0, 0}, Case{"red", 255, 0, 0, 0xE0},
                                         Case{"green", 0, 255, 0, 0x1C},
                                         Case{"blue", 0, 0, 255, 0x03},
                                         Case{"grey", 128, 128, 128, 0x92},
                                         Case{"below_every_first_step", 31, 31, 63, 0},
                                         Case{"first_red_step", 32, 0, 0, 0x20},
                                         Case{"first_green_step", 0, 32, 0, 0x04},
                                         Case{"first_blue_step", 0, 0, 64, 0x01},
                                         Case{"channels_kept_apart", 0xC0, 0x60, 0x80, 0xCE}),
                         test::RowName);

} // namespace
} // namespace pixolan
