#include "capture/vcap.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "capture/vcapdialogs.h"
#include "capture/vcapstrings.h"
#include "platform/gdi/bitmap.h"
#include "platform/gdi/blit.h"
#include "platform/rtl/files.h"
#include "platform/rtl/palette.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/dialogs.h"
#include "platform/win/input.h"
#include "platform/win/message.h"
#include "platform/win/system.h"

using capture::Category;
using capture::Failed;
using capture::HRESULT;
using namespace vcapstrings;

namespace {

constexpr unsigned WM_CAPPREVIEWFRAME = 0x0400 + 4;

// "%x" takes the failing code in hexadecimal.
std::string WithCode(const std::string& text, HRESULT hr) {
  const size_t at = text.find("%x");
  if (at == std::string::npos) return text;
  char code[16];
  std::snprintf(code, sizeof code, "%X", unsigned(hr));
  return text.substr(0, at) + code + text.substr(at + 2);
}

TVCapMode ToMode(const capture::VideoCaps& c) {
  TVCapMode m;
  m.MajorType = c.format.majorType;
  m.MediaSubType = c.format.subtype;
  m.Width = std::abs(c.format.width);
  m.Height = std::abs(c.format.height);
  m.Bits = c.format.bits;
  m.FrameRate = c.format.avgTimePerFrame > 0 ? 1e7 / double(c.format.avgTimePerFrame) : 0;
  m.MinFrameRate = c.maxFrameInterval > 0 ? 1e7 / double(c.maxFrameInterval) : 0;
  m.MaxFrameRate = c.minFrameInterval > 0 ? 1e7 / double(c.minFrameInterval) : 0;
  return m;
}

TACapMode ToMode(const capture::AudioFormat& f) {
  TACapMode m;
  m.MajorType = capture::MEDIATYPE_Audio;
  m.MediaSubType = f.subtype;
  m.SampleRate = f.samplesPerSec;
  m.SampleSize = f.bitsPerSample;
  m.Channels = f.channels;
  m.AvgSampleRate = f.avgBytesPerSec;
  return m;
}

rtl::TGUID GrabberSubtype(vcl::TPixelFormat pf) {
  switch (pf) {
    case vcl::pf1bit:
      return capture::MEDIASUBTYPE_RGB1;
    case vcl::pf4bit:
      return capture::MEDIASUBTYPE_RGB4;
    case vcl::pf8bit:
      return capture::MEDIASUBTYPE_RGB8;
    case vcl::pf15bit:
      return capture::MEDIASUBTYPE_RGB555;
    case vcl::pf16bit:
      return capture::MEDIASUBTYPE_RGB565;
    case vcl::pf32bit:
      return capture::MEDIASUBTYPE_RGB32;
    default:
      return capture::MEDIASUBTYPE_RGB24;
  }
}

// The capture layer's devices follow the window system's clock (a virtual one in tests).
void PaceByWindowClock() {
  capture::PacingClock pc;
  if (win::VirtualClock* vc = win::GetVirtualClock()) {
    pc.nowMicros = [vc] { return vc->NowMicros(); };
    pc.subscribe = [vc](std::function<void(uint64_t)> f) {
      return vc->AddAdvanceListener(std::move(f));
    };
    pc.unsubscribe = [vc](int id) { vc->RemoveAdvanceListener(id); };
  } else {
    pc.nowMicros = [] { return win::GetClock().NowMicros(); };
  }
  capture::Devices().SetClock(std::move(pc));
}

}  // namespace

capture::HRESULT TSampleGrabberCB::BufferCB(double, const uint8_t* data, size_t size,
                                            const capture::VideoFormat& format) {
  const win::HWND wnd = Window.load();
  if (Grab.exchange(false)) {
    {
      std::lock_guard lock(Lock);
      Buffer.assign(data, data + size);
      Format = format;  // the header travels with its image
    }
    if (wnd) win::PostMessage(wnd, WM_CAPFRAMECOPIED, 0, reinterpret_cast<win::LPARAM>(this));
  }
  if (wnd) win::PostMessage(wnd, WM_CAPFRAMEPASSED, 0, 0);
  return capture::S_OK;
}

namespace vcap {

void Register() {
  rtl::RegisterComponents(
      kPalettePage, {rtl::RegisterClass<TVideoCapture>("TVideoCapture", [](rtl::TComponent* owner) {
        return new TVideoCapture(owner);
      })});
}

}  // namespace vcap

TVideoCapture::TVideoCapture(rtl::TComponent* AOwner) : vcl::TCustomControl(AOwner) {
  SetBounds(0, 0, 100, 100);
  SetColor(vcl::TColor(0xFF0000));
  fCallback = std::make_unique<TSampleGrabberCB>();
  fTimer = new vcl::TTimer(this);
  fTimer->SetEnabled(false);
  fTimer->SetInterval(100);
  fTimer->OnTimer = rtl::MakeEvent(this, &TVideoCapture::ProgressTimer);
  PaceByWindowClock();
}

TVideoCapture::~TVideoCapture() {
  // Nothing restarts while the control goes.
  WantPreview = false;
  StopPreview();
  StopCapture();
  TearDownGraph();
  FreeCaptureFilters();
  fTimer->SetEnabled(false);
  fCallback->Window = nullptr;
}

// ---- Device lists ----------------------------------------------------------------------------

TVideoCapture::List& TVideoCapture::CachedList(Category category) {
  static List lists[4];
  return lists[int(category)];
}

void TVideoCapture::FillList(Category category, bool refresh) {
  List& list = CachedList(category);
  if (!list.empty() && !refresh) return;
  list.clear();
  for (const capture::Moniker& m : capture::Devices().Enumerate(category)) {
    if (rtl::Trim(m->friendlyName).empty()) continue;
    int n = 1;
    for (const auto& e : list)
      if (e->FriendlyName == m->friendlyName) ++n;
    auto info = std::make_unique<TCapDeviceInfo>();
    info->FriendlyName = m->friendlyName;
    info->Name = n > 1 ? m->friendlyName + " (" + rtl::IntToStr(n) + ")" : m->friendlyName;
    info->Moniker = m;
    list.push_back(std::move(info));
  }
}

std::unique_ptr<rtl::TStringList> TVideoCapture::Names(Category category, bool refresh) {
  FillList(category, refresh);
  auto out = std::make_unique<rtl::TStringList>();
  for (const auto& e : CachedList(category)) out->Add(e->Name);
  return out;
}

