#pragma once
// The Filter text of the file dialogs: "Text files (*.txt)|*.txt|All files|*.*" gives one entry
// per description/mask pair; a mask may list several patterns separated by ';'.
#include <string>
#include <vector>

namespace vcl {

struct TFilterEntry {
  std::string Description;
  std::vector<std::string> Masks;
};

std::vector<TFilterEntry> ParseFilter(const std::string& filter);

// Wildcard match of a file name against one pattern ('*', '?'), ignoring ASCII case; "*.*"
// also matches names without a dot.
bool MatchesMask(const std::string& name, const std::string& mask);

}  // namespace vcl
