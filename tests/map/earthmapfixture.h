#pragma once
// The fixture of the map control's tests: a TEarthMap on a form of the headless window system,
// counting its redraws and logging what its paints draw.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "map/earthlayer.h"
#include "map/earthmap.h"
#include "platform/vcl/forms.h"
#include "tests/platform/vcl/vcltest.h"

namespace maptest {

// A map control that counts redraws and logs its background and graticule passes.
class TLogEarthMap : public TEarthMap {
 public:
  using TEarthMap::TEarthMap;
  void RedrawLayers() override {
    ++redraws;
    TEarthMap::RedrawLayers();
  }
  void PaintWindowBackground() override {
    log.push_back("background");
    TEarthMap::PaintWindowBackground();
  }
  void PaintGraticule() override {
    log.push_back(Projection()->BackFacePass() ? "back graticule" : "graticule");
    TEarthMap::PaintGraticule();
  }
  using TEarthMap::MouseDown;
  using TEarthMap::MouseMove;
  using TEarthMap::MouseUp;
  int redraws = 0;
  std::vector<std::string> log;
};

// A layer that logs its passes into the map's log.
class TLogLayer : public TEarthLayer {
 public:
  TLogLayer(TLogEarthMap* map, std::string name) : TEarthLayer(map), map_(map), name_(name) {}
  void RenderObjects() override {
    map_->log.push_back((map_->Projection()->BackFacePass() ? "back " : "") + name_);
    TEarthLayer::RenderObjects();
  }

 private:
  TLogEarthMap* map_;
  std::string name_;
};

class EarthMapTest : public vcltest::VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    form = new vcl::TForm(app.get());
    form->SetBounds(0, 0, 1000, 760);
    form->AfterConstruction();
    form->Show();
    map = new TLogEarthMap(form);
    map->SetBounds(0, 0, 800, 600);
    map->SetParent(form);
    Pump();
  }
  void TearDown() override {
    form = nullptr;
    map = nullptr;
    VclTest::TearDown();
  }
  // Paints the map now.
  void PaintNow() {
    map->Invalidate();
    win::UpdateWindow(map->Handle());
    Pump();
  }
  int ClientW() const { return map->ClientWidth(); }
  int ClientH() const { return map->ClientHeight(); }

  vcl::TForm* form = nullptr;
  TLogEarthMap* map = nullptr;
};

}  // namespace maptest
