#pragma once
// The light per-object record and the base map object with its common header.
#include <cstdint>
#include <memory>
#include <string>

#include "map/earthstream.h"

// ---- Objects ------------------------------------------------------------------------------------

class TEarthObject;
class TCustomEarthMap;

enum TObjectSourceNotification {
  osnOpen,
  osnClose,
  osnAdd,
  osnDelete,
  osnRedraw,
  osnSelectedChanged,
  osnCreate,
  osnFree
};

class TEarthObjectSource;
// The record a source keeps for an object that is not loaded.
class TEarthObjectData : public TEarthRoot {
 public:
  // From another record (or loaded object); anything else goes to the base class.
  void Assign(const rtl::TPersistent* source) override;
  virtual void SetPresenterID(int32_t id) { PresenterID = id; }
  virtual TMER GetObjectMER() { return ObjectMER; }
  virtual int64_t ObjectInstanceSize() const { return sizeof(TEarthObjectData); }
  // The loaded object this is, nil for a bare record: what a cast would tell, at less cost for
  // sources that ask it of every slot.
  virtual TEarthObject* AsEarthObject() { return nullptr; }

  int32_t Index = -1;
  int32_t PresenterID = 0;
  TMER ObjectMER;
  rtl::TObject* UserObject = nullptr;  // not owned
  double Value = 0;
  TEarthObjectStateSet State;
  TEarthObjectFlagsSet Flags;
};

// A loaded map object. It belongs to its source (when it has one), which frees it.
class TEarthObject : public TEarthObjectData {
 public:
  explicit TEarthObject(TEarthObjectSource* source);
  ~TEarthObject() override;
  TEarthObject(const TEarthObject&) = delete;
  TEarthObject& operator=(const TEarthObject&) = delete;

  // Copies another loaded object, or a record through TEarthObjectData::Assign.
  void Assign(const rtl::TPersistent* source) override;
  void SetPresenterID(int32_t id) override;
  TMER GetObjectMER() override;
  int64_t ObjectInstanceSize() const override;
  TEarthObject* AsEarthObject() final { return this; }
  virtual TPointLL GetCentroid() { return centroid_; }
  virtual void SetCentroid(const TPointLL& p);
  // The same class, in the same source (which owns it; without a source the caller does).
  virtual TEarthObject* Clone();
  virtual void WriteProperties(TEarthStreamWriter& writer);
  virtual void ReadProperties(TEarthStreamReader& reader);
  virtual void RedrawObject();
  virtual void SelectedChanged();
  virtual void FixupReferences() {}
  // Draws the object without a presenter.
  virtual void Render(TCustomEarthMap* /*globe*/, TEarthObjectStateSet /*state*/) {}
  virtual bool LLInObject(const TPointLL& /*point*/, int32_t /*tolerance*/) { return false; }
  virtual int LLInObjectMER(const TPointLL& point, int32_t tolerance);

  TEarthObjectSource* Parent() const { return parent_; }
  void SetParent(TEarthObjectSource* source);
  // For the source itself: the link changes without adding or deleting a slot.
  void SetParentQuiet(TEarthObjectSource* source) { parent_ = source; }
  bool GetClosed() const { return State.Contains(osClosed); }
  void SetClosed(bool b);
  bool GetHidden() const { return State.Contains(osHidden); }
  void SetHidden(bool b);
  bool GetSelected() const { return State.Contains(osSelected); }
  void SetSelected(bool b);

  std::string Title;
  int32_t ID = 0;
  int32_t ZoomMin = 0;
  int32_t ZoomMax = 0;
  int32_t MRU = 0;

 protected:
  // The virtual constructor of Clone.
  virtual TEarthObject* NewInstance(TEarthObjectSource* source) const;
  bool InSource() const;

 protected:
  TPointLL centroid_;

 private:
  TEarthObjectSource* parent_ = nullptr;
};

// The centroid of a new object: marks a centroid not yet set.
inline constexpr int32_t CENTROID_UNSET_HEIGHT = -2147483647;
