#include "map/earthmapclasses.h"

#include "map/earthlayer.h"
#include "map/readers/earthlyrmapper.h"
#include "map/readers/earthmifmapper.h"
#include "map/earthobjects.h"
#include "map/earthpresenters.h"
#include "map/earthprojmodels.h"
#include "map/earthresource.h"
#include "map/readers/earthshpmapper.h"

void RegisterMapClasses() {
  RegisterProjectionModels();
  RegisterBrushResources();
  RegisterEarthObjects();
  RegisterPresenters();
  RegisterObjectSources();
  RegisterLYRReader();
  RegisterSHPReader();
  RegisterMIFReader();
  RegisterLayers();
}
