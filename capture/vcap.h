#pragma once
// The video capture control: lists the capture devices and compressors, builds one graph for
// preview and for capture to an AVI file, shows the preview in its own window, stops capture at a
// time limit and hands single frames to the application as bitmaps.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "capture/graphconfig.h"
#include "platform/capture/graph.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/stringlist.h"
#include "platform/vcl/bitmap.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/timer.h"

class EVideoCaptureError : public rtl::Exception {
 public:
  using rtl::Exception::Exception;
};

class TCapturedBitmap : public vcl::TBitmap {};

class TCapDeviceInfo : public rtl::TObject {
 public:
  std::string FriendlyName;  // as the device calls itself
  std::string Name;          // as listed, with " (n)" for the n-th of equal names
  capture::Moniker Moniker;
};

enum TCaptureDialog {
  cdVFORMAT,
  cdVSOURCE,
  cdVDISPLAY,
  cdVCAPTURE,
  cdVCROSSBAR,
  cdTVTUNER,
  cdACAPTURE,
  cdACROSSBAR,
  cdTVAUDIO,
  cdVCAPTURE_PIN,
  cdVPREVIEW_PIN,
  cdACAPTURE_PIN,
  cdVCOMPRESSION,
  cdACOMPRESSION
};

// A set of dialogs, one bit each.
using TCaptureDialogs = unsigned;
constexpr TCaptureDialogs DialogBit(TCaptureDialog d) {
  return 1u << unsigned(d);
}

// The still-frame hand-over from the streaming thread: the image with the format it is in.
class TSampleGrabberCB : public rtl::TObject {
 public:
  capture::HRESULT BufferCB(double sampleTime, const uint8_t* data, size_t size,
                            const capture::VideoFormat& format);
  std::mutex Lock;
  std::vector<uint8_t> Buffer;
  capture::VideoFormat Format;
  std::atomic<win::HWND> Window{};
  std::atomic<bool> Grab{false};
};

constexpr unsigned WM_CAPGRAPHEVENT = 0x0400 + 1;
constexpr unsigned WM_CAPFRAMECOPIED = 0x0400 + 2;
constexpr unsigned WM_CAPFRAMEPASSED = 0x0400 + 3;

using TBitmapGrabbedEvent = rtl::Event<void(rtl::TObject* Sender, TCapturedBitmap* Bitmap)>;

class TVideoCapture : public vcl::TCustomControl {
 public:
  explicit TVideoCapture(rtl::TComponent* AOwner);
  ~TVideoCapture() override;

  // Device and compressor lists (the caller owns the returned list).
  std::unique_ptr<rtl::TStringList> GetVideoDevicesList(bool refresh);
  std::unique_ptr<rtl::TStringList> GetAudioDevicesList(bool refresh);
  std::unique_ptr<rtl::TStringList> GetVideoCompressorsList(bool refresh);
  std::unique_ptr<rtl::TStringList> GetAudioCompressorsList(bool refresh);

  void ChooseDevices(capture::Moniker video, capture::Moniker audio, bool force);
  void ChooseDevices(const std::string& video, const std::string& audio, bool force);
  void ChooseDevices(int video, int audio, bool force);
  void ChooseCompressors(capture::Moniker video, capture::Moniker audio, bool force);
  void ChooseCompressors(const std::string& video, const std::string& audio, bool force);
  void ChooseCompressors(int video, int audio, bool force);
  // The listed names and list positions (-1: none) of the current choices.
  std::string VCapSource();
  std::string ACapSource();
  std::string VCompDevice();
  std::string ACompDevice();
  int VCapSourceIdx();
  int ACapSourceIdx();
  int VCompDeviceIdx();
  int ACompDeviceIdx();
  bool IsDVSource();

  int VCapModeCount();
  TVCapMode VCapModes(int index);
  TVCapMode VCapMode();
  int VCapModeIdx();
  bool SetVCapMode(int index);
  bool SetVCapMode(const TVCapMode& mode);
  int ACapModeCount();
  TACapMode ACapModes(int index);
  TACapMode ACapMode();
  int ACapModeIdx();
  bool SetACapMode(int index);
  bool SetACapMode(const TACapMode& mode);
  static std::string GetModeString(const TVCapMode& mode);
  static std::string GetModeString(const TACapMode& mode);
  static bool IsEqualModes(const TVCapMode& a, const TVCapMode& b);
  static bool IsEqualModes(const TACapMode& a, const TACapMode& b);

  void StartPreview();
  void StopPreview();
  bool StartCapture(bool confirm);
  void StopCapture();
  bool CaptureFrame();
  bool SaveCaptureFile(const std::string& fileName);
  void SaveGraph(TGraphConfig* config);
  void RestoreGraph(const TGraphConfig* config);
  // Our own dialogs stand for the drivers' dialogs and pages: the driver's formats and rates, its
  // inputs, its picture controls and its tuner, the video and audio capture pins' modes and the
  // MJPEG compressor's quality; each offered only where the device or compressor has it.
  TCaptureDialogs GetAvailableDialogs();
  void ShowDialog(TCaptureDialog dialog);

