// Our AVI files as ffprobe and ffmpeg (independent readers) see them, and our reader on them.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/capture/avireader.h"
#include "platform/capture/aviwriter.h"
#include "platform/capture/graph.h"
#include "platform/capture/imaging.h"
#include "tests/platform/capture/shell.h"

namespace {

using namespace capture;

class AviTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/corv_avi_XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::string Path(const std::string& name) const { return (dir / name).string(); }
  std::filesystem::path dir;
};

// The number blocks written straight into a YUY2 image: white is Y 235, black Y 16.
void StampYuy2(std::vector<uint8_t>& frame, int width, uint32_t number) {
  for (int bit = 0; bit < 16; ++bit) {
    const uint8_t y = (number >> (15 - bit)) & 1 ? 235 : 16;
    for (int row = (bit / 4) * 16; row < (bit / 4) * 16 + 16; ++row)
      for (int x = (bit % 4) * 16; x < (bit % 4) * 16 + 16; ++x) {
        uint8_t* p = frame.data() + size_t(row) * size_t(width) * 2 + size_t(x) * 2;
        p[0] = y;
        p[1] = 128;
      }
  }
}

TEST_F(AviTest, PcmInterleavedWithVideo) {
  const AudioFormat pcm{MEDIASUBTYPE_PCM, 8000, 16, 1, 16000};
  AviVideoInfo v{FourCC("MJPG"), FourCC("MJPG"), 160, 120, 24, 400000};
  {
    AviWriter w(Path("a.avi"), v, pcm);
    ASSERT_TRUE(w.IsOpen());
    MjpegEncoder enc;
    Rgb32Image img{160, 120, std::vector<uint8_t>(160 * 120 * 4)};
    std::vector<uint8_t> jpeg;
    const std::vector<uint8_t> samples(640, 0);  // 40 ms of silence
    for (uint32_t i = 0; i < 50; ++i) {
      DrawFramePattern(img, i);
      ASSERT_TRUE(enc.Encode(img, jpeg));
      ASSERT_TRUE(w.WriteVideo(jpeg.data(), jpeg.size()));
      ASSERT_TRUE(w.WriteAudio(samples.data(), samples.size()));
    }
    ASSERT_TRUE(w.Close());
  }
  EXPECT_EQ(Shell("ffprobe -v error -show_entries stream=codec_name,sample_rate -of csv=p=0 '" +
                  Path("a.avi") + "'"),
            "mjpeg\npcm_s16le,8000\n");
  EXPECT_EQ(Shell("ffprobe -v error -select_streams v:0 -show_entries stream=duration -of "
                  "csv=p=0 '" +
                  Path("a.avi") + "'"),
            "2.000000\n");
  // Two seconds of 8 kHz 16-bit mono come back out: 32,000 bytes.
  EXPECT_EQ(Shell("ffmpeg -v error -i '" + Path("a.avi") + "' -map 0:a -f s16le - | wc -c"),
            "32000\n");
  EXPECT_EQ(Shell("ffmpeg -v error -i '" + Path("a.avi") + "' -f null - 2>&1"), "");
  AviReader r(Path("a.avi"));
  EXPECT_EQ(r.FrameCount(), 50);
  EXPECT_DOUBLE_EQ(r.FrameRate(), 25.0);
  EXPECT_EQ(r.AudioBytes(), 50u * 640u);
  auto img = r.DecodeFrame(37);
  ASSERT_TRUE(img);
  EXPECT_EQ(ReadFramePattern(*img), 37u);
}