std::unique_ptr<rtl::TStringList> TVideoCapture::GetVideoDevicesList(bool refresh) {
  return Names(Category::VideoInput, refresh);
}
std::unique_ptr<rtl::TStringList> TVideoCapture::GetAudioDevicesList(bool refresh) {
  return Names(Category::AudioInput, refresh);
}
std::unique_ptr<rtl::TStringList> TVideoCapture::GetVideoCompressorsList(bool refresh) {
  return Names(Category::VideoCompressor, refresh);
}
std::unique_ptr<rtl::TStringList> TVideoCapture::GetAudioCompressorsList(bool refresh) {
  return Names(Category::AudioCompressor, refresh);
}

int TVideoCapture::ListedIndex(Category category, const capture::Moniker& moniker) {
  if (!moniker) return -1;
  for (int pass = 0; pass < 2; ++pass) {
    const List& list = CachedList(category);
    // A refresh makes every entry afresh: the device is found by what it is, not where it was.
    for (size_t i = 0; i < list.size(); ++i)
      if (capture::SameDevice(list[i]->Moniker, moniker)) return int(i);
    if (pass == 0) FillList(category, true);
  }
  return -1;
}

std::string TVideoCapture::ListedName(Category category, const capture::Moniker& moniker) {
  const int i = ListedIndex(category, moniker);
  return i < 0 ? std::string() : CachedList(category)[size_t(i)]->Name;
}

capture::Moniker TVideoCapture::ByName(Category category, const std::string& name) {
  if (CachedList(category).empty()) FillList(category, false);
  for (const auto& e : CachedList(category))
    if (e->Name == name) return e->Moniker;
  return nullptr;
}

capture::Moniker TVideoCapture::ByIndex(Category category, int index) {
  FillList(category, false);
  const List& list = CachedList(category);
  return index >= 0 && size_t(index) < list.size() ? list[size_t(index)]->Moniker : nullptr;
}

std::string TVideoCapture::VCapSource() {
  return ListedName(Category::VideoInput, fVideoMoniker);
}
std::string TVideoCapture::ACapSource() {
  return ListedName(Category::AudioInput, fAudioMoniker);
}
std::string TVideoCapture::VCompDevice() {
  return ListedName(Category::VideoCompressor, fVCompMoniker);
}
std::string TVideoCapture::ACompDevice() {
  return ListedName(Category::AudioCompressor, fACompMoniker);
}
int TVideoCapture::VCapSourceIdx() {
  return ListedIndex(Category::VideoInput, fVideoMoniker);
}
int TVideoCapture::ACapSourceIdx() {
  return ListedIndex(Category::AudioInput, fAudioMoniker);
}
int TVideoCapture::VCompDeviceIdx() {
  return ListedIndex(Category::VideoCompressor, fVCompMoniker);
}
int TVideoCapture::ACompDeviceIdx() {
  return ListedIndex(Category::AudioCompressor, fACompMoniker);
}

void TVideoCapture::ChooseDevices(capture::Moniker video, capture::Moniker audio, bool force) {
  // A refreshed list holds new entries for the same devices: a device is known by what it is.
  if (!force && capture::SameDevice(video, fVideoMoniker) &&
      capture::SameDevice(audio, fAudioMoniker))
    return;
  fVideoMoniker = std::move(video);
  fAudioMoniker = std::move(audio);
  TearDownGraph();
  CreateCaptureFilters();
  if (BuildGraph() && WantPreview) StartPreview();
  if (OnChangeDevice) OnChangeDevice(this);
}

void TVideoCapture::ChooseDevices(const std::string& video, const std::string& audio, bool force) {
  ChooseDevices(ByName(Category::VideoInput, video), ByName(Category::AudioInput, audio), force);
}

void TVideoCapture::ChooseDevices(int video, int audio, bool force) {
  ChooseDevices(ByIndex(Category::VideoInput, video), ByIndex(Category::AudioInput, audio), force);
}

void TVideoCapture::ChooseCompressors(capture::Moniker video, capture::Moniker audio, bool force) {
  if (!force && capture::SameDevice(video, fVCompMoniker) &&
      capture::SameDevice(audio, fACompMoniker))
    return;
  fVCompMoniker = std::move(video);
  fACompMoniker = std::move(audio);
  TearDownGraph();
  CreateCaptureFilters();
  if (BuildGraph() && WantPreview) StartPreview();
  if (OnChangeCompressor) OnChangeCompressor(this);
}

void TVideoCapture::ChooseCompressors(const std::string& video, const std::string& audio,
                                      bool force) {
  ChooseCompressors(ByName(Category::VideoCompressor, video),
                    ByName(Category::AudioCompressor, audio), force);
}

void TVideoCapture::ChooseCompressors(int video, int audio, bool force) {
  ChooseCompressors(ByIndex(Category::VideoCompressor, video),
                    ByIndex(Category::AudioCompressor, audio), force);
}

// ---- Messages ---------------------------------------------------------------------------------

void TVideoCapture::ShowError(const std::string& text, HRESULT hr) {
  vcl::ShowMessageBox(WithCode(text, hr), kCaption, vcl::MB_OK | vcl::MB_ICONERROR);
}

void TVideoCapture::RaiseError(const std::string& text, HRESULT hr) {
  ShowError(text, hr);
  throw EVideoCaptureError(WithCode(text, hr));
}

// ---- Filters and graph ------------------------------------------------------------------------

void TVideoCapture::FreeCaptureFilters() {
  fGraph.reset();
  fBuilder = false;
  fVCapFilter = fACapFilter = fVCompFilter = fACompFilter = fDVDecoder = fDVSplitter = nullptr;
  fGrabber = nullptr;
}

