#pragma once
// The texts the capture control shows. "%x" takes the failing result code in hexadecimal.
namespace vcapstrings {

inline constexpr const char* kCaption = "DirectShow - Capture";
inline constexpr const char* kNoGraphBuilder =
    "Can't init graph builder. Probably DirectShow is not installed!";
inline constexpr const char* kNoVideoFilter =
    "Error %x.\r\nCan't create video capture filter - propably you havn't video capture device!";
inline constexpr const char* kNoGraph = "Can't init graph. Probably DirectShow is not installed!";
inline constexpr const char* kSetGraph = "Can't set filter graph!";
inline constexpr const char* kAddVideoFilter =
    "Error %x: Can't add video capture filter into graph!";
inline constexpr const char* kNoVideoConfig = "Error %x: Can't find VCapture:IAMStreamConfig!";
inline constexpr const char* kDVDecoder = "Can't add DV Decoder";
inline constexpr const char* kDVSplitter = "Can't add DV Splitter";
inline constexpr const char* kNoAudioFilter = "Can't create audio capture filter!";
inline constexpr const char* kAddAudioFilter =
    "Error %x: Can't add audio capture filter into graph!";
inline constexpr const char* kNoAudioConfig = "Can't find ACapture:IAMStreamConfig!";
inline constexpr const char* kFileNameRequired = "Capture filename required!";
inline constexpr const char* kAllocFailed = "Can't allocate space for capture file! Disk full?";
inline constexpr const char* kRenderVideoCapture = "Can't render video capture stream!";
inline constexpr const char* kSmartTee = "Can't add SmartTee";
inline constexpr const char* kInfTee = "Can't add InfiniteTee";
inline constexpr const char* kRenderAudioPreview = "Can't render audio preview stream!";
inline constexpr const char* kSetCaptureFile = "Can't set capture file!";
inline constexpr const char* kMasterStream = "SetMasterStream failed!";
inline constexpr const char* kRenderAudioCapture = "Can't render audio capture stream!";
inline constexpr const char* kRenderPreview = "Can't render preview stream!";
inline constexpr const char* kCannotPreview = "This graph cannot preview!";
inline constexpr const char* kClosedCaptions = "Cannot render closed captioning!";
inline constexpr const char* kPreviewFrameRate = "%x: can't set preview frame rate!";
inline constexpr const char* kFrameRate = "Cannot set frame rate for capture!";
inline constexpr const char* kSampleGrabber =
    "Can't install SampleGrabber. Probably wrong color depth used?";
inline constexpr const char* kStopPreview = "Error %x: Cannot stop preview graph!";
inline constexpr const char* kRunPreview = "Error %x: Cannot run preview graph!";
inline constexpr const char* kMediaControl = "Error %x: Can't get IMediaControl!";
inline constexpr const char* kRunGraph = "Error %x: Cannot run graph!";
inline constexpr const char* kStopGraph = "Error %x: Cannot stop graph!";
inline constexpr const char* kStartingCapture = "Starting capture!";

}  // namespace vcapstrings
