#pragma once
// Shared by the INI file classes: one lock for every INI file of the process, so that a re-read
// and its rewrite are one step, and the check of what a write may hold.
#include <mutex>
#include <string>
#include <string_view>

namespace rtl::inidetail {

std::mutex& IniLock();
// Raises EIniFileException for a line break anywhere, a section name holding ']', or a key that
// is empty, holds '=' or starts with ';', '#' or '['.
void CheckEntry(std::string_view Section, std::string_view Ident, std::string_view Value,
                const std::string& FileName);

}  // namespace rtl::inidetail
