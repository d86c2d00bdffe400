#pragma once
// The component model: objects with a class name, persistent objects that copy each other with
// Assign, and components that own other components and hear when those they watch are freed.
#include <cstdint>
#include <string>
#include <vector>

namespace rtl {

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  // The unqualified class name of the most-derived class ("TComponent").
  virtual std::string ClassName() const;
};

class TPersistent : public TObject {
 public:
  // Copies Source into this object; the default asks Source to AssignTo this, and raises
  // EConvertError ("Cannot assign a X to a Y") when neither side knows how.
  virtual void Assign(const TPersistent* Source);

 protected:
  virtual void AssignTo(TPersistent* Dest) const;
};

enum TOperation { opInsert, opRemove };

enum TComponentStateFlag : unsigned {
  csLoading = 1,
  csReading = 2,
  csWriting = 4,
  csDestroying = 8,
  csDesigning = 16,
  csFreeNotification = 32,
  csUpdating = 64,
};
using TComponentState = unsigned;

// A component is owned by its Owner (the one place a raw owning pointer is used): the owner
// deletes its components, last first, when it is destroyed. Deleting an owned component removes it
// from its owner. Components that asked for FreeNotification hear Notification(c, opRemove)
// before c goes away.
//
// Destruction runs ~TComponent after the derived destructors; a class whose components reach back
// into it while they are destroyed calls Destroying() and DestroyComponents() first in its own
// destructor.
class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int Index) const;  // raises EListError out of range
  int ComponentIndex() const;               // position in the owner's list, -1 without owner
  // Case-insensitive search of the owned components by name; nullptr when absent.
  TComponent* FindComponent(const std::string& AName) const;

  const std::string& Name() const { return name_; }
  virtual void SetName(const std::string& NewName) { name_ = NewName; }
  intptr_t Tag() const { return tag_; }
  void SetTag(intptr_t Value) { tag_ = Value; }
  TComponentState ComponentState() const { return state_; }

  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  void DestroyComponents();
  void Destroying();

  // Both components hear of each other's destruction (the link is mutual).
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // Streaming state: Loading() marks the component and its owned components as being loaded;
  // Loaded() clears the mark once their properties are set.
  void Loading();
  virtual void Loaded();
  void SetDesigning(bool Value, bool SetChildren = true);

 protected:
  // Default: forgets a removed component's free notification and passes the news on to every
  // owned component. Overrides call TComponent::Notification.
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  void SetState(TComponentState s) { state_ = s; }

 private:
  void RemoveFreeNotifications();

  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
  std::string name_;
  intptr_t tag_ = 0;
  TComponentState state_ = 0;
};

}  // namespace rtl
