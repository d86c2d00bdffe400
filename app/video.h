#pragma once
// The capture settings keys of the settings file (section video).
#include "capture/graphconfig.h"
#include "platform/rtl/inifiles.h"

void ReadVideoKeys(rtl::TCustomIniFile& ini, TGraphConfig& config);
void WriteVideoKeys(rtl::TCustomIniFile& ini, const TGraphConfig& config);
