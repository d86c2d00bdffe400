#include "platform/db/textcodec.h"

namespace db {

std::string TextFromFile(std::string_view text) { return std::string(text); }
std::string TextToFile(std::string_view text) { return std::string(text); }

}  // namespace db
