#pragma once
// Accessibility objects of views (a toolbar, a menu bar, a popup) and of item viewers (buttons,
// menu rows, separators). A view or viewer creates its object on first request and tells it when
// it goes away; the object then answers E_FAIL.
#include "docking/dkitem.h"
#include "platform/access/access.h"

namespace docking {

class TDKCustomAccObject : public acc::TAccessibleBase {
 public:
  TDKCustomAccObject();
  ~TDKCustomAccObject() override;
  virtual void ClientIsDestroying() = 0;

  // Not supported by either kind: S_FALSE after the child check.
  acc::HRESULT get_accValue(acc::VARIANT Child, std::string*) override {
    return Unsupported(Child);
  }
  acc::HRESULT get_accDescription(acc::VARIANT Child, std::string*) override {
    return Unsupported(Child);
  }
  acc::HRESULT get_accHelp(acc::VARIANT Child, std::string*) override { return Unsupported(Child); }
  acc::HRESULT get_accSelection(acc::VARIANT* Selection) override {
    if (Selection) *Selection = acc::VARIANT{};
    return Unsupported(acc::ChildId(0));
  }

 protected:
  virtual acc::HRESULT Check(const acc::VARIANT& Child) = 0;
  acc::HRESULT Unsupported(const acc::VARIANT& Child);
};

class TDKViewAccObject : public TDKCustomAccObject {
 public:
  explicit TDKViewAccObject(TDKView* View) : view_(View) {}
  void ClientIsDestroying() override { view_ = nullptr; }
  acc::HRESULT get_accParent(acc::IAccessible** Parent) override;
  acc::HRESULT get_accChildCount(long* Count) override;
  acc::HRESULT get_accChild(acc::VARIANT Child, acc::IAccessible** Result) override;
  acc::HRESULT get_accName(acc::VARIANT Child, std::string* Name) override;
  acc::HRESULT get_accRole(acc::VARIANT Child, acc::VARIANT* Role) override;
  acc::HRESULT get_accState(acc::VARIANT Child, acc::VARIANT* State) override;
  acc::HRESULT get_accKeyboardShortcut(acc::VARIANT Child, std::string*) override {
    return Unsupported(Child);
  }
  acc::HRESULT get_accFocus(acc::VARIANT* Focus) override;
  acc::HRESULT get_accDefaultAction(acc::VARIANT Child, std::string*) override {
    return Unsupported(Child);
  }
  acc::HRESULT accSelect(long Flags, acc::VARIANT Child) override;
  acc::HRESULT accLocation(long* L, long* T, long* W, long* H, acc::VARIANT Child) override;
  acc::HRESULT accNavigate(long Direction, acc::VARIANT Start, acc::VARIANT* End) override;
  acc::HRESULT accHitTest(long X, long Y, acc::VARIANT* Child) override;
  acc::HRESULT accDoDefaultAction(acc::VARIANT Child) override { return Unsupported(Child); }

 protected:
  acc::HRESULT Check(const acc::VARIANT& Child) override;

 private:
  TDKView* view_;
};

class TDKItemViewerAccObject : public TDKCustomAccObject {
 public:
  explicit TDKItemViewerAccObject(TDKItemViewer* Viewer) : viewer_(Viewer) {}
  void ClientIsDestroying() override { viewer_ = nullptr; }
  bool IsAvailable() const;
  bool IsActionable() const;
  bool IsFocusable() const;
  acc::HRESULT get_accParent(acc::IAccessible** Parent) override;
  acc::HRESULT get_accChildCount(long* Count) override;
  acc::HRESULT get_accChild(acc::VARIANT Child, acc::IAccessible** Result) override;
  acc::HRESULT get_accName(acc::VARIANT Child, std::string* Name) override;
  acc::HRESULT get_accRole(acc::VARIANT Child, acc::VARIANT* Role) override;
  acc::HRESULT get_accValue(acc::VARIANT Child, std::string* Value) override;
  acc::HRESULT get_accState(acc::VARIANT Child, acc::VARIANT* State) override;
  acc::HRESULT get_accKeyboardShortcut(acc::VARIANT Child, std::string* Shortcut) override;
  acc::HRESULT get_accFocus(acc::VARIANT* Focus) override;
  acc::HRESULT get_accDefaultAction(acc::VARIANT Child, std::string* Action) override;
  acc::HRESULT accSelect(long Flags, acc::VARIANT Child) override;
  acc::HRESULT accLocation(long* L, long* T, long* W, long* H, acc::VARIANT Child) override;
  acc::HRESULT accNavigate(long Direction, acc::VARIANT Start, acc::VARIANT* End) override;
  acc::HRESULT accHitTest(long X, long Y, acc::VARIANT* Child) override;
  acc::HRESULT accDoDefaultAction(acc::VARIANT Child) override;

 protected:
  acc::HRESULT Check(const acc::VARIANT& Child) override;

 private:
  TDKItemViewer* viewer_;
};

// A view or viewer going away: its object forgets it and the owner's reference is dropped.
void DKAccClientDestroying(acc::IAccessible*& Obj);
// Cuts every live object off from its clients (the end of the program).
void DKAccShutdown();
int DKAccLiveObjects();

}  // namespace docking
