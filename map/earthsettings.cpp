// Settings values that keep the current value on anything they cannot read.
#include "map/earthsettings.h"

#include <cmath>

#include "platform/rtl/exceptions.h"

int SettingInt(const TEarthXML_Element* e, const char* name, int current, int lo, int hi) {
  try {
    const int v = e->IntAttributeByName(name, current);
    return v >= lo && v <= hi ? v : current;
  } catch (const rtl::Exception&) {
    return current;
  }
}

Extended SettingFloat(const TEarthXML_Element* e, const char* name, Extended current) {
  try {
    const Extended v = e->FloatAttributeByName(name, current);
    return std::isfinite(v) ? v : current;
  } catch (const rtl::Exception&) {
    return current;
  }
}

TEarthUnitTypes SettingUnits(const TEarthXML_Element* e, const char* name,
                             TEarthUnitTypes current) {
  try {
    return StrToUnits(e->AttributeByName(name, UnitsToStr(current)));
  } catch (const rtl::Exception&) {
    return current;
  }
}

gdi::TColor SettingColor(const TEarthXML_Element* e, const char* name, gdi::TColor current) {
  try {
    return gdi::StringToColor(e->AttributeByName(name, gdi::ColorToString(current)));
  } catch (const rtl::Exception&) {
    return current;
  }
}
