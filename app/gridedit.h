// Ending the edit of a table grid when its form is confirmed.
#pragma once

#include "platform/vcl/dbgrids.h"

// Puts the text being typed in the grid into its record and posts the record, so that what the
// sailor confirmed is in the file. False, with the reason shown, when the table refuses it; the
// edit is then left as it was, to be mended or cancelled.
bool PostGridEdit(vcl::TDBGrid* grid);
