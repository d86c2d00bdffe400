#pragma once
// A picture kept as the drawing calls made on it: a metafile canvas records them, and the
// metafile plays them back onto any canvas. Its size is also kept in hundredths of a
// millimetre; there is no file format.
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/metafile.h"
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

  // The drawing calls recorded, one a line ("MoveTo(1,2)", "Polyline(37)", ...).
  const std::vector<std::string>& Records() const { return records_; }
  // Plays the calls back into r: at the picture's own size straight onto the canvas, at another
  // through a picture of its own size that is then stretched.
  void DrawOn(TCanvas* canvas, const TRect& r) override;
  void LoadFromFile(const std::string& fileName) override;
  void SaveToFile(const std::string& fileName) override;

 private:
  friend class TMetafileCanvas;

  int width_ = 0;
  int height_ = 0;
  int mmWidth_ = 0;
  int mmHeight_ = 0;
  bool enhanced_ = true;
  std::string description_;
  std::shared_ptr<const gdi::MetaScript> calls_;
  std::vector<std::string> records_;
};

// A canvas recording onto a metafile (reference: the device context whose resolution it takes);
// the metafile holds the picture once the canvas is gone.
class TMetafileCanvas : public TCanvas {
 public:
  TMetafileCanvas(TMetafile* metafile, gdi::HDC reference, const std::string& description = "");
  ~TMetafileCanvas() override;
  TMetafileCanvas(const TMetafileCanvas&) = delete;
  TMetafileCanvas& operator=(const TMetafileCanvas&) = delete;

 private:
  TMetafile* metafile_;
  gdi::HDC dc_{};
};

}  // namespace vcl