void TVideoCapture::CreateCaptureFilters() {
  FreeCaptureFilters();
  auto* plan = &capture::Devices().Plan();
  const std::string device = fVideoMoniker ? fVideoMoniker->friendlyName : "";
  auto step = [&](const std::string& name) {
    capture::Devices().Log(name);
    return plan->Check(name, device);
  };
  if (Failed(step("CreateCaptureGraphBuilder"))) {
    ShowError(kNoGraphBuilder);
    return;
  }
  fBuilder = true;
  try {
    // The video capture filter.
    HRESULT hr =
        fVideoMoniker ? step("BindToObject " + fVideoMoniker->friendlyName) : capture::E_FAIL;
    std::shared_ptr<capture::VideoDevice> video;
    if (!Failed(hr) && fVideoMoniker->bindVideo) video = fVideoMoniker->bindVideo();
    if (Failed(hr) || !video) RaiseError(kNoVideoFilter, Failed(hr) ? hr : capture::E_FAIL);
    if (Failed(step("CreateFilterGraph"))) RaiseError(kNoGraph);
    fGraph = std::make_unique<capture::Graph>(device);
    if (Failed(step("SetFiltergraph"))) RaiseError(kSetGraph);
    auto vf = std::make_shared<capture::Filter>(
        capture::Filter{capture::FilterKind::VideoCapture, "", fVideoMoniker, video});
    if (HRESULT h = fGraph->AddFilter(vf, fVideoMoniker->friendlyName); Failed(h))
      RaiseError(kAddVideoFilter, h);
    fVCapFilter = vf.get();
    // Its stream configuration: on the capture pin, interleaved first, then video.
    HRESULT cfg = fGraph->Step("FindInterface IAMStreamConfig capture interleaved");
    if (Failed(cfg) || !video->IsDV())
      cfg = fGraph->Step("FindInterface IAMStreamConfig capture video");
    if (Failed(cfg)) ShowError(kNoVideoConfig, cfg);
    if (video->IsDV()) {
      if (Failed(fGraph->Step("CreateFilter DVDecoder"))) RaiseError(kDVDecoder);
      fDVDecoder = nullptr;
      auto dec = std::make_shared<capture::Filter>(capture::Filter{capture::FilterKind::DVDecoder});
      if (WantAudio && WantDVAudio && Failed(fGraph->Step("CreateFilter DVSplitter")))
        RaiseError(kDVSplitter);
      // Held by the graph once added; kept here until then.
      fGraph->AddFilter(dec, "MyDVDecoder");
      fDVDecoder = fGraph->FindFilterByName("MyDVDecoder");
      if (WantAudio && WantDVAudio) {
        fGraph->AddFilter(
            std::make_shared<capture::Filter>(capture::Filter{capture::FilterKind::DVSplitter}),
            "MyDVSplitter");
        fDVSplitter = fGraph->FindFilterByName("MyDVSplitter");
        if (fDVSplitter) fDVSplitter->audio = video->InterleavedAudio();
      }
      ApplyDVResolution();
    }
    fGraph->Step("FindInterface IAMVfwCaptureDialogs");
    if (WantCapture && fVCompMoniker &&
        !Failed(step("BindToObject " + fVCompMoniker->friendlyName))) {
      auto comp = std::make_shared<capture::Filter>(
          capture::Filter{capture::FilterKind::VideoCompressor, "", fVCompMoniker});
      fGraph->AddFilter(comp, "MyVideoCompressor");
      fVCompFilter = fGraph->FindFilterByName("MyVideoCompressor");
      fGraph->Step("FindInterface IAMVfwCompressDialogs");
    }
    if (WantAudio && !fDVSplitter) {
      HRESULT ah =
          fAudioMoniker ? step("BindToObject " + fAudioMoniker->friendlyName) : capture::E_FAIL;
      std::shared_ptr<capture::AudioDevice> audio;
      if (!Failed(ah) && fAudioMoniker->bindAudio) audio = fAudioMoniker->bindAudio();
      if (Failed(ah) || !audio) {
        ShowError(kNoAudioFilter);
      } else {
        auto af = std::make_shared<capture::Filter>(
            capture::Filter{capture::FilterKind::AudioCapture, "", fAudioMoniker, nullptr, audio});
        if (HRESULT h = fGraph->AddFilter(af, fAudioMoniker->friendlyName); Failed(h))
          RaiseError(kAddAudioFilter, h);
        fACapFilter = af.get();
      }
    }
    if (fACapFilter || (fDVSplitter && WantDVAudio)) {
      if (WantCapture && fACompMoniker) step("BindToObject " + fACompMoniker->friendlyName);
      if (Failed(fGraph->Step("FindInterface IAMStreamConfig audio")) && !fDVSplitter)
        ShowError(kNoAudioConfig);
    }
  } catch (const EVideoCaptureError&) {
    FreeCaptureFilters();
  }
}

capture::Filter* TVideoCapture::VideoSourceFilter() {
  return fDVDecoder ? fDVDecoder : fVCapFilter;
}

bool TVideoCapture::HasAudioSource() {
  return WantAudio && (fACapFilter || (fDVSplitter && WantDVAudio));
}

std::string TVideoCapture::GraphFileName() const {
  return UseTempFile ? fTempCaptureFileName : fCaptureFileName;
}

