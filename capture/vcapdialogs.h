#pragma once
// Our own dialogs in place of the drivers' dialogs and property pages: a list to choose one entry
// from (capture modes and rates, inputs, the compressor's quality), the picture controls page and
// the tuner page. A scripted answer puts its text in FileName: the entry chosen, "name=value"
// lines for the controls, the frequency in MHz for the tuner.
#include <string>
#include <vector>

#include "platform/capture/device.h"

// The index chosen, or -1 when the dialog was cancelled.
int ChooseFromList(const std::string& caption, const std::vector<std::string>& items, int current);

// Track bars, check boxes and lists for the device's controls; on OK every changed value goes to
// the device. False when cancelled.
bool ShowControlsPage(const std::string& caption, capture::VideoDevice& device);

// The tuner's frequency in MHz with its range and signal; on OK a frequency in range is tuned.
// False when cancelled or when the text is no frequency of the tuner (said in a box).
bool ShowTunerPage(const std::string& caption, capture::VideoDevice& device);
