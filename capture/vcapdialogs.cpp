#include "capture/vcapdialogs.h"

#include "platform/vcl/dialogs.h"
#include "platform/vcl/lists.h"
#include "platform/vcl/stdctrls.h"

int ChooseFromList(const std::string& caption, const std::vector<std::string>& items, int current) {
  vcl::TForm form(nullptr);
  form.SetCaption(caption);
  form.SetBounds(0, 0, 280, 260);
  form.SetPosition(vcl::poScreenCenter);
  auto* list = new vcl::TListBox(&form);
  list->SetParent(&form);
  list->SetBounds(8, 8, 256, 170);
  for (const std::string& s : items) list->Items()->Add(s);
  list->SetItemIndex(current);
  auto* ok = new vcl::TButton(&form);
  ok->SetParent(&form);
  ok->SetBounds(104, 190, 75, 25);
  ok->SetCaption("OK");
  ok->SetDefault(true);
  ok->SetModalResult(vcl::mrOk);
  auto* cancel = new vcl::TButton(&form);
  cancel->SetParent(&form);
  cancel->SetBounds(188, 190, 75, 25);
  cancel->SetCaption("Cancel");
  cancel->SetCancel(true);
  cancel->SetModalResult(vcl::mrCancel);
  vcl::TDialogRequest request;
  request.Kind = "Form";
  request.Caption = caption;
  const int result = vcl::RunDialog(&form, request, [&](const vcl::TDialogAnswer& a) {
    list->SetItemIndex(list->Items()->IndexOf(a.FileName));
    form.SetModalResult(a.Result);
  });
  return result == vcl::mrOk ? list->ItemIndex() : -1;
}
