// Items and their actions: the link that keeps an item's caption, state and click with the
// action, the updates the views ask for, and the hints views give.
#include "docking/dkitem.h"

namespace docking {

// ------------------------------------------------------------------ the link

TDKCustomItemActionLink::TDKCustomItemActionLink(TDKCustomItem* AClient)
    : vcl::TActionLink(AClient), item_(AClient) {}

vcl::TCustomAction* TDKCustomItemActionLink::CustomAction() const {
  return dynamic_cast<vcl::TCustomAction*>(action_);
}

bool TDKCustomItemActionLink::IsCaptionLinked() const {
  return TActionLink::IsCaptionLinked() && item_->Caption() == CustomAction()->Caption();
}
bool TDKCustomItemActionLink::IsCheckedLinked() const {
  return TActionLink::IsCheckedLinked() && item_->Checked() == CustomAction()->Checked();
}
bool TDKCustomItemActionLink::IsEnabledLinked() const {
  return TActionLink::IsEnabledLinked() && item_->Enabled() == CustomAction()->Enabled();
}
bool TDKCustomItemActionLink::IsHelpContextLinked() const {
  return TActionLink::IsHelpContextLinked() &&
         item_->HelpContext() == CustomAction()->HelpContext();
}
bool TDKCustomItemActionLink::IsHintLinked() const {
  return TActionLink::IsHintLinked() && item_->Hint() == CustomAction()->Hint();
}
bool TDKCustomItemActionLink::IsImageIndexLinked() const {
  return TActionLink::IsImageIndexLinked() && item_->ImageIndex() == CustomAction()->ImageIndex();
}
bool TDKCustomItemActionLink::IsShortCutLinked() const {
  return TActionLink::IsShortCutLinked() && item_->ShortCut() == CustomAction()->ShortCut();
}
bool TDKCustomItemActionLink::IsVisibleLinked() const {
  return TActionLink::IsVisibleLinked() && item_->Visible() == CustomAction()->Visible();
}
bool TDKCustomItemActionLink::IsOnExecuteLinked() const {
  return TActionLink::IsOnExecuteLinked() && item_->OnClick == action_->OnExecute();
}

void TDKCustomItemActionLink::SetCaption(const std::string& Value) {
  if (IsCaptionLinked()) item_->SetCaption(Value);
}
void TDKCustomItemActionLink::SetChecked(bool Value) {
  if (IsCheckedLinked()) item_->SetChecked(Value);
}
void TDKCustomItemActionLink::SetEnabled(bool Value) {
  if (IsEnabledLinked()) item_->SetEnabled(Value);
}
void TDKCustomItemActionLink::SetHelpContext(int Value) {
  if (IsHelpContextLinked()) item_->SetHelpContext(Value);
}
void TDKCustomItemActionLink::SetHint(const std::string& Value) {
  if (IsHintLinked()) item_->SetHint(Value);
}
void TDKCustomItemActionLink::SetImageIndex(int Value) {
  if (IsImageIndexLinked()) item_->SetImageIndex(Value);
}
void TDKCustomItemActionLink::SetShortCut(vcl::TShortCut Value) {
  if (IsShortCutLinked()) item_->SetShortCut(Value);
}
void TDKCustomItemActionLink::SetVisible(bool Value) {
  if (IsVisibleLinked()) item_->SetVisible(Value);
}
void TDKCustomItemActionLink::SetOnExecute(const rtl::TNotifyEvent& Value) {
  if (IsOnExecuteLinked()) item_->OnClick = Value;
}

// ------------------------------------------------------------------ the item

void TDKCustomItem::SetAction(vcl::TBasicAction* Value) {
  if (!Value) {
    actionLink_.reset();
    return;
  }
  if (Value == Action()) return;
  if (!actionLink_) {
    actionLink_ = std::make_unique<TDKCustomItemActionLink>(this);
    actionLink_->OnChange = rtl::MakeEvent(this, &TDKCustomItem::DoActionChange);
  }
  actionLink_->SetAction(Value);
  ActionChange(Value, (Value->ComponentState() & rtl::csLoading) != 0);
  Value->FreeNotification(this);
}

void TDKCustomItem::DoActionChange(rtl::TObject* Sender) {
  if (Sender == Action()) ActionChange(Sender, false);
}

void TDKCustomItem::ActionChange(rtl::TObject* Sender, bool CheckDefaults) {
  auto* a = dynamic_cast<vcl::TCustomAction*>(Sender);
  if (!a) return;
  if (!CheckDefaults || caption_.empty()) SetCaption(a->Caption());
  if (!CheckDefaults || !checked_) SetChecked(a->Checked());
  if (!CheckDefaults || enabled_) SetEnabled(a->Enabled());
  if (!CheckDefaults || helpContext_ == 0) SetHelpContext(a->HelpContext());
  if (!CheckDefaults || hint_.empty()) SetHint(a->Hint());
  if (!CheckDefaults || imageIndex_ == -1) SetImageIndex(a->ImageIndex());
  if (!CheckDefaults || shortCut_ == 0) SetShortCut(a->ShortCut());
  if (!CheckDefaults || visible_) SetVisible(a->Visible());
  if (!CheckDefaults || !OnClick) OnClick = a->OnExecute();
}

void TDKCustomItem::InitiateAction() {
  if (actionLink_) actionLink_->Update();
}

void TDKView::InitiateActions() {
  // An update may change the items (and so the viewers): the items are taken first.
  std::vector<TDKCustomItem*> items;
  for (const auto& v : viewers_) items.push_back(v->Item());
  for (TDKCustomItem* i : items) i->InitiateAction();
}

bool TDKView::HandleHintShowMessage(vcl::THintInfo& Info) {
  ValidatePositions();
  TDKItemViewer* v = ViewerFromPoint(Info.CursorPos);
  if (!v) {
    // Over no item: no hint, and the next pixel is a new place.
    Info.CursorRect = RECT{Info.CursorPos.x, Info.CursorPos.y, Info.CursorPos.x + 1,
                           Info.CursorPos.y + 1};
    Info.HintStr.clear();
    return false;
  }
  Info.CursorRect = v->BoundsRect;
  Info.HintStr = v->GetHintText();
  return !Info.HintStr.empty();
}

}  // namespace docking
