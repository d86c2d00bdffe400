// The answer of a box or dialog that nobody can see: the program runs without a display
// (CORVATALEN_DISPLAY=headless, a logger on a boat's computer with no screen).
#pragma once

#include <optional>

#include "platform/vcl/dialogs.h"

// Closes the box the way Escape would and tells of it, with the choice taken, on the standard
// error and in the text log.
std::optional<vcl::TDialogAnswer> AnswerWithoutDisplay(const vcl::TDialogRequest& request);
