#include "app/sailsel.h"

#include <exception>
#include <string>

#include "app/gridedit.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/newchild.h"

Tsailselform* sailselform = nullptr;

void Tsailselform::DefineSailFields(db::TFieldDefs& defs) {
  defs.Add("Sails", db::ftString, 40);
  defs.Add("Color", db::ftFloat);
}

Tsailselform::Tsailselform(rtl::TComponent* AOwner) : TForm(AOwner) {
  SetName("sailselform");
  SetCaption("sailselform");
  SetBorderStyle(vcl::bsDialog);
  SetBounds(0, 0, 420, 330);
  SetPosition(vcl::poMainFormCenter);
  Table1 = vcl::NewChild<db::TTable>(this, nullptr, "Table1");
  Table1->SetTableType(db::ttParadox);
  Table1->SetTableName("sails.db");
  DataSource1 = vcl::NewChild<db::TDataSource>(this, nullptr, "DataSource1");
  DataSource1->SetDataSet(Table1);
  DBGrid1 = vcl::NewChild<vcl::TDBGrid>(this, this, "DBGrid1", 8, 8, ClientWidth() - 16, 220);
  DBGrid1->SetDataSource(DataSource1);
  DBNavigator1 = vcl::NewChild<vcl::TDBNavigator>(this, this, "DBNavigator1", 8, 236, 240, 25);
  DBNavigator1->SetDataSource(DataSource1);
  BitBtn1 = vcl::NewChild<vcl::TBitBtn>(this, this, "BitBtn1", ClientWidth() - 98, 268, 90, 28);
  BitBtn1->SetKind(vcl::bkOK);
  BitBtn1->OnClick = rtl::MakeEvent(this, &Tsailselform::BitBtn1Click);
  ColorDialog1 = vcl::NewChild<vcl::TColorDialog>(this, nullptr, "ColorDialog1");
  // A first start, or a deleted table: the form must still come up, with an empty table. When
  // even that fails (a read-only or full disk) the program runs on without sails.
  try {
    if (!Table1->Exists()) {
      DefineSailFields(Table1->FieldDefs());
      Table1->CreateTable();
    }
    Table1->Open();
  } catch (const std::exception& e) {
    vcl::ShowMessage(std::string("The sail table is not available: ") + e.what());
  }
}

void Tsailselform::BitBtn1Click(rtl::TObject*) {
  // A sail typed but not yet posted would be lost.
  if (!PostGridEdit(DBGrid1)) {
    SetModalResult(vcl::mrNone);  // the OK kind would close a modal form all the same
    return;
  }
  Close();
}

Tsailselform::~Tsailselform() {
  if (sailselform == this) sailselform = nullptr;
}