// Past 1 GiB the file goes on in OpenDML parts; both readers see every frame in order.
TEST_F(AviTest, OverOneGibibyte) {
  const int w = 640, h = 480, frames = 1800;  // 614,400 bytes a frame: 1.1 GB
  AviVideoInfo v{0, FourCC("YUY2"), w, h, 16, 400000};
  std::vector<uint8_t> frame(size_t(w) * h * 2, 128);
  {
    AviWriter writer(Path("big.avi"), v);
    for (int i = 0; i < frames; ++i) {
      StampYuy2(frame, w, uint32_t(i));
      ASSERT_TRUE(writer.WriteVideo(frame.data(), frame.size()));
    }
    ASSERT_TRUE(writer.Close());
    EXPECT_GE(writer.Parts(), 2);
  }
  const std::string f = Path("big.avi");
  EXPECT_GT(std::filesystem::file_size(f), uint64_t(1) << 30);
  EXPECT_EQ(Shell("ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                  "stream=nb_read_packets,duration -of csv=p=0 '" +
                  f + "'"),
            "72.000000,1800\n");
  // Only the corner of each frame comes through the pipe.
  const std::string raw = Shell("ffmpeg -v error -i '" + f +
                                "' -vf crop=64:64:0:0 -f rawvideo -pix_fmt bgr0 - 2>/dev/null");
  ASSERT_EQ(raw.size(), size_t(frames) * 64 * 64 * 4);
  for (int i = 0; i < frames; ++i) {
    const auto* p = reinterpret_cast<const uint8_t*>(raw.data()) + size_t(i) * 64 * 64 * 4;
    Rgb32Image img{64, 64, std::vector<uint8_t>(p, p + 64 * 64 * 4)};
    ASSERT_EQ(ReadFramePattern(img, 16), uint32_t(i)) << i;
  }
  AviReader r(f);
  EXPECT_EQ(r.FrameCount(), frames);
  EXPECT_GE(r.RiffParts(), 2);
  for (int i : {0, 1747, 1799}) EXPECT_EQ(ReadFramePattern(*r.DecodeFrame(i)), uint32_t(i));
}

TEST_F(AviTest, ARepeatedFrameKeepsTheRestOnTime) {
  AviVideoInfo v{0, 0, 64, 64, 24, 400000};
  Rgb32Image img{64, 64, std::vector<uint8_t>(64 * 64 * 4)};
  {
    AviWriter writer(Path("r.avi"), v);
    EXPECT_FALSE(writer.RepeatVideo());  // nothing to repeat yet
    for (uint32_t i = 0; i < 10; ++i) {
      if (i == 4 || i == 5) {
        ASSERT_TRUE(writer.RepeatVideo());
        continue;
      }
      DrawFramePattern(img, i);
      const auto dib = FromRgb32(img, MEDIASUBTYPE_RGB24);
      ASSERT_TRUE(writer.WriteVideo(dib.data(), dib.size()));
    }
  }
  AviReader r(Path("r.avi"));
  ASSERT_EQ(r.FrameCount(), 10);
  const uint32_t expected[10] = {0, 1, 2, 3, 3, 3, 6, 7, 8, 9};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(ReadFramePattern(*r.DecodeFrame(i), 8), expected[i]);
  EXPECT_EQ(Shell("ffprobe -v error -show_entries stream=codec_name,duration -of csv=p=0 '" +
                  Path("r.avi") + "'"),
            "rawvideo,0.400000\n");
}

TEST_F(AviTest, APreallocatedFileIsCutAtTheEnd) {
  ASSERT_EQ(Graph::AllocCapFile(Path("p.avi"), 8 << 20), S_OK);
  EXPECT_EQ(std::filesystem::file_size(Path("p.avi")), uint64_t(8) << 20);
  AviVideoInfo v{0, 0, 32, 32, 24, 400000};
  uint64_t written;
  {
    AviWriter writer(Path("p.avi"), v);
    const std::vector<uint8_t> dib(32 * 32 * 3, 77);
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(writer.WriteVideo(dib.data(), dib.size()));
    ASSERT_TRUE(writer.Close());
    written = writer.BytesWritten();
  }
  EXPECT_EQ(std::filesystem::file_size(Path("p.avi")), written);
  EXPECT_EQ(Shell("ffprobe -v error -count_packets -show_entries stream=nb_read_packets -of "
                  "csv=p=0 '" +
                  Path("p.avi") + "'"),
            "5\n");
}

TEST_F(AviTest, CopiesOnlyWholeAndNeverOntoItself) {
  {
    std::ofstream(Path("src.avi")) << std::string(3 << 20, 'x');
    std::ofstream(Path("dst.avi")) << "old";
  }
  int asked = 0;
  EXPECT_EQ(Graph::CopyCaptureFile(Path("src.avi"), Path("dst.avi"), [&] { return ++asked == 2; }),
            E_ABORT);
  std::ifstream old(Path("dst.avi"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), "old");
  EXPECT_FALSE(std::filesystem::exists(Path("dst.avi.part")));
  EXPECT_EQ(Graph::CopyCaptureFile(Path("src.avi"), Path("src.avi"), nullptr), E_INVALIDARG);
  EXPECT_EQ(std::filesystem::file_size(Path("src.avi")), uint64_t(3) << 20);
  EXPECT_EQ(Graph::CopyCaptureFile(Path("src.avi"), Path("dst.avi"), nullptr), S_OK);
  EXPECT_EQ(std::filesystem::file_size(Path("dst.avi")), uint64_t(3) << 20);
}

