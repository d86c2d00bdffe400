#pragma once
// Bytes and GUIDs as hexadecimal text, for the settings text of the capture set-up.
#include <string>
#include <string_view>

#include "platform/rtl/guid.h"

// Two upper-case hex digits a byte, high nibble first.
std::string BytesToStr(std::string_view bytes);
// (length + 1) div 2 bytes, zero to begin with; an odd text gets a leading "0"; the first pair
// holding a non-hex character ends the conversion.
std::string StrToBytes(std::string_view text);
// The 16 bytes in memory order: 32 hex digits, no braces or dashes.
std::string GUIDToStr(const rtl::TGUID& guid);
// The first 16 bytes of StrToBytes; bytes the text does not give are zero.
rtl::TGUID StrToGUID(std::string_view text);
