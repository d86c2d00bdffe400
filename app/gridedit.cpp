#include "app/gridedit.h"

#include <exception>
#include <string>

#include "platform/vcl/dialogs.h"

bool PostGridEdit(vcl::TDBGrid* grid) {
  db::TDataSource* source = grid->DataSource();
  db::TDataSet* set = source != nullptr ? source->DataSet() : nullptr;
  if (set == nullptr || !set->Active()) return true;
  try {
    grid->SetEditorMode(false);  // a text the field cannot take raises and stays in the editor
    set->CheckBrowseMode();      // posts a changed record; an untouched new one goes
  } catch (const std::exception& e) {
    vcl::ShowMessage(std::string("The change was not saved: ") + e.what());
    return false;
  }
  return true;
}