// A recording that never reached Close (the program killed, the disk full) keeps what reached the
// disk: ffprobe and our reader find the same images, in order, through the OpenDML parts.
TEST_F(AviTest, ACutOffRecordingStillReads) {
  auto record = [&](const std::string& file, bool diskFull, uint64_t partLimit) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      if (diskFull) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit lim{9 << 20, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &lim);
      }
      AviWriter w(file, {0, 0, 64, 64, 24, 400000}, std::nullopt, partLimit);
      Rgb32Image img{64, 64, std::vector<uint8_t>(64 * 64 * 4)};
      for (uint32_t i = 0; i < 1200; ++i) {
        DrawFramePattern(img, i);
        const auto dib = FromRgb32(img, MEDIASUBTYPE_RGB24);
        if (!w.WriteVideo(dib.data(), dib.size())) ::_exit(w.Close() ? 3 : 2);
      }
      if (diskFull) ::_exit(4);  // the disk should have filled
      ::raise(SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (diskFull)
      EXPECT_EQ(WEXITSTATUS(status), 2);  // the failed write is reported
    else
      EXPECT_TRUE(WIFSIGNALED(status));
  };
  // Most recordings stay in the first part; the long ones are cut off in a later one.
  for (const auto& [diskFull, partLimit] : {std::pair{false, 1 << 30}, std::pair{true, 1 << 30},
                                           std::pair{false, 3 << 20}}) {
    const std::string f = Path(std::to_string(diskFull) + std::to_string(partLimit) + ".avi");
    SCOPED_TRACE(f);
    record(f, diskFull, uint64_t(partLimit));
    const int probed = std::atoi(Shell("ffprobe -v error -count_packets -show_entries "
                                       "stream=nb_read_packets -of csv=p=0 '" +
                                       f + "'")
                                     .c_str());
    EXPECT_GT(probed, 340);  // at least the first 4 MiB
    AviReader r(f);
    EXPECT_EQ(r.FrameCount(), probed);
    EXPECT_EQ(r.RiffParts() > 1, partLimit < (1 << 30));
    for (int i : {0, 300, r.FrameCount() - 1}) {
      auto img = r.DecodeFrame(i);
      ASSERT_TRUE(img) << i;
      EXPECT_EQ(ReadFramePattern(*img, 8), uint32_t(i));
    }
  }
}

TEST_F(AviTest, DamagedInputRaises) {
  EXPECT_THROW(AviReader(MemorySource({})), EAviError);
  EXPECT_THROW(AviReader(MemorySource({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'})),
               EAviError);
  EXPECT_THROW(AviReader(Path("missing.avi")), EAviError);
}

}  // namespace

namespace {

// Files made by ffmpeg (the fuzz seeds) read as ffmpeg wrote them.
TEST(AviReaderOnOtherFiles, ReadsWhatFfmpegWrote) {
  const std::string seeds = std::string(CORV_SOURCE_DIR) + "/fuzz/corpus/fuzz_avi/";
  capture::AviReader mjpeg(seeds + "ffmpeg_mjpeg.avi");
  EXPECT_EQ(mjpeg.FrameCount(), 5);
  EXPECT_DOUBLE_EQ(mjpeg.FrameRate(), 5.0);
  EXPECT_EQ(mjpeg.Width(), 32);
  auto img = mjpeg.DecodeFrame(4);
  ASSERT_TRUE(img);
  EXPECT_EQ(img->height, 24);
  capture::AviReader raw(seeds + "ffmpeg_raw_pcm.avi");
  EXPECT_EQ(raw.FrameCount(), 3);
  ASSERT_TRUE(raw.Audio());
  EXPECT_EQ(raw.Audio()->samplesPerSec, 8000);
  EXPECT_EQ(raw.AudioBytes(), 9600u);  // 0.6 s of 16-bit mono
  EXPECT_TRUE(raw.DecodeFrame(2));
}

}  // namespace
