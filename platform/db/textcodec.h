#pragma once
// Text in table files is Windows-1252; in memory it is UTF-8.
#include <string>
#include <string_view>

namespace db {

std::string TextFromFile(std::string_view text);
std::string TextToFile(std::string_view text);

}  // namespace db
