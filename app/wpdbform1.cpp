#include "app/wpdbform1.h"

#include <exception>

#include "app/gridedit.h"
#include "app/mainform.h"
#include "app/waypointimport.h"
#include "platform/rtl/files.h"
#include "platform/rtl/stringlist.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/newchild.h"

TWPDBForm* WPDBForm = nullptr;

TWPDBForm::TWPDBForm(rtl::TComponent* AOwner) : TForm(AOwner) {
  SetName("WPDBForm");
  SetCaption("Waypoint Database");
  SetBorderStyle(vcl::bsDialog);
  SetBounds(0, 0, 560, 380);
  SetPosition(vcl::poMainFormCenter);
  DBGrid1 = vcl::NewChild<vcl::TDBGrid>(this, this, "DBGrid1", 8, 8, ClientWidth() - 16, 270);
  for (const char* field : {"NAME", "NAME2", "LAT", "LON", "AREA"}) DBGrid1->Columns()->Add(field);
  DBGrid1->SetOptions(DBGrid1->Options() | vcl::dgEditing | vcl::dgMultiSelect);
  DBNavigator1 = vcl::NewChild<vcl::TDBNavigator>(this, this, "DBNavigator1", 8, 286, 240, 25);
  BitBtn1 = vcl::NewChild<vcl::TBitBtn>(this, this, "BitBtn1", ClientWidth() - 98, 318, 90, 28);
  BitBtn1->SetKind(vcl::bkOK);
  BitBtn2 = vcl::NewChild<vcl::TBitBtn>(this, this, "BitBtn2", 8, 318, 100, 28);
  BitBtn2->SetCaption("Select All");
  BitBtn3 = vcl::NewChild<vcl::TBitBtn>(this, this, "BitBtn3", 116, 318, 100, 28);
  BitBtn3->SetCaption("&Import WPT");
  OpenDialog1 = vcl::NewChild<vcl::TOpenDialog>(this, nullptr, "OpenDialog1");
  OpenDialog1->SetFilter("Waypoint files (*.wpt;*.txt)|*.wpt;*.txt|All files (*.*)|*.*");
  BitBtn1->OnClick = rtl::MakeEvent(this, &TWPDBForm::BitBtn1Click);
  BitBtn2->OnClick = rtl::MakeEvent(this, &TWPDBForm::BitBtn2Click);
  BitBtn3->OnClick = rtl::MakeEvent(this, &TWPDBForm::BitBtn2Click);
  if (Form1 != nullptr) SetDataSource(Form1->DataSource2);
}

void TWPDBForm::SetDataSource(db::TDataSource* source) {
  DBGrid1->SetDataSource(source);
  DBNavigator1->SetDataSource(source);
}

void TWPDBForm::BitBtn1Click(rtl::TObject*) {
  // A waypoint typed but not yet posted would be lost.
  if (!PostGridEdit(DBGrid1)) {
    SetModalResult(vcl::mrNone);  // the OK kind would close a modal form all the same
    return;
  }
  Close();
}

void TWPDBForm::BitBtn2Click(rtl::TObject*) {
  if (OpenDialog1->Execute()) ImportFile(OpenDialog1->FileName());
}

int TWPDBForm::ImportFile(const std::string& file) {
  db::TDataSource* source = DBGrid1->DataSource();
  db::TDataSet* set = source != nullptr ? source->DataSet() : nullptr;
  if (set == nullptr) return 0;
  rtl::TStringList lines;
  lines.LoadFromFile(file);
  std::vector<std::string> text;
  for (int i = 0; i < lines.Count(); ++i) text.push_back(lines.Strings(i));
  if (!set->Active()) set->Open();
  const db::TField* name = set->FieldByName("NAME");
  const auto parsed = ParseWaypointLines(text, static_cast<size_t>(name->Size()));
  int appended = 0;
  for (const TWaypointLine& w : parsed.Waypoints) {
    set->Append();
    try {
      set->FieldByName("NAME")->SetAsString(w.Name);
      set->FieldByName("LAT")->SetAsFloat(w.Lat);
      set->FieldByName("LON")->SetAsFloat(w.Lon);
      set->Post();
    } catch (const std::exception&) {
      set->Cancel();
      throw;
    }
    ++appended;
  }
  if (parsed.Skipped > 0)
    vcl::ShowMessage(rtl::Format("%d line(s) of %s hold no waypoint (two words, a latitude and a "
                                 "longitude in degrees) and were left out.",
                                 parsed.Skipped, rtl::ExtractFileName(file)));
  return appended;
}

TWPDBForm::~TWPDBForm() {
  if (WPDBForm == this) WPDBForm = nullptr;
}
