#pragma once
// The one plain classic look of the standard controls: raised buttons, sunken fields, etched
// group frames, square check boxes and round radio buttons in the system colours.
#include <string>

#include "platform/vcl/canvas.h"

namespace vcl {

// Two-pixel raised (button) or sunken (field) edge; the rectangle shrinks to what is inside.
void DrawRaised(TCanvas* c, TRect& r);
void DrawSunken(TCanvas* c, TRect& r);
void DrawEtched(TCanvas* c, const TRect& r);
// A sunken field filled with its colour (the button face when disabled); returns the inside.
TRect DrawField(TCanvas* c, TRect r, TColor fill, bool enabled);
void DrawButtonFace(TCanvas* c, TRect r, bool down, bool framed);
// Caption text with '&' accelerators; greyed (embossed) when disabled. flags: DT_ alignment.
void DrawCaption(TCanvas* c, TRect r, const std::string& text, unsigned flags, bool enabled);
// state: 0 unchecked, 1 checked, 2 greyed.
void DrawCheckBox(TCanvas* c, const TRect& box, int state, bool enabled);
void DrawRadio(TCanvas* c, const TRect& box, bool checked, bool enabled);
enum class TArrow { Up, Down, Left, Right };
void DrawArrow(TCanvas* c, const TRect& r, TArrow dir, bool enabled);
// The size a text needs in a font (tabs expanded, one line unless wrapping to width).
gdi::SIZE MeasureText(const TFont* font, const std::string& text, bool prefix = true,
                      int wrapWidth = 0);
// The width of a form's caption as its title bar draws it (the caption font).
int MeasureTitle(const std::string& text);

constexpr int kCheckSize = 13;

}  // namespace vcl
