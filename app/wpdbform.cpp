#include "app/wpdbform.h"

#include "platform/vcl/newchild.h"

TWPDBForm* WPDBForm = nullptr;

TWPDBForm::TWPDBForm(rtl::TComponent* AOwner) : TForm(AOwner) {
  SetName("WPDBForm");
  SetCaption("Waypoint Database");
  SetBorderStyle(vcl::bsDialog);
  SetBounds(0, 0, 520, 360);
  SetPosition(vcl::poMainFormCenter);
  BitBtn1 = vcl::NewChild<vcl::TBitBtn>(this, this, "BitBtn1", 214, 320, 90, 28);
  BitBtn1->SetKind(vcl::bkOK);
}
