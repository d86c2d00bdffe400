#pragma once
// Writing the back buffer as a PNG into this run's own directory under the temporary directory,
// for a person to look at.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <string>

#include "map/earthcanvas.h"

namespace maptest {

inline const std::string& SnapshotDirectory() {
  static const std::string dir = [] {
    std::string t = ::testing::TempDir() + "corv_map_snapshots_XXXXXX";
    if (!::mkdtemp(t.data())) return ::testing::TempDir();
    return t + "/";
  }();
  return dir;
}

inline std::string SaveSnapshot(TEarthCanvas* canvas, const std::string& name) {
  const std::string path = SnapshotDirectory() + name;
  gdi::SavePngFile(path, *gdi::GetBitmapSurface(canvas->BackBuffer()));
  std::printf("snapshot: %s\n", path.c_str());
  return path;
}

}  // namespace maptest
