#include "platform/vcl/actions.h"

#include <algorithm>

namespace vcl {

// ------------------------------------------------------------------ links

TBasicActionLink::~TBasicActionLink() {
  SetAction(nullptr);
}

void TBasicActionLink::SetAction(TBasicAction* Value) {
  if (Value == action_) return;
  if (action_) std::erase(action_->clients_, this);
  action_ = Value;
  if (action_) action_->clients_.push_back(this);
}

bool TBasicActionLink::Execute(rtl::TComponent* AComponent) {
  if (!action_) return false;
  action_->SetActionComponent(AComponent);
  struct Reset {
    TBasicAction* a;
    ~Reset() { a->SetActionComponent(nullptr); }
  } reset{action_};
  return action_->Execute();
}

bool TBasicActionLink::Update() {
  return action_ && action_->Update();
}

void TBasicActionLink::Change() {
  if (OnChange) OnChange(action_);
}

// ------------------------------------------------------------------ basic action

TBasicAction::~TBasicAction() {
  // The clients keep no dangling action.
  for (TBasicActionLink* l : std::vector(clients_)) {
    l->action_ = nullptr;
  }
  clients_.clear();
}

bool TBasicAction::Execute() {
  if (!onExecute_) return false;
  onExecute_(this);
  return true;
}

bool TBasicAction::Update() {
  if (!OnUpdate) return false;
  OnUpdate(this);
  return true;
}

void TBasicAction::SetOnExecute(const rtl::TNotifyEvent& v) {
  if (v == onExecute_) return;
  for (TBasicActionLink* l : std::vector(clients_))
    if (auto* a = dynamic_cast<TActionLink*>(l)) a->SetOnExecute(v);
  onExecute_ = v;
  Change();
}

void TBasicAction::Change() {
  for (TBasicActionLink* l : std::vector(clients_)) l->Change();
}

// ------------------------------------------------------------------ action link

namespace {
TCustomAction* Custom(TBasicAction* a) {
  return dynamic_cast<TCustomAction*>(a);
}
}  // namespace

bool TActionLink::IsCaptionLinked() const {
  return Custom(action_) != nullptr;
}
bool TActionLink::IsCheckedLinked() const {
  return Custom(action_) != nullptr;
}
bool TActionLink::IsEnabledLinked() const {
  return Custom(action_) != nullptr;
}
bool TActionLink::IsHelpContextLinked() const {
  return Custom(action_) != nullptr;
}
bool TActionLink::IsHintLinked() const {
  return Custom(action_) != nullptr;
}
bool TActionLink::IsImageIndexLinked() const {
  return Custom(action_) != nullptr;
}
bool TActionLink::IsShortCutLinked() const {
  return Custom(action_) != nullptr;
}
bool TActionLink::IsVisibleLinked() const {
  return Custom(action_) != nullptr;
}
bool TActionLink::IsOnExecuteLinked() const {
  return action_ != nullptr;
}

bool TActionLink::DoShowHint(std::string& HintStr) {
  TCustomAction* a = Custom(action_);
  return !a || a->DoHint(HintStr);
}

// ------------------------------------------------------------------ custom action

// Each link still showing the old value takes the new one, then the action stores it.
template <class T, class Linked, class Set>
void TCustomAction::Assign(T& field, const T& v, Linked linked, Set set) {
  if (field == v) return;
  for (TBasicActionLink* l : std::vector(clients_))
    if (auto* a = dynamic_cast<TActionLink*>(l); a && (a->*linked)()) (a->*set)(v);
  field = v;
  Change();
}

void TCustomAction::SetCaption(const std::string& v) {
  Assign(caption_, v, &TActionLink::IsCaptionLinked, &TActionLink::SetCaption);
}
void TCustomAction::SetChecked(bool v) {
  Assign(checked_, v, &TActionLink::IsCheckedLinked, &TActionLink::SetChecked);
}
void TCustomAction::SetEnabled(bool v) {
  Assign(enabled_, v, &TActionLink::IsEnabledLinked, &TActionLink::SetEnabled);
}
void TCustomAction::SetHelpContext(int v) {
  Assign(helpContext_, v, &TActionLink::IsHelpContextLinked, &TActionLink::SetHelpContext);
}
void TCustomAction::SetHint(const std::string& v) {
  Assign(hint_, v, &TActionLink::IsHintLinked, &TActionLink::SetHint);
}
void TCustomAction::SetImageIndex(int v) {
  Assign(imageIndex_, v, &TActionLink::IsImageIndexLinked, &TActionLink::SetImageIndex);
}
void TCustomAction::SetShortCut(TShortCut v) {
  Assign(shortCut_, v, &TActionLink::IsShortCutLinked, &TActionLink::SetShortCut);
}
void TCustomAction::SetVisible(bool v) {
  Assign(visible_, v, &TActionLink::IsVisibleLinked, &TActionLink::SetVisible);
}

bool TCustomAction::Execute() {
  Update();
  if (!enabled_) return false;
  if (autoCheck_) SetChecked(!checked_);
  return TBasicAction::Execute();
}

bool TCustomAction::DoHint(std::string& HintStr) {
  bool show = true;
  if (OnHint) OnHint(HintStr, show);
  return show;
}

}  // namespace vcl
