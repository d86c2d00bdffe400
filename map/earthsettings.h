#pragma once
// Values of the settings (environment) files. One rule for all of them: a value that is missing,
// is no number, is out of its range or names an unknown unit or colour keeps the current one,
// and the load goes on.
#include <climits>

#include "map/earthsysutils.h"
#include "map/earthxml.h"
#include "platform/gdi/color.h"

int SettingInt(const TEarthXML_Element* e, const char* name, int current, int lo = INT_MIN,
               int hi = INT_MAX);
Extended SettingFloat(const TEarthXML_Element* e, const char* name, Extended current);
TEarthUnitTypes SettingUnits(const TEarthXML_Element* e, const char* name, TEarthUnitTypes current);
gdi::TColor SettingColor(const TEarthXML_Element* e, const char* name, gdi::TColor current);
