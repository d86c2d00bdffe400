#include "capture/graphconfig.h"

#include <cstring>
#include <vector>

#include "capture/utils.h"
#include "platform/rtl/stringlist.h"
#include "platform/rtl/sysutils.h"

TDVResolution CheckedDVResolution(int value) {
  const auto b = static_cast<uint8_t>(value);
  return b >= 5 ? dvrFull : static_cast<TDVResolution>(b);
}

vcl::TPixelFormat CheckedPixelFormat(int value) {
  const auto b = static_cast<uint8_t>(value);
  return b >= 9 ? vcl::pf24bit : static_cast<vcl::TPixelFormat>(b);
}

void TGraphConfig::Assign(const TGraphConfig& o) {
  VCapSource = o.VCapSource;
  ACapSource = o.ACapSource;
  VComp = o.VComp;
  AComp = o.AComp;
  ACapMode = o.ACapMode;
  VCapMode = o.VCapMode;
  VCompState = o.VCompState;
  WantCapture = o.WantCapture;
  WantPreview = o.WantPreview;
  WantBitmaps = o.WantBitmaps;
  WantAudio = o.WantAudio;
  WantDVAudio = o.WantDVAudio;
  WantAudioPreview = o.WantAudioPreview;
  PixelFormat = o.PixelFormat;
  DVResolution = o.DVResolution;
  CaptureFileName = o.CaptureFileName;
  UseTempFile = o.UseTempFile;
  TempCaptureFileName = o.TempCaptureFileName;
  DoPreallocFile = o.DoPreallocFile;
  PreallocFileSize = o.PreallocFileSize;
}

void TGraphConfig::Clear() {
  WantCapture = WantPreview = WantBitmaps = WantAudio = WantDVAudio = false;
  WantAudioPreview = true;
  DoPreallocFile = false;
  PreallocFileSize = 0;
  UseTempFile = false;
  TempCaptureFileName = "captemp.avi";
  CaptureFileName = "capture.avi";
  ACapMode = {};
  VCapMode = {};
  DVResolution = dvrFull;
  PixelFormat = vcl::pf24bit;
  VCapSource.clear();
  ACapSource.clear();
  AComp.clear();
  VComp.clear();
  // The compressor's state stays: it belongs to the chosen compressor, not to the defaults.
}

std::string TGraphConfig::SaveGraph() const {
  std::string out;
  auto line = [&out](const char* name, const std::string& value) {
    out += name;
    out += '=';
    out += value;
    out += "\r\n";
  };
  const std::pair<const char*, bool> flags[] = {
      {"WantBitmaps", WantBitmaps},       {"WantCapture", WantCapture},
      {"WantPreview", WantPreview},       {"WantDVAudio", WantDVAudio},
      {"WantAudio", WantAudio},           {"WantAudioPreview", WantAudioPreview},
      {"DoPreallocFile", DoPreallocFile}, {"UseTempFile", UseTempFile}};
  for (const auto& [name, on] : flags)
    if (!on) line(name, "0");
  line("PreallocFileSize", rtl::IntToStr(PreallocFileSize));
  line("TempCaptureFileName", TempCaptureFileName);
  line("CaptureFileName", CaptureFileName);
  line("DVResolution", rtl::IntToStr(DVResolution));
  line("PixelFormat", rtl::IntToStr(PixelFormat));
  line("VCapSource", VCapSource);
  line("ACapSource", ACapSource);
  line("AComp", AComp);
  line("VComp", VComp);
  line("ACapModeMediaSubType", GUIDToStr(ACapMode.MediaSubType));
  line("ACapModeSampleRate", rtl::IntToStr(ACapMode.SampleRate));
  line("ACapModeAvgSampleRate", rtl::IntToStr(ACapMode.AvgSampleRate));
  line("ACapModeSampleSize", rtl::IntToStr(ACapMode.SampleSize));
  line("ACapModeChannels", rtl::IntToStr(ACapMode.Channels));
  line("VCapModeMediaSubType", GUIDToStr(VCapMode.MediaSubType));
  line("VCapModeWidth", rtl::IntToStr(VCapMode.Width));
  line("VCapModeHeight", rtl::IntToStr(VCapMode.Height));
  line("VCapModeBits", rtl::IntToStr(VCapMode.Bits));
  line("VCompState", BytesToStr(VCompState));
  return out;
}

void TGraphConfig::RestoreGraph(const std::string& text) {
  Clear();
  rtl::TStringList lines;
  lines.SetText(text);
  auto value = [&lines](const char* name) { return lines.Values(name); };
  auto integer = [&](const char* name, int def) { return rtl::StrToIntDef(value(name), def); };
  auto flag = [&](const char* name) { return integer(name, 1) > 0; };
  WantBitmaps = flag("WantBitmaps");
  WantCapture = flag("WantCapture");
  WantPreview = flag("WantPreview");
  WantAudio = flag("WantAudio");
  WantAudioPreview = flag("WantAudioPreview");
  WantDVAudio = flag("WantDVAudio");
  DoPreallocFile = flag("DoPreallocFile");
  UseTempFile = flag("UseTempFile");
  PreallocFileSize = integer("PreallocFileSize", 0);
  TempCaptureFileName = value("TempCaptureFileName");
  if (TempCaptureFileName.empty()) TempCaptureFileName = "captemp.avi";
  CaptureFileName = value("CaptureFileName");
  if (CaptureFileName.empty()) CaptureFileName = "capture.avi";
  DVResolution = CheckedDVResolution(integer("DVResolution", 1));
  PixelFormat = static_cast<uint8_t>(CheckedPixelFormat(integer("PixelFormat", 6)));
  VCapSource = value("VCapSource");
  ACapSource = value("ACapSource");
  AComp = value("AComp");
  VComp = value("VComp");
  ACapMode.MediaSubType = StrToGUID(value("ACapModeMediaSubType"));
  ACapMode.SampleRate = integer("ACapModeSampleRate", 0);
  ACapMode.AvgSampleRate = integer("ACapModeAvgSampleRate", 0);
  ACapMode.SampleSize = integer("ACapModeSampleSize", 0);
  ACapMode.Channels = integer("ACapModeChannels", 0);
  VCapMode.MediaSubType = StrToGUID(value("VCapModeMediaSubType"));
  VCapMode.Width = integer("VCapModeWidth", 0);
  VCapMode.Height = integer("VCapModeHeight", 0);
  VCapMode.Bits = integer("VCapModeBits", 0);
  VCompState = StrToBytes(value("VCompState"));
}

bool TGraphConfig::SaveGraphToStream(rtl::TStream* stream) const {
  if (!stream) return false;
  const std::string text = SaveGraph();
  const uint32_t n = static_cast<uint32_t>(text.size());
  const uint8_t len[4] = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
  if (stream->Write(len, 4) != 4) return false;
  return stream->Write(text.data(), int64_t(n)) == int64_t(n);
}

bool TGraphConfig::RestoreGraphFromStream(rtl::TStream* stream) {
  if (!stream) return false;
  uint8_t len[4];
  if (stream->Read(len, 4) != 4) return false;
  const uint32_t n =
      uint32_t(len[0]) | uint32_t(len[1]) << 8 | uint32_t(len[2]) << 16 | uint32_t(len[3]) << 24;
  // The length comes from outside: never allocate more than the stream can still give.
  const int64_t left = stream->Size() - stream->Position();
  if (int64_t(n) > left) return false;
  std::string text(n, '\0');
  if (stream->Read(text.data(), int64_t(n)) != int64_t(n)) return false;
  RestoreGraph(text);
  return true;
}
