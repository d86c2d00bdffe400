// The sail table: the boat's sails and their colours in a grid with its navigator.
#pragma once

#include "platform/db/table.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/dbctrls.h"
#include "platform/vcl/dbgrids.h"
#include "platform/vcl/filedialogs.h"
#include "platform/vcl/forms.h"

class Tsailselform : public vcl::TForm {
 public:
  // Opens "sails.db", made empty with its two fields when it is not there.
  explicit Tsailselform(rtl::TComponent* AOwner);
  ~Tsailselform() override;

  void BitBtn1Click(rtl::TObject* Sender);  // OK: close
  // The sail table's fields: Sails (text, 40 characters) and Color.
  static void DefineSailFields(db::TFieldDefs& defs);

  db::TTable* Table1;
  db::TDataSource* DataSource1;
  vcl::TDBGrid* DBGrid1;
  vcl::TDBNavigator* DBNavigator1;
  vcl::TBitBtn* BitBtn1;
  vcl::TColorDialog* ColorDialog1;
};

extern Tsailselform* sailselform;