bool TVideoCapture::BuildGraph() {
  // A built graph is what the caller wants: capture may start from a running preview.
  if (fBuilt) return true;
  if (!fGraph || !fVCapFilter) return false;
  if (WantAudio && !fACapFilter && !(fVCapFilter->video->IsDV() && WantDVAudio)) return false;
  if (WantCapture && GraphFileName().empty()) {
    ShowError(kFileNameRequired);
    return false;
  }
  // The capture file itself is made only when a capture starts, so that building for a preview
  // never touches the video of an earlier recording.
  try {
    if (fDVDecoder) {
      if (Failed(fGraph->RenderStream(capture::PinCategory::Capture, false, fVCapFilter,
                                      fDVSplitter, fDVDecoder)))
        RaiseError(kRenderVideoCapture);
    }
    capture::Filter* source = VideoSourceFilter();
    if (Failed(fGraph->Step("CreateFilter SmartTee"))) RaiseError(kSmartTee);
    auto tee = std::make_shared<capture::Filter>(capture::Filter{capture::FilterKind::SmartTee});
    if (Failed(fGraph->AddFilter(tee, "MySmartTee"))) RaiseError(kSmartTee);
    if (Failed(fGraph->RenderStream(capture::PinCategory::Any, false, source, nullptr, tee.get())))
      RaiseError(kSmartTee);
    capture::Filter* audioSource = fACapFilter ? fACapFilter : fDVSplitter;
    const bool hasAudio = HasAudioSource();
    if (hasAudio && WantAudioPreview) {
      if (Failed(fGraph->Step("CreateFilter InfTee"))) RaiseError(kInfTee);
      auto inf = std::make_shared<capture::Filter>(capture::Filter{capture::FilterKind::InfTee});
      if (Failed(fGraph->AddFilter(inf, "MyInfTee"))) RaiseError(kInfTee);
      if (Failed(fGraph->RenderStream(capture::PinCategory::Any, true, audioSource, nullptr,
                                      inf.get())))
        RaiseError(kInfTee);
      if (WantPreview && Failed(fGraph->RenderStream(capture::PinCategory::Preview, true,
                                                     audioSource, nullptr, nullptr)))
        RaiseError(kRenderAudioPreview);
    }
    if (WantCapture) {
      if (Failed(fGraph->SetOutputFileName(GraphFileName()))) RaiseError(kSetCaptureFile);
      capture::Filter* mux = fGraph->FindFilterByName("AVI Mux");
      fGraph->Step("SetMode overwrite");
      fGraph->Step("SetOutputCompatibilityIndex");
      if (hasAudio && Failed(fGraph->Step("SetMasterStream"))) ShowError(kMasterStream);
      if (Failed(fGraph->RenderStream(capture::PinCategory::Capture, false, source, fVCompFilter,
                                      mux)))
        RaiseError(kRenderVideoCapture);
      if (hasAudio && Failed(fGraph->RenderStream(capture::PinCategory::Capture, true, audioSource,
                                                  fACompFilter, mux)))
        RaiseError(kRenderAudioCapture);
    }
    if (WantPreview) {
      if (!RenderVideoPreview()) RaiseError(kRenderPreview);
      if (Failed(fGraph->Step("FindInterface IVideoWindow")) || !fGraph->HasVideoWindow()) {
        ShowError(kCannotPreview);
      } else {
        fGraph->SetVideoWindowSink([this](std::shared_ptr<const capture::Rgb32Image> img) {
          {
            std::lock_guard lock(fPreviewMutex);
            fPreview = std::move(img);
          }
          if (win::HWND wnd = fCallback->Window.load())
            win::PostMessage(wnd, WM_CAPPREVIEWFRAME, 0, 0);
        });
      }
    }
    if (UseFrameRate) {
      capture::VideoDevice* dev = fVCapFilter->video.get();
      HRESULT hr = fGraph->Step("GetFormat");
      bool ok = false;
      if (!Failed(hr)) {
        capture::VideoFormat f = dev->Format();
        // A rate outside 1..50 (a new control's 0 among them) counts as 25.
        const double rate = fFrameRate >= 1.0 && fFrameRate <= 50.0 ? fFrameRate : 25.0;
        f.avgTimePerFrame = int64_t(rtl::Round(10'000'000.0 / rate));
        hr = fGraph->Step("SetFormat");
        if (!Failed(hr)) hr = dev->SetFormat(f);
        if (Failed(hr)) ShowError(kPreviewFrameRate, hr);
        ok = !Failed(hr);
      }
      if (!ok) ShowError(kFrameRate);
    }
    fGraph->Step("SetNotifyWindow");
    const win::HWND wnd = Handle();
    fCallback->Window = wnd;
    fGraph->SetNotify([wnd] { win::PostMessage(wnd, WM_CAPGRAPHEVENT, 0, 0); });
    fBuilt = true;
    return true;
  } catch (const EVideoCaptureError&) {
    fBuilt = true;  // so that the tear-down runs
    TearDownGraph();
    return false;
  }
}

bool TVideoCapture::RenderVideoPreview() {
  capture::Filter* source = VideoSourceFilter();
  capture::Filter* from = source;
  if (WantBitmaps) {
    fGrabber = fGraph->FindFilterByName("MyBitmapGrabber");
    if (!fGrabber && !Failed(fGraph->Step("CreateFilter SampleGrabber"))) {
      auto g =
          std::make_shared<capture::Filter>(capture::Filter{capture::FilterKind::SampleGrabber});
      if (!Failed(fGraph->AddFilter(g, "MyBitmapGrabber"))) fGrabber = g.get();
    }
    if (fGrabber) {
      if (BitmapPixelFormat != vcl::pfDevice) {
        fGraph->Step("SetMediaType");
        fGrabber->grabberSubtype = GrabberSubtype(BitmapPixelFormat);
      } else {
        fGrabber->grabberSubtype.reset();
      }
      if (Failed(fGraph->RenderStream(capture::PinCategory::Preview, false, source, nullptr,
                                      fGrabber))) {
        ShowError(kSampleGrabber);
        fGrabber = nullptr;
      } else {
        fGraph->Step("SetBufferSamples");
        fGraph->Step("SetOneShot");
        fCallback->Window = Handle();
        TSampleGrabberCB* cb = fCallback.get();
        fGrabber->callback = [cb](double t, const uint8_t* d, size_t n,
                                  const capture::VideoFormat& f) {
          return cb->BufferCB(t, d, n, f);
        };
        fGraph->Step("SetCallback");
        from = fGrabber;
      }
    }
  }
  (void)from;
  return !Failed(fGraph->RenderStream(capture::PinCategory::Preview, false, source,
                                      from == source ? nullptr : from, nullptr));
}

void TVideoCapture::TearDownGraph() {
  if (!fBuilt) return;
  if (fCapturing) StopCapture();
  if (fPreviewing) StopPreview();
  if (fGraph) {
    fGraph->SetNotify(nullptr);
    fGraph->RemoveDownstream();
  }
  fGrabber = nullptr;
  {
    std::lock_guard lock(fPreviewMutex);
    fPreview.reset();
  }
  fBuilt = false;
  // The temporary file goes only once it safely reached the capture file, and never when both
  // names are one file.
  if (WantCapture && UseTempFile && fTempSaved && fTempCaptureFileName != fCaptureFileName)
    rtl::DeleteFile(fTempCaptureFileName);
  fTempSaved = false;
}

void TVideoCapture::ApplyDVResolution() {
  if (!fDVDecoder || fDVResolution == dvrDontWorry) return;
  fDVDecoder->dvDisplay = 999 + int(fDVResolution);
}

// ---- Preview and capture ----------------------------------------------------------------------

void TVideoCapture::StartPreview() {
  if (fPreviewing) return;
  if (!BuildGraph()) return;
  if (WantCapture) fGraph->ControlCaptureStream(false);
  HRESULT hr = fGraph->Run();
  if (Failed(hr)) fGraph->Stop();
  if (!Failed(hr)) {
    fPreviewing = true;
    if (OnStartPreview) OnStartPreview(this);
  } else {
    ShowError(kRunPreview, hr);
  }
}

