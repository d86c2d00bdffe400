#pragma once
// A picture kept as the drawing calls made on it: a metafile canvas draws onto it, and the
// metafile plays the picture back onto any canvas. Its size is also kept in hundredths of a
// millimetre; there is no file format.
#include <memory>
#include <string>
#include <vector>

#include "platform/vcl/bitmap.h"
#include "platform/vcl/canvas.h"

namespace vcl {

class TMetafile : public TGraphic {
 public:
  TMetafile();
  ~TMetafile() override;
  TMetafile(const TMetafile&) = delete;
  TMetafile& operator=(const TMetafile&) = delete;

  bool Empty() const override { return width_ == 0 || height_ == 0; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int v) override { SetSize(v, height_); }
  void SetHeight(int v) override { SetSize(width_, v); }
  // A new size starts an empty picture.
  void SetSize(int width, int height);
  int MMWidth() const { return mmWidth_; }
  int MMHeight() const { return mmHeight_; }
  void SetMMWidth(int v) { mmWidth_ = v; }
  void SetMMHeight(int v) { mmHeight_ = v; }
  bool Enhanced() const { return enhanced_; }
  void SetEnhanced(bool v) { enhanced_ = v; }
  const std::string& Description() const { return description_; }

  // The calls recorded so far, one a line ("MoveTo(1,2)", "Polyline(37)", ...).
  std::vector<std::string> Records() const;
  // Plays the picture back stretched into r.
  void DrawOn(TCanvas* canvas, const TRect& r) override;
  void LoadFromFile(const std::string& fileName) override;
  void SaveToFile(const std::string& fileName) override;

 private:
  friend class TMetafileCanvas;
  gdi::HDC RecordingDC();
  void FreeDC();

  int width_ = 0;
  int height_ = 0;
  int mmWidth_ = 0;
  int mmHeight_ = 0;
  bool enhanced_ = true;
  std::string description_;
  gdi::HDC dc_{};
};

// A canvas drawing onto a metafile (reference: the device context whose resolution it takes).
class TMetafileCanvas : public TCanvas {
 public:
  TMetafileCanvas(TMetafile* metafile, gdi::HDC reference, const std::string& description = "");
  ~TMetafileCanvas() override;
  TMetafileCanvas(const TMetafileCanvas&) = delete;
  TMetafileCanvas& operator=(const TMetafileCanvas&) = delete;
};

}  // namespace vcl
