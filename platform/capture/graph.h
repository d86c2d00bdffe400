#pragma once
// The capture graph: named filters connected by RenderStream, run, paused and stopped as one, with
// a capture stream that starts and stops apart from the preview, dropped-frame counts, events for
// the owner, a file sink behind an AVI multiplexer, a sample grabber whose callback runs on the
// streaming thread, and a preview window. Every step is logged in the registry and may be made to
// fail by its failure plan.
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/capture/aviwriter.h"
#include "platform/capture/device.h"
#include "platform/capture/imaging.h"
#include "platform/capture/mjpeg.h"

namespace capture {

enum class FilterKind {
  VideoCapture,
  AudioCapture,
  VideoCompressor,
  AudioCompressor,
  DVDecoder,
  DVSplitter,
  SmartTee,
  InfTee,
  SampleGrabber,
  Mux,
};

// The still-frame hand-over: the image and the format it is in, on the streaming thread.
using GrabberCallback =
    std::function<HRESULT(double sampleTime, const uint8_t* data, size_t size, const VideoFormat&)>;

struct Filter {
  FilterKind kind;
  std::string name;
  Moniker moniker;
  std::shared_ptr<VideoDevice> video;
  std::shared_ptr<AudioDevice> audio;
  int quality = 75;                          // a compressor's state
  int dvDisplay = 1000;                      // the DV decoder's output: 1000 full ... 1003 DC
  std::optional<rtl::TGUID> grabberSubtype;  // none: the source's own format
  GrabberCallback callback;
};

enum class PinCategory { Capture, Preview, Any };

class Graph {
 public:
  // `device` names the video device, for failure plans made for one device.
  explicit Graph(std::string device);
  ~Graph();
  Graph(const Graph&) = delete;
  Graph& operator=(const Graph&) = delete;

  // Logs the step and returns the code the failure plan has for it (S_OK when none).
  HRESULT Step(const std::string& name) const;

  HRESULT AddFilter(std::shared_ptr<Filter> filter, const std::string& name);
  Filter* FindFilterByName(const std::string& name);
  // Removes everything downstream of the capture filters and forgets every connection.
  void RemoveDownstream();

  // Connects the source's stream of the category (video or audio) through `via` into `sink`; a
  // null sink is the default renderer (the preview window for video).
  HRESULT RenderStream(PinCategory category, bool audio, Filter* source, Filter* via, Filter* sink);
  // The multiplexer and its file sink, writing the named file from the capture stream's start.
  HRESULT SetOutputFileName(const std::string& path);
  // Gives a built sink another file (takes effect at the next capture start).
  void SetSinkFileName(const std::string& path);
  std::string SinkFileName();
  bool HasMux() const { return mux_ != nullptr; }

  HRESULT Run();
  HRESULT Pause();
  // Stops streaming, joining the streaming thread whatever the step returns.
  HRESULT Stop();
  bool Running();
  HRESULT ControlCaptureStream(bool start);

  // The dropped-frames counts since the graph ran.
  int64_t Dropped();
  int64_t NotDropped();

  // `notify` is called (on any thread) when an event is queued.
  void SetNotify(std::function<void()> notify);
  bool GetEvent(long& code);

  // The preview window: what it shows arrives on the streaming thread.
  bool HasVideoWindow();
  void SetVideoWindowSink(std::function<void(std::shared_ptr<const Rgb32Image>)> sink);

  // The capture file's space, made before the capture starts.
  static HRESULT AllocCapFile(const std::string& path, uint64_t bytes);
  // Copies the captured file; `abort` is asked between blocks. A copy onto itself is refused.
  static HRESULT CopyCaptureFile(const std::string& from, const std::string& to,
                                 const std::function<bool()>& abort);

 private:
  void OnFrame(const Frame& frame);
  void OnLost();
  void PostEvent(long code);
  void StopDevice();

  std::string device_;
  std::vector<std::shared_ptr<Filter>> filters_;
  std::mutex mutex_;               // everything the streaming thread touches
  Filter* videoSource_ = nullptr;  // the device filter that streams
  Filter* dvDecoder_ = nullptr;
  Filter* captureCompressor_ = nullptr;
  bool captureVideo_ = false;
  Filter* captureAudio_ = nullptr;
  bool previewVideo_ = false;
  Filter* grabber_ = nullptr;
  Filter* mux_ = nullptr;
  std::string sinkFile_;
  enum class State { Stopped, Paused, Running } state_ = State::Stopped;
  bool deviceStarted_ = false;
  std::unique_ptr<AviWriter> writer_;
  std::unique_ptr<MjpegEncoder> encoder_;
  std::optional<uint64_t> lastSequence_;
  std::optional<uint64_t> audioFrom_;  // where the sound written so far ends
  bool aborted_ = false;
  int64_t dropped_ = 0, notDropped_ = 0;
  std::deque<long> events_;
  std::function<void()> notify_;
  std::function<void(std::shared_ptr<const Rgb32Image>)> windowSink_;
};

}  // namespace capture