void TVideoCapture::StopPreview() {
  if (!fPreviewing || !fGraph) return;
  if (HRESULT hr = fGraph->Stop(); Failed(hr)) {
    ShowError(kStopPreview, hr);
    return;
  }
  Invalidate();
  if (OnStopPreview) OnStopPreview(this);
  fPreviewing = false;
}

bool TVideoCapture::StartCapture(bool confirm) {
  if (!WantCapture || fCapturing) return false;
  fTimer->SetEnabled(false);
  if (!BuildGraph()) return false;
  fFramesCaptured = fFramesDropped = 0;
  const bool controllable = !Failed(fGraph->Step("ControlStream capture query"));
  if (HRESULT hr = fGraph->Step("QueryInterface IMediaControl"); Failed(hr)) {
    ShowError(kMediaControl, hr);
    return false;
  }
  try {
    HRESULT hr = controllable ? fGraph->Run() : fGraph->Pause();
    if (Failed(hr)) RaiseError(kRunGraph, hr);
    fPreviewing = false;
    if (confirm && vcl::MessageDlg(kStartingCapture, vcl::mtConfirmation,
                                   vcl::mbYes | vcl::mbCancel) != vcl::mrYes) {
      fGraph->Stop();
      if (WantPreview) StartPreview();
      return false;
    }
    // A new capture file: the old one of this name goes, the new one gets its space.
    const std::string file = fGraph->SinkFileName();
    rtl::DeleteFile(file);
    if (DoPreallocFile &&
        Failed(capture::Graph::AllocCapFile(
            file, uint64_t(uint32_t(std::max(0, PreallocFileSize))) * 1048576ull))) {
      ShowError(kAllocFailed);
      fGraph->Stop();
      if (WantPreview) StartPreview();
      return false;
    }
    if (!controllable) {
      if (HRESULT h = fGraph->Run(); Failed(h)) RaiseError(kRunGraph, h);
    } else {
      fGraph->Step("FindInterface IAMDroppedFrames");
      if (HRESULT h = fGraph->ControlCaptureStream(true); Failed(h)) RaiseError(kRunGraph, h);
    }
    fDroppedBase = fGraph->Dropped();
    fNotDroppedBase = fGraph->NotDropped();
  } catch (const EVideoCaptureError&) {
    fGraph->Stop();
    return false;
  }
  fStartTime = win::timeGetTime();
  fTimer->SetEnabled(true);
  fCapturing = true;
  fTempSaved = false;
  if (OnStartCapture) OnStartCapture(this);
  return true;
}

void TVideoCapture::StopCapture() {
  if (!fCapturing) return;
  fTimer->SetEnabled(false);
  if (HRESULT hr = fGraph->Stop(); Failed(hr)) {
    ShowError(kStopGraph, hr);
    return;
  }
  fStopTime = win::timeGetTime();
  fFramesCaptured = fGraph->NotDropped() - fNotDroppedBase;
  fFramesDropped = fGraph->Dropped() - fDroppedBase;
  fCapturing = false;
  fPreviewing = false;
  if (UseTempFile && SaveCaptureFile(fCaptureFileName)) {
    fTempSaved = true;
    if (fTempCaptureFileName != fCaptureFileName) rtl::DeleteFile(fTempCaptureFileName);
  }
  if (OnCaptureProgress) OnCaptureProgress(this);
  Invalidate();
  if (OnStopCapture) OnStopCapture(this);
  if (WantPreview) StartPreview();
}

bool TVideoCapture::SaveCaptureFile(const std::string& fileName) {
  if (fileName.empty()) return false;
  const std::string from = UseTempFile ? fTempCaptureFileName : fCaptureFileName;
  return !Failed(capture::Graph::CopyCaptureFile(
      from, fileName, [] { return (win::GetAsyncKeyState(win::VK_ESCAPE) & 0x8000) != 0; }));
}

bool TVideoCapture::CaptureFrame() {
  const bool armed = fGrabber && WantBitmaps && (fPreviewing || fCapturing);
  fCallback->Grab = armed;
  return armed;
}

void TVideoCapture::ProgressTimer(rtl::TObject*) {
  fElapsed = win::timeGetTime() - fStartTime;
  if (fCapturing && fGraph) {
    fFramesCaptured = fGraph->NotDropped() - fNotDroppedBase;
    fFramesDropped = fGraph->Dropped() - fDroppedBase;
  }
  if (!fCapturing) return;
  if (UseTimeLimit && int64_t(fElapsed / 1000) >= TimeLimit) {
    StopCapture();
    if (WantPreview) StartPreview();
  } else if (OnCaptureProgress) {
    OnCaptureProgress(this);
  }
}

void TVideoCapture::SetFrameRate(double value) {
  fFrameRate = value < 1.0 || value > 50.0 ? 25.0 : value;
}

void TVideoCapture::SetCaptureFileName(const std::string& value) {
  fCaptureFileName = value;
  // A built sink writes the next capture to the new name.
  if (fGraph && fGraph->HasMux() && !UseTempFile) fGraph->SetSinkFileName(value);
}

void TVideoCapture::SetTempCaptureFileName(const std::string& value) {
  fTempCaptureFileName = value;
  if (fGraph && fGraph->HasMux() && UseTempFile) fGraph->SetSinkFileName(value);
}

void TVideoCapture::SetDVResolution(TDVResolution value) {
  if (fCapturing) return;
  fDVResolution = value;
  if (fGraph && IsDVSource() && value != dvrDontWorry) {
    TearDownGraph();
    ApplyDVResolution();
  }
}

// ---- Modes ------------------------------------------------------------------------------------

bool TVideoCapture::IsDVSource() {
  return fVCapFilter && fVCapFilter->video &&
         fVCapFilter->video->Format().majorType == capture::MEDIATYPE_Interleaved;
}

namespace {
constexpr int kDVSizes[4][2] = {{720, 576}, {360, 288}, {180, 144}, {88, 72}};
}

int TVideoCapture::VCapModeCount() {
  if (!fVCapFilter) return 0;
  return IsDVSource() ? 4 : int(fVCapFilter->video->Caps().size());
}

