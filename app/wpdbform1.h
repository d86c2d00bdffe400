// The waypoint dialog: the waypoint table in a grid with its navigator, and the import of
// waypoint files.
#pragma once

#include <string>

#include "platform/db/dataset.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/dbctrls.h"
#include "platform/vcl/dbgrids.h"
#include "platform/vcl/filedialogs.h"
#include "platform/vcl/forms.h"

class TWPDBForm : public vcl::TForm {
 public:
  // On the main window's waypoint data source when there is one (SetDataSource otherwise).
  explicit TWPDBForm(rtl::TComponent* AOwner);
  ~TWPDBForm() override;

  void SetDataSource(db::TDataSource* source);
  void BitBtn1Click(rtl::TObject* Sender);  // OK: close
  void BitBtn2Click(rtl::TObject* Sender);  // the import, also of "&Import WPT"
  // Appends the waypoints of a file to the data set; lines that hold none are left out and
  // counted in one message. Returns how many were appended.
  int ImportFile(const std::string& file);

  vcl::TDBGrid* DBGrid1;
  vcl::TDBNavigator* DBNavigator1;
  vcl::TBitBtn* BitBtn1;  // OK
  vcl::TBitBtn* BitBtn2;  // "Select All"
  vcl::TBitBtn* BitBtn3;  // "&Import WPT"
  vcl::TOpenDialog* OpenDialog1;
};

extern TWPDBForm* WPDBForm;
