// The waypoint dialog, shown modally by the waypoint button; it holds its OK button only until
// the table's grid is built into it.
#pragma once

#include "platform/vcl/buttons.h"
#include "platform/vcl/forms.h"

class TWPDBForm : public vcl::TForm {
 public:
  explicit TWPDBForm(rtl::TComponent* AOwner);

  vcl::TBitBtn* BitBtn1;  // OK
};

extern TWPDBForm* WPDBForm;