TVCapMode TVideoCapture::VCapModes(int index) {
  TVCapMode m;
  if (!fVCapFilter || index < 0 || index >= VCapModeCount()) return m;
  if (IsDVSource()) {
    m.MajorType = capture::MEDIATYPE_Video;
    m.MediaSubType = capture::MEDIASUBTYPE_RGB24;
    m.Width = kDVSizes[index][0];
    m.Height = kDVSizes[index][1];
    m.Bits = 24;
    return m;
  }
  return ToMode(fVCapFilter->video->Caps()[size_t(index)]);
}

TVCapMode TVideoCapture::VCapMode() {
  if (!fVCapFilter) return {};
  if (IsDVSource()) {
    const int d = fDVDecoder ? fDVDecoder->dvDisplay - 1000 : 0;
    return VCapModes(d >= 0 && d < 4 ? d : 0);
  }
  capture::VideoCaps c;
  c.format = fVCapFilter->video->Format();
  for (const auto& k : fVCapFilter->video->Caps())
    if (k.format.subtype == c.format.subtype && k.format.width == c.format.width &&
        k.format.height == c.format.height) {
      c.minFrameInterval = k.minFrameInterval;
      c.maxFrameInterval = k.maxFrameInterval;
    }
  return ToMode(c);
}

int TVideoCapture::VCapModeIdx() {
  const TVCapMode cur = VCapMode();
  for (int i = 0; i < VCapModeCount(); ++i)
    if (IsEqualModes(VCapModes(i), cur)) return i;
  return -1;
}

bool TVideoCapture::SetVCapMode(int index) {
  if (fCapturing || !fVCapFilter || index < 0 || index >= VCapModeCount()) return false;
  TearDownGraph();
  bool ok;
  if (IsDVSource()) {
    fDVResolution = TDVResolution(dvrFull + index);
    ApplyDVResolution();
    ok = true;
  } else {
    ok = !Failed(fVCapFilter->video->SetFormat(fVCapFilter->video->Caps()[size_t(index)].format));
  }
  if (ok && OnChangeVCapMode) OnChangeVCapMode(this);
  return ok;
}

bool TVideoCapture::SetVCapMode(const TVCapMode& mode) {
  if (IsEqualModes(VCapMode(), mode)) return true;
  for (int i = 0; i < VCapModeCount(); ++i)
    if (IsEqualModes(VCapModes(i), mode)) return SetVCapMode(i);
  return false;
}

int TVideoCapture::ACapModeCount() {
  return fACapFilter ? int(fACapFilter->audio->Caps().size()) : 0;
}

TACapMode TVideoCapture::ACapModes(int index) {
  if (index < 0 || index >= ACapModeCount()) return {};
  return ToMode(fACapFilter->audio->Caps()[size_t(index)]);
}

TACapMode TVideoCapture::ACapMode() {
  return fACapFilter ? ToMode(fACapFilter->audio->Format()) : TACapMode{};
}

int TVideoCapture::ACapModeIdx() {
  const TACapMode cur = ACapMode();
  for (int i = 0; i < ACapModeCount(); ++i)
    if (IsEqualModes(ACapModes(i), cur)) return i;
  return -1;
}

bool TVideoCapture::SetACapMode(int index) {
  if (fCapturing || index < 0 || index >= ACapModeCount()) return false;
  const bool wasPreviewing = fPreviewing;
  StopPreview();
  const bool ok = !Failed(fACapFilter->audio->SetFormat(fACapFilter->audio->Caps()[size_t(index)]));
  if (wasPreviewing) StartPreview();
  if (ok && OnChangeACapMode) OnChangeACapMode(this);
  return ok;
}

bool TVideoCapture::SetACapMode(const TACapMode& mode) {
  if (IsEqualModes(ACapMode(), mode)) return true;
  for (int i = 0; i < ACapModeCount(); ++i)
    if (IsEqualModes(ACapModes(i), mode)) return SetACapMode(i);
  return false;
}

std::string TVideoCapture::GetModeString(const TVCapMode& m) {
  using namespace capture;
  static const std::pair<rtl::TGUID, const char*> kLabels[] = {
      {MEDIASUBTYPE_YVU9, "(YVU9)"},     {MEDIASUBTYPE_Y411, "(Y411)"},
      {MEDIASUBTYPE_Y41P, "(Y41P)"},     {MEDIASUBTYPE_YUY2, "(YUY2)"},
      {MEDIASUBTYPE_YVYU, "(YVYU)"},     {MEDIASUBTYPE_UYVY, "(UYVY)"},
      {MEDIASUBTYPE_Y211, "(Y211)"},     {MEDIASUBTYPE_RGB24, "(RGB24)"},
      {MEDIASUBTYPE_RGB32, "(RGB32)"},   {MEDIASUBTYPE_RGB565, "(RGB565)"},
      {MEDIASUBTYPE_RGB555, "(RGB555)"}, {MEDIASUBTYPE_ARGB32, "(ARGB32)"}};
  std::string s =
      rtl::IntToStr(m.Width) + "x" + rtl::IntToStr(m.Height) + "x" + rtl::IntToStr(m.Bits) + "b";
  for (const auto& [guid, label] : kLabels)
    if (guid == m.MediaSubType) return s + " " + label;
  return s;
}

std::string TVideoCapture::GetModeString(const TACapMode& m) {
  if (m.MediaSubType == capture::MEDIASUBTYPE_PCM)
    return rtl::IntToStr(m.SampleRate) + "Hzx" + rtl::IntToStr(m.SampleSize) + "bx" +
           rtl::IntToStr(m.Channels);
  return rtl::IntToStr(int(int64_t(m.AvgSampleRate) * 8 / 1000)) + "kBits/s, " +
         rtl::IntToStr(m.SampleRate) + "Hz, " + rtl::IntToStr(m.Channels);
}

bool TVideoCapture::IsEqualModes(const TVCapMode& a, const TVCapMode& b) {
  return a.MediaSubType == b.MediaSubType && a.Height == b.Height && a.Width == b.Width &&
         a.Bits == b.Bits;
}

bool TVideoCapture::IsEqualModes(const TACapMode& a, const TACapMode& b) {
  if (!(a.MediaSubType == b.MediaSubType) || a.Channels != b.Channels) return false;
  if (a.MediaSubType == capture::MEDIASUBTYPE_PCM)
    return a.SampleRate == b.SampleRate && a.SampleSize == b.SampleSize;
  return a.AvgSampleRate == b.AvgSampleRate && a.SampleRate == b.SampleRate;
}

