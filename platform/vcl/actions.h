#pragma once
// Actions: one command with its caption and state, shared by the menu items, buttons and toolbar
// items linked to it. Links follow the action: a change of the action's caption, state or handler
// reaches every client whose own value still equals the action's. While the program waits for
// input the application asks every visible form to update its actions (OnUpdate).
#include <string>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/rtl/events.h"
#include "platform/vcl/menus.h"

namespace vcl {

class TBasicAction;

// The tie between one client (a control, an item) and its action.
class TBasicActionLink {
 public:
  explicit TBasicActionLink(rtl::TObject* AClient) : client_(AClient) {}
  virtual ~TBasicActionLink();
  TBasicActionLink(const TBasicActionLink&) = delete;
  TBasicActionLink& operator=(const TBasicActionLink&) = delete;

  TBasicAction* Action() const { return action_; }
  void SetAction(TBasicAction* Value);
  rtl::TObject* Client() const { return client_; }
  // Runs the action on behalf of the component (its ActionComponent meanwhile).
  virtual bool Execute(rtl::TComponent* AComponent = nullptr);
  virtual bool Update();
  // Fired when the action changed (the client copies what it needs).
  rtl::TNotifyEvent OnChange;

 protected:
  friend class TBasicAction;
  virtual void Change();
  rtl::TObject* client_;
  TBasicAction* action_ = nullptr;
};

class TBasicAction : public rtl::TComponent {
 public:
  using rtl::TComponent::TComponent;
  ~TBasicAction() override;
  // OnExecute; true when a handler ran.
  virtual bool Execute();
  // OnUpdate; true when a handler ran.
  virtual bool Update();
  rtl::TComponent* ActionComponent() const { return actionComponent_; }
  void SetActionComponent(rtl::TComponent* v) { actionComponent_ = v; }
  const rtl::TNotifyEvent& OnExecute() const { return onExecute_; }
  void SetOnExecute(const rtl::TNotifyEvent& v);
  rtl::TNotifyEvent OnUpdate;
  int ClientCount() const { return static_cast<int>(clients_.size()); }

 protected:
  friend class TBasicActionLink;
  void Change();
  std::vector<TBasicActionLink*> clients_;

 private:
  rtl::TNotifyEvent onExecute_;
  rtl::TComponent* actionComponent_ = nullptr;
};

// A link that copies the custom action's properties into its client; descendants say which
// properties are still linked (the client's value equals the action's) and how they are set.
class TActionLink : public TBasicActionLink {
 public:
  using TBasicActionLink::TBasicActionLink;
  virtual bool IsCaptionLinked() const;
  virtual bool IsCheckedLinked() const;
  virtual bool IsEnabledLinked() const;
  virtual bool IsHelpContextLinked() const;
  virtual bool IsHintLinked() const;
  virtual bool IsImageIndexLinked() const;
  virtual bool IsShortCutLinked() const;
  virtual bool IsVisibleLinked() const;
  virtual bool IsOnExecuteLinked() const;
  virtual void SetCaption(const std::string&) {}
  virtual void SetChecked(bool) {}
  virtual void SetEnabled(bool) {}
  virtual void SetHelpContext(int) {}
  virtual void SetHint(const std::string&) {}
  virtual void SetImageIndex(int) {}
  virtual void SetShortCut(TShortCut) {}
  virtual void SetVisible(bool) {}
  virtual void SetOnExecute(const rtl::TNotifyEvent&) {}
  // The action may change the hint or refuse it (false: no hint).
  bool DoShowHint(std::string& HintStr);
};

using THintEvent = rtl::Event<void(std::string& HintStr, bool& CanShow)>;

class TCustomAction : public TBasicAction {
 public:
  using TBasicAction::TBasicAction;
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  int HelpContext() const { return helpContext_; }
  void SetHelpContext(int v);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v);
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  bool AutoCheck() const { return autoCheck_; }
  void SetAutoCheck(bool v) { autoCheck_ = v; }
  // Brings the state up to date first; a disabled action does not run. AutoCheck toggles.
  bool Execute() override;
  bool DoHint(std::string& HintStr);
  THintEvent OnHint;

 private:
  template <class T, class Linked, class Set>
  void Assign(T& field, const T& v, Linked linked, Set set);
  std::string caption_;
  bool checked_ = false;
  bool enabled_ = true;
  int helpContext_ = 0;
  std::string hint_;
  int imageIndex_ = -1;
  TShortCut shortCut_ = 0;
  bool visible_ = true;
  bool autoCheck_ = false;
};

class TAction : public TCustomAction {
 public:
  using TCustomAction::TCustomAction;
};

}  // namespace vcl
