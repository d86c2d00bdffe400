#include "platform/rtl/guid.h"

#include <gtest/gtest.h>

namespace {

// The PCM audio subtype: its memory bytes as the platform headers define the structure.
TEST(GuidTest, FieldsLandInMemoryOrderAndReadBack) {
  const rtl::TGUID pcm = rtl::TGUID::Make(0x00000001, 0x0000, 0x0010,
                                          {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
  const uint8_t expected[16] = {0x01, 0, 0, 0,    0, 0,    0x10, 0,
                                0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(pcm.bytes[size_t(i)], expected[i]) << i;
  EXPECT_EQ(pcm.Data1(), 1u);
  EXPECT_EQ(pcm.Data3(), 0x10);
  EXPECT_EQ(rtl::GUIDToString(pcm), "{00000001-0000-0010-8000-00AA00389B71}");
  const rtl::TGUID yuy2 =
      rtl::TGUID::Make(0x32595559, 0, 0x10, {0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71});
  EXPECT_EQ(yuy2.bytes[0], 'Y');
  EXPECT_EQ(yuy2.bytes[3], '2');
  EXPECT_FALSE(pcm == yuy2);
  EXPECT_TRUE(rtl::TGUID{}.IsNull());
}

}  // namespace