// ---- Settings ---------------------------------------------------------------------------------

void TVideoCapture::SaveGraph(TGraphConfig* c) {
  if (!c) return;
  c->Clear();
  c->UseTempFile = UseTempFile;
  c->WantBitmaps = WantBitmaps;
  c->DoPreallocFile = DoPreallocFile;
  c->WantCapture = WantCapture;
  c->WantPreview = WantPreview;
  c->WantDVAudio = WantDVAudio;
  c->WantAudio = WantAudio;
  c->WantAudioPreview = WantAudioPreview;
  c->PreallocFileSize = PreallocFileSize;
  c->TempCaptureFileName = fTempCaptureFileName;
  c->CaptureFileName = fCaptureFileName;
  c->DVResolution = fDVResolution;
  c->PixelFormat = uint8_t(BitmapPixelFormat);
  c->ACapMode = ACapMode();
  c->VCapMode = VCapMode();
  c->VCompState.clear();
  if (fVCompFilter) c->VCompState = std::string(1, char(fVCompFilter->quality));
  c->VCapSource = VCapSource();
  c->ACapSource = ACapSource();
  c->VComp = VCompDevice();
  c->AComp = ACompDevice();
}

void TVideoCapture::RestoreGraph(const TGraphConfig* c) {
  if (!c) return;
  TearDownGraph();
  FreeCaptureFilters();
  UseTempFile = c->UseTempFile;
  WantBitmaps = c->WantBitmaps;
  DoPreallocFile = c->DoPreallocFile;
  WantCapture = c->WantCapture;
  WantPreview = c->WantPreview;
  WantDVAudio = c->WantDVAudio;
  WantAudio = c->WantAudio;
  WantAudioPreview = c->WantAudioPreview;
  PreallocFileSize = c->PreallocFileSize;
  // Stored values out of range (the settings file's default 16) come back to the defaults.
  SetDVResolution(CheckedDVResolution(c->DVResolution));
  BitmapPixelFormat = CheckedPixelFormat(c->PixelFormat);
  if (!c->TempCaptureFileName.empty()) SetTempCaptureFileName(c->TempCaptureFileName);
  if (!c->CaptureFileName.empty()) SetCaptureFileName(c->CaptureFileName);
  for (Category k : {Category::VideoInput, Category::AudioInput, Category::VideoCompressor,
                     Category::AudioCompressor})
    FillList(k, true);
  fVideoMoniker = ByName(Category::VideoInput, c->VCapSource);
  fAudioMoniker = ByName(Category::AudioInput, c->ACapSource);
  fVCompMoniker = ByName(Category::VideoCompressor, c->VComp);
  fACompMoniker = ByName(Category::AudioCompressor, c->AComp);
  CreateCaptureFilters();
  if (!c->VCompState.empty() && fVCompFilter)
    fVCompFilter->quality = std::clamp(int(uint8_t(c->VCompState[0])), 1, 100);
  SetACapMode(c->ACapMode);
  SetVCapMode(c->VCapMode);
  if (BuildGraph() && WantPreview) StartPreview();
  if (OnChangeDevice) OnChangeDevice(this);
  if (OnChangeCompressor) OnChangeCompressor(this);
}

// ---- Dialogs ----------------------------------------------------------------------------------

TCaptureDialogs TVideoCapture::GetAvailableDialogs() {
  TCaptureDialogs set = 0;
  if (capture::VideoDevice* dev = fVCapFilter ? fVCapFilter->video.get() : nullptr) {
    // The driver's own dialogs, each only where the driver has what it sets: listed frame
    // rates (format), more than one input (source; an input choice is what a crossbar is),
    // picture controls (the capture filter's pages), a tuner behind the current input.
    for (const capture::VideoCaps& c : dev->Caps())
      if (!c.intervals.empty() && !IsDVSource()) set |= DialogBit(cdVFORMAT);
    if (dev->Inputs().size() > 1) set |= DialogBit(cdVSOURCE) | DialogBit(cdVCROSSBAR);
    if (!dev->Controls().empty()) set |= DialogBit(cdVCAPTURE);
    if (dev->Tuner()) set |= DialogBit(cdTVTUNER);
  }
  if (fVCapFilter) set |= DialogBit(cdVCAPTURE_PIN);
  if (fACapFilter) set |= DialogBit(cdACAPTURE_PIN);
  if (fVCompFilter && fVCompFilter->moniker && fVCompFilter->moniker->mjpeg)
    set |= DialogBit(cdVCOMPRESSION);
  return set;
}

