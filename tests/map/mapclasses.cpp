// The objects' tests read streams, files and XML that name the map's classes, which the control
// registers; their test map does not, so the binary registers them once.
#include <gtest/gtest.h>

#include "map/earthmapclasses.h"

namespace {

class MapClasses : public ::testing::Environment {
 public:
  void SetUp() override { RegisterMapClasses(); }
};

[[maybe_unused]] ::testing::Environment* const kMapClasses =
    ::testing::AddGlobalTestEnvironment(new MapClasses);

}  // namespace
