#pragma once
// Accelerator letters of captions: "&Import WPT" underlines I and answers Alt+I; "&&" is a
// literal ampersand.
#include <string>

namespace vcl {

// The accelerator character of a caption, upper-cased, or 0 when it has none.
char GetHotkey(const std::string& caption);

// The caption as shown, without the marking ampersands ("Save && Exit" -> "Save & Exit").
std::string StripHotkey(const std::string& caption);

// True when the key (a character or a virtual key code of a letter or digit) is the caption's
// accelerator.
bool IsAccel(unsigned key, const std::string& caption);

}  // namespace vcl