void TVideoCapture::ShowDialog(TCaptureDialog dialog) {
  if (!(GetAvailableDialogs() & DialogBit(dialog)) || fCapturing) return;
  capture::VideoDevice& dev = *fVCapFilter->video;
  switch (dialog) {
    case cdVFORMAT: {
      // Every mode at every rate the driver lists.
      std::vector<std::pair<capture::VideoFormat, std::string>> formats;
      for (const capture::VideoCaps& c : dev.Caps())
        for (int64_t t : c.intervals) {
          capture::VideoFormat f = c.format;
          f.avgTimePerFrame = t;
          formats.emplace_back(f, GetModeString(ToMode({f, t, t, {}})) + ", " +
                                      rtl::FloatToStrF(1e7 / double(t), rtl::ffGeneral, 4, 0) +
                                      " fps");
        }
      std::vector<std::string> names;
      int current = -1;
      for (const auto& [f, name] : formats) {
        if (f == dev.Format()) current = int(names.size());
        names.push_back(name);
      }
      const int chosen = ChooseFromList("Video Format", names, current);
      if (chosen >= 0) {
        HRESULT hr = dev.SetFormat(formats[size_t(chosen)].first);
        if (hr == capture::VFW_E_NOT_STOPPED) {
          // The driver changes its format only while it is not streaming.
          TearDownGraph();
          hr = dev.SetFormat(formats[size_t(chosen)].first);
        }
        if (!Failed(hr) && OnChangeVCapMode) OnChangeVCapMode(this);
      }
      if (WantPreview) StartPreview();
      break;
    }
    case cdVSOURCE: {
      StopPreview();
      std::vector<std::string> names;
      for (const capture::VideoInput& in : dev.Inputs()) names.push_back(in.name);
      const int chosen = ChooseFromList("Video Source", names, dev.Input());
      if (chosen >= 0) dev.SetInput(chosen);
      if (WantPreview) StartPreview();
      break;
    }
    case cdVCAPTURE:
      ShowControlsPage(VCapSource(), dev);
      break;
    case cdTVTUNER:
      ShowTunerPage("TV Tuner", dev);
      break;
    case cdVCAPTURE_PIN: {
      TearDownGraph();
      std::vector<std::string> modes;
      for (int i = 0; i < VCapModeCount(); ++i) modes.push_back(GetModeString(VCapModes(i)));
      const int chosen = ChooseFromList("Video Capture Pin", modes, VCapModeIdx());
      if (chosen >= 0) SetVCapMode(chosen);
      if (WantPreview) StartPreview();
      break;
    }
    case cdACAPTURE_PIN: {
      StopPreview();
      std::vector<std::string> modes;
      for (int i = 0; i < ACapModeCount(); ++i) modes.push_back(GetModeString(ACapModes(i)));
      const int chosen = ChooseFromList("Audio Capture Pin", modes, ACapModeIdx());
      if (chosen >= 0) SetACapMode(chosen);
      StartPreview();
      break;
    }
    case cdVCOMPRESSION: {
      StopPreview();
      // The compressor's state is its quality, 5 to 100.
      std::vector<std::string> qualities;
      for (int q = 5; q <= 100; q += 5) qualities.push_back("Quality " + rtl::IntToStr(q));
      const int chosen =
          ChooseFromList("MJPEG Compressor", qualities, (fVCompFilter->quality + 2) / 5 - 1);
      if (chosen >= 0) fVCompFilter->quality = 5 * (chosen + 1);
      StartPreview();
      break;
    }
    default:
      break;
  }
}

// ---- Window -----------------------------------------------------------------------------------

std::shared_ptr<const capture::Rgb32Image> TVideoCapture::PreviewImage() {
  std::lock_guard lock(fPreviewMutex);
  return fPreview;
}

void TVideoCapture::HandleGraphEvents() {
  if (!fGraph) return;
  const bool wasCapturing = fCapturing, wasPreviewing = fPreviewing;
  long code;
  while (fGraph && fGraph->GetEvent(code)) {
    if (code == capture::EC_ERRORABORT) {
      StopCapture();
      if (OnAborted) OnAborted(this);
    } else if (code == capture::EC_DEVICE_LOST) {
      if (OnDeviceLost) OnDeviceLost(this);
      // The device is gone: no preview restarts on it.
      const bool want = WantPreview;
      WantPreview = false;
      StopCapture();
      StopPreview();
      WantPreview = want;
      return;
    }
  }
  if ((fCapturing != wasCapturing || fPreviewing != wasPreviewing) && WantPreview) StartPreview();
}

void TVideoCapture::FrameCopied(win::LPARAM sender) {
  if (sender != reinterpret_cast<win::LPARAM>(fCallback.get())) return;
  std::lock_guard lock(fCallback->Lock);
  const capture::VideoFormat f = fCallback->Format;
  // Only a whole image of the format it came with is copied.
  if (fCallback->Buffer.empty() || fCallback->Buffer.size() < f.ImageSize()) return;
  auto img = capture::ToRgb32(fCallback->Buffer.data(), fCallback->Buffer.size(), f);
  if (!img) return;
  vcl::TPixelFormat pf;
  switch (f.bits) {
    case 16:
      pf = f.subtype == capture::MEDIASUBTYPE_RGB565 ? vcl::pf16bit : vcl::pf15bit;
      break;
    case 32:
      pf = vcl::pf32bit;
      break;
    default:
      pf = vcl::pf24bit;
  }
  auto bmp = std::make_unique<TCapturedBitmap>();
  bmp->SetPixelFormat(pf);
  bmp->SetSize(img->width, img->height);
  gdi::BITMAPINFO info{};
  info.bmiHeader.biWidth = f.width;
  info.bmiHeader.biHeight = f.height;
  info.bmiHeader.biBitCount =
      gdi::WORD(capture::RgbBits(f.subtype) ? capture::RgbBits(f.subtype) : 24);
  std::vector<uint8_t> dib;
  const uint8_t* bits = fCallback->Buffer.data();
  if (!capture::RgbBits(f.subtype)) {
    dib = capture::FromRgb32(*img, capture::MEDIASUBTYPE_RGB24);
    bits = dib.data();
  } else if (f.subtype == capture::MEDIASUBTYPE_RGB565) {
    info.bmiHeader.biCompression = gdi::BI_BITFIELDS;
    const uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
    std::memcpy(info.bmiColors, masks, sizeof masks);
  }
  const int copied =
      gdi::StretchDIBits(bmp->Canvas()->Handle(), 0, 0, img->width, img->height, 0, 0, img->width,
                         img->height, bits, &info, gdi::DIB_RGB_COLORS, gdi::SRCCOPY);
  if (copied > 0 && OnBitmapGrabbed) OnBitmapGrabbed(this, bmp.get());
}

void TVideoCapture::WndProc(vcl::TMessage& m) {
  switch (m.Msg) {
    case WM_CAPGRAPHEVENT:
      HandleGraphEvents();
      return;
    case WM_CAPFRAMECOPIED:
      FrameCopied(m.LParam);
      return;
    case WM_CAPFRAMEPASSED:
      if (OnFrameRendered) OnFrameRendered(this);
      return;
    case WM_CAPPREVIEWFRAME:
      Invalidate();
      return;
    default:
      vcl::TCustomControl::WndProc(m);
  }
}

void TVideoCapture::Paint() {
  vcl::TCanvas* c = Canvas();
  const auto img = PreviewImage();
  // The preview goes on while capturing.
  if (!img || !(fPreviewing || fCapturing)) {
    c->Brush()->SetColor(Color());
    c->FillRect(ClientRect());
    return;
  }
  gdi::BITMAPINFO info{};
  info.bmiHeader.biWidth = img->width;
  info.bmiHeader.biHeight = -img->height;
  info.bmiHeader.biBitCount = 32;
  gdi::StretchDIBits(c->Handle(), 0, 0, ClientWidth(), ClientHeight(), 0, 0, img->width,
                     img->height, img->pixels.data(), &info, gdi::DIB_RGB_COLORS, gdi::SRCCOPY);
}
