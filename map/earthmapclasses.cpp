#include "map/earthmapclasses.h"

#include "map/earthclasses_layer.h"
#include "map/earthlyrmapper.h"
#include "map/earthmifmapper.h"
#include "map/earthobjects.h"
#include "map/earthpresenters.h"
#include "map/earthprojections.h"
#include "map/earthresource.h"
#include "map/earthshpmapper.h"

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
