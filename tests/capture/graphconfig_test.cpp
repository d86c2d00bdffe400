#include "capture/graphconfig.h"

#include <gtest/gtest.h>

#include "capture/utils.h"
#include "platform/capture/types.h"

namespace {

TEST(HexTextTest, BytesAndGuids) {
  EXPECT_EQ(BytesToStr(std::string("\x00\x7f\xab\xff", 4)), "007FABFF");
  EXPECT_EQ(BytesToStr(""), "");
  EXPECT_EQ(StrToBytes("ABC"), std::string("\x0a\xbc", 2));
  EXPECT_EQ(StrToBytes("12G456"), std::string("\x12\x00\x00", 3));
  EXPECT_EQ(StrToBytes("abcd"), std::string("\xab\xcd", 2));
  EXPECT_EQ(GUIDToStr(capture::MEDIASUBTYPE_PCM), "0100000000001000800000AA00389B71");
  EXPECT_EQ(StrToGUID("0100000000001000800000AA00389B71"), capture::MEDIASUBTYPE_PCM);
  // A short text gives the bytes it has; the rest are zero.
  const rtl::TGUID g = StrToGUID("ABCD");
  EXPECT_EQ(g.bytes[0], 0xAB);
  EXPECT_EQ(g.bytes[1], 0xCD);
  for (int i = 2; i < 16; ++i) EXPECT_EQ(g.bytes[size_t(i)], 0);
}

TEST(GraphConfigTest, DefaultsAndTheirText) {
  TGraphConfig c;
  const std::string text = c.SaveGraph();
  EXPECT_EQ(
      text.rfind(
          "WantBitmaps=0\r\nWantCapture=0\r\nWantPreview=0\r\nWantDVAudio=0\r\nWantAudio=0\r\n"
          "DoPreallocFile=0\r\nUseTempFile=0\r\nPreallocFileSize=0\r\n"
          "TempCaptureFileName=captemp.avi\r\nCaptureFileName=capture.avi\r\n"
          "DVResolution=1\r\nPixelFormat=6\r\n",
          0),
      0u)
      << text;
  EXPECT_EQ(text.find("WantAudioPreview"), std::string::npos);
  EXPECT_NE(text.find("\r\nVCompState=\r\n"), std::string::npos);

  // An empty text turns every flag on: a missing key reads as 1.
  c.RestoreGraph("");
  for (bool f : {c.WantCapture, c.WantPreview, c.WantBitmaps, c.WantAudio, c.WantDVAudio,
                 c.WantAudioPreview, c.DoPreallocFile, c.UseTempFile})
    EXPECT_TRUE(f);
  EXPECT_EQ(c.PreallocFileSize, 0);
  EXPECT_EQ(c.CaptureFileName, "capture.avi");
  EXPECT_EQ(c.TempCaptureFileName, "captemp.avi");
  EXPECT_EQ(c.DVResolution, dvrFull);
  EXPECT_EQ(c.PixelFormat, vcl::pf24bit);
  EXPECT_TRUE(c.VCapSource.empty());
  EXPECT_EQ(c.VCapMode, TVCapMode{});
}

TEST(GraphConfigTest, OutOfRangeAndOddValues) {
  TGraphConfig c;
  c.RestoreGraph(
      "DVResolution=7\r\nPixelFormat=-1\r\nWantAudio=abc\r\nwantcapture=0\r\n"
      "WantPreview=-3\r\nDVRESOLUTION=3\r\n");
  EXPECT_EQ(c.DVResolution, dvrFull);  // the first line of a name counts
  EXPECT_EQ(c.PixelFormat, vcl::pf24bit);
  EXPECT_TRUE(c.WantAudio);
  EXPECT_FALSE(c.WantCapture);
  EXPECT_FALSE(c.WantPreview);
  c.RestoreGraph("DVResolution=4\r\nPixelFormat=8\r\nPixelFormat=3");
  EXPECT_EQ(c.DVResolution, dvrDC);
  EXPECT_EQ(c.PixelFormat, vcl::pfCustom);
  EXPECT_EQ(CheckedDVResolution(16), dvrFull);
  EXPECT_EQ(CheckedDVResolution(256 + 2), dvrHalf);  // stored as a byte
}

void Fill(TGraphConfig& c) {
  c.VCapSource = "Camera (2)";
  c.ACapSource = "Mic";
  c.VComp = "MJPEG Compressor";
  c.AComp = "";
  c.ACapMode = {capture::MEDIATYPE_Audio, capture::MEDIASUBTYPE_PCM, 44100, 16, 2, 176400};
  c.VCapMode = {capture::MEDIATYPE_Video, capture::MEDIASUBTYPE_YUY2, 640, 480, 16, 25, 10, 50};
  c.VCompState = std::string("\x00\x4b\xff", 3);
  c.WantCapture = true;
  c.WantPreview = false;
  c.WantBitmaps = true;
  c.WantAudio = false;
  c.WantDVAudio = true;
  c.WantAudioPreview = false;
  c.PixelFormat = vcl::pf16bit;
  c.DVResolution = dvrQuater;
  c.CaptureFileName = "05_12_2026_1.avi";
  c.UseTempFile = true;
  c.TempCaptureFileName = "/tmp/x y.avi";
  c.DoPreallocFile = true;
  c.PreallocFileSize = 2048;
}

void ExpectSameText(const TGraphConfig& a, const TGraphConfig& b) {
  EXPECT_EQ(b.SaveGraph(), a.SaveGraph());
  EXPECT_EQ(b.VCompState, a.VCompState);
}

void ExpectSameButMajorTypes(const TGraphConfig& a, const TGraphConfig& b) {
  ExpectSameText(a, b);
  EXPECT_TRUE(b.VCapMode.MajorType.IsNull());
  EXPECT_TRUE(b.ACapMode.MajorType.IsNull());
  EXPECT_EQ(b.VCapMode.MediaSubType, a.VCapMode.MediaSubType);
  EXPECT_EQ(b.VCapMode.Width, 640);
  EXPECT_EQ(b.VCapMode.FrameRate, 0);  // not in the text form
  EXPECT_EQ(b.ACapMode.AvgSampleRate, 176400);
  EXPECT_EQ(b.PreallocFileSize, 2048);
  EXPECT_EQ(b.TempCaptureFileName, "/tmp/x y.avi");
  EXPECT_FALSE(b.WantPreview);
  EXPECT_TRUE(b.WantCapture);
}

TEST(GraphConfigTest, TextAndStreamRoundTrips) {
  TGraphConfig a, b;
  Fill(a);
  b.RestoreGraph(a.SaveGraph());
  ExpectSameButMajorTypes(a, b);

  rtl::TMemoryStream s;
  ASSERT_TRUE(a.SaveGraphToStream(&s));
  EXPECT_EQ(s.Size(), int64_t(4 + a.SaveGraph().size()));
  s.SetPosition(0);
  TGraphConfig c;
  ASSERT_TRUE(c.RestoreGraphFromStream(&s));
  ExpectSameButMajorTypes(a, c);
  EXPECT_FALSE(c.SaveGraphToStream(nullptr));
  EXPECT_FALSE(c.RestoreGraphFromStream(nullptr));
}

TEST(GraphConfigTest, BadStreamLengthsLeaveTheRecord) {
  TGraphConfig a;
  Fill(a);
  const std::string text = TGraphConfig().SaveGraph();
  auto stream = [&](uint32_t len, size_t bytes) {
    auto s = std::make_unique<rtl::TMemoryStream>();
    const uint8_t l[4] = {uint8_t(len), uint8_t(len >> 8), uint8_t(len >> 16), uint8_t(len >> 24)};
    s->Write(l, 4);
    s->Write(text.data(), int64_t(std::min(bytes, text.size())));
    s->SetPosition(0);
    return s;
  };
  for (const auto& [len, bytes] : std::vector<std::pair<uint32_t, size_t>>{
           {0xFFFFFFFFu, text.size()},                // a huge length is never allocated
           {uint32_t(text.size() + 1), text.size()},  // one byte short
           {uint32_t(text.size()), 10}}) {            // cut in the middle
    TGraphConfig c;
    Fill(c);
    auto s = stream(len, bytes);
    EXPECT_FALSE(c.RestoreGraphFromStream(s.get())) << len;
    ExpectSameText(a, c);
    EXPECT_EQ(c.VCapMode.MajorType, capture::MEDIATYPE_Video);  // untouched
  }
  rtl::TMemoryStream shortLength;
  shortLength.Write("\x01\x00", 2);
  shortLength.SetPosition(0);
  TGraphConfig c;
  Fill(c);
  EXPECT_FALSE(c.RestoreGraphFromStream(&shortLength));
  EXPECT_EQ(c.CaptureFileName, "05_12_2026_1.avi");
}

}  // namespace
