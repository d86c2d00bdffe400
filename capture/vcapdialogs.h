#pragma once
// Our own dialogs in place of the drivers' property pages: a list to choose one entry from (the
// capture modes, the compressor's quality). A scripted answer names the entry in FileName.
#include <string>
#include <vector>

// The index chosen, or -1 when the dialog was cancelled.
int ChooseFromList(const std::string& caption, const std::vector<std::string>& items, int current);