  bool Built() const { return fBuilt; }
  bool Capturing() const { return fCapturing; }
  bool Previewing() const { return fPreviewing; }
  int64_t FramesCaptured() const { return fFramesCaptured; }
  int64_t FramesDropped() const { return fFramesDropped; }
  uint32_t ElapsedTime() const { return fElapsed; }
  // The latest preview image (null before the first).
  std::shared_ptr<const capture::Rgb32Image> PreviewImage();
  capture::Graph* Graph() { return fGraph.get(); }

  // Properties.
  TDVResolution DVResolution() const { return fDVResolution; }
  void SetDVResolution(TDVResolution value);
  bool WantBitmaps = true;
  vcl::TPixelFormat BitmapPixelFormat = vcl::pf24bit;
  bool WantAudio = true, WantDVAudio = true, WantAudioPreview = true, WantPreview = true,
       WantCapture = true;
  bool UseFrameRate = false;
  double FrameRate() const { return fFrameRate; }
  void SetFrameRate(double value);
  std::string CaptureFileName() const { return fCaptureFileName; }
  void SetCaptureFileName(const std::string& value);
  bool UseTempFile = false;
  std::string TempCaptureFileName() const { return fTempCaptureFileName; }
  void SetTempCaptureFileName(const std::string& value);
  bool UseTimeLimit = false;
  int TimeLimit = 0;
  bool DoPreallocFile = false;
  int PreallocFileSize = 1;

  rtl::TNotifyEvent OnAborted, OnDeviceLost, OnChangeDevice, OnChangeCompressor, OnChangeVCapMode,
      OnChangeACapMode, OnCaptureProgress, OnStopCapture, OnStopPreview, OnStartCapture,
      OnStartPreview, OnFrameRendered;
  TBitmapGrabbedEvent OnBitmapGrabbed;

 protected:
  void WndProc(vcl::TMessage& message) override;
  void Paint() override;

 private:
  using List = std::vector<std::unique_ptr<TCapDeviceInfo>>;
  static List& CachedList(capture::Category category);
  static void FillList(capture::Category category, bool refresh);
  static std::unique_ptr<rtl::TStringList> Names(capture::Category category, bool refresh);
  std::string ListedName(capture::Category category, const capture::Moniker& moniker);
  int ListedIndex(capture::Category category, const capture::Moniker& moniker);
  capture::Moniker ByName(capture::Category category, const std::string& name);
  static capture::Moniker ByIndex(capture::Category category, int index);

  void ShowError(const std::string& text, capture::HRESULT hr = 0);
  [[noreturn]] void RaiseError(const std::string& text, capture::HRESULT hr = 0);
  void FreeCaptureFilters();
  void CreateCaptureFilters();
  bool BuildGraph();
  bool RenderVideoPreview();
  void TearDownGraph();
  void ApplyDVResolution();
  std::string GraphFileName() const;
  void ProgressTimer(rtl::TObject* Sender);
  void HandleGraphEvents();
  void FrameCopied(win::LPARAM sender);
  capture::Filter* VideoSourceFilter();
  bool HasAudioSource();

  std::unique_ptr<capture::Graph> fGraph;
  bool fBuilder = false;
  capture::Filter* fVCapFilter = nullptr;
  capture::Filter* fACapFilter = nullptr;
  capture::Filter* fVCompFilter = nullptr;
  capture::Filter* fACompFilter = nullptr;
  capture::Filter* fDVDecoder = nullptr;
  capture::Filter* fDVSplitter = nullptr;
  capture::Filter* fGrabber = nullptr;
  capture::Moniker fVideoMoniker, fAudioMoniker, fVCompMoniker, fACompMoniker;
  bool fBuilt = false, fCapturing = false, fPreviewing = false;
  bool fTempSaved = false;  // the temporary file reached the capture file
  uint32_t fStartTime = 0, fStopTime = 0, fElapsed = 0;
  int64_t fFramesCaptured = 0, fFramesDropped = 0, fDroppedBase = 0, fNotDroppedBase = 0;
  TDVResolution fDVResolution = dvrDontWorry;
  double fFrameRate = 0;
  std::string fCaptureFileName, fTempCaptureFileName;
  std::unique_ptr<TSampleGrabberCB> fCallback;
  vcl::TTimer* fTimer = nullptr;
  std::mutex fPreviewMutex;
  std::shared_ptr<const capture::Rgb32Image> fPreview;
  int fClockListenerOwner = 0;
};

namespace vcap {
// The component palette page the capture control is offered on.
inline constexpr char kPalettePage[] = "Samples";
// Makes the control creatable by class name, as form resources create their components.
void Register();
}  // namespace vcap
