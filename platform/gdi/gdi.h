#pragma once
// The whole graphics interface in one include.
#include "platform/gdi/bitmap.h"
#include "platform/gdi/blit.h"
#include "platform/gdi/color.h"
#include "platform/gdi/controls.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/image.h"
#include "platform/gdi/objects.h"
#include "platform/gdi/region.h"
#include "platform/gdi/shapes.h"
#include "platform/gdi/surface.h"
#include "platform/gdi/text.h"
#include "platform/gdi/types.h"
