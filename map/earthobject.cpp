// Object records and the map object header.
#include "map/earthobject.h"

#include "map/earthsource.h"
#include "platform/rtl/sysutils.h"

// ---- Object record ------------------------------------------------------------------------------

void TEarthObjectData::Assign(const rtl::TPersistent* source) {
  const auto* other = dynamic_cast<const TEarthObjectData*>(source);
  if (!other) {
    TEarthRoot::Assign(source);
    return;
  }
  if (other == this) return;
  State = other->State;
  Flags = other->Flags;
  UserObject = other->UserObject;
  Index = other->Index;
  ObjectMER = const_cast<TEarthObjectData*>(other)->GetObjectMER();
  PresenterID = other->PresenterID;
  Value = other->Value;
}

// ---- Map object ---------------------------------------------------------------------------------

TEarthObject::TEarthObject(TEarthObjectSource* source) {
  SetParent(source);
  centroid_ = {0, 0, CENTROID_UNSET_HEIGHT};
}

TEarthObject::~TEarthObject() {
  // Deselect while the source can still hear about it, then give the slot back.
  if (GetSelected()) SetSelected(false);
  if (TEarthObjectSource* source = parent_) {
    parent_ = nullptr;
    source->Delete(this);
  }
}

bool TEarthObject::InSource() const {
  return parent_ != nullptr && Index >= 0 && Index < parent_->GetCount();
}

void TEarthObject::SetParent(TEarthObjectSource* source) {
  if (source == parent_) return;
  if (parent_) parent_->Delete(this);
  if (source) source->Add(this);
  parent_ = source;
}

void TEarthObject::Assign(const rtl::TPersistent* source) {
  if (source == this) return;
  auto* other = dynamic_cast<TEarthObject*>(const_cast<rtl::TPersistent*>(source));
  if (!other) {
    TEarthObjectData::Assign(source);
    return;
  }
  other->State.Exclude(osValidMER);
  SetPresenterID(other->PresenterID);
  Title = other->Title;
  ID = other->ID;
  centroid_ = other->GetCentroid();
  ZoomMin = other->ZoomMin;
  ZoomMax = other->ZoomMax;
  SetClosed(other->GetClosed());
  SetSelected(other->GetSelected());
}

void TEarthObject::SetPresenterID(int32_t id) {
  PresenterID = id;
  if (InSource()) {
    TEarthObjectData* record = parent_->GetObjectData(Index);
    if (record && record != this) record->PresenterID = id;
  }
  RedrawObject();
}

TMER TEarthObject::GetObjectMER() {
  ObjectMER = MER(centroid_.iLongX, centroid_.iLatY, 0, 0);
  State.Include(osValidMER);
  return ObjectMER;
}

int64_t TEarthObject::ObjectInstanceSize() const {
  return static_cast<int64_t>(sizeof(TEarthObject) + Title.size());
}

void TEarthObject::SetCentroid(const TPointLL& p) {
  const TPointLL old = centroid_;
  centroid_ = p;
  // Any move, not only one to another pixel of the view: the MER is kept in globe units, and a
  // move within a pixel at this scale is many pixels once the view zooms in.
  if (old.iLongX != p.iLongX || old.iLatY != p.iLatY) {
    State.Exclude(osValidMER);
    RedrawObject();
  }
}

TEarthObject* TEarthObject::NewInstance(TEarthObjectSource* source) const {
  return new TEarthObject(source);
}

TEarthObject* TEarthObject::Clone() {
  TEarthObject* copy = NewInstance(parent_);
  copy->Assign(this);
  return copy;
}

void TEarthObject::WriteProperties(TEarthStreamWriter& writer) {
  // The file keeps 16 bits of the presenter ID. Cut to its low bits an ID beyond them would name
  // another presenter (70,000 would read back as 4,464) and the object be drawn in the wrong
  // style without a word: such an object is refused instead.
  if (PresenterID < std::numeric_limits<int16_t>::min() ||
      PresenterID > std::numeric_limits<int16_t>::max()) {
    throw EEarthException(rtl::Format("Presenter ID %d does not fit the map file", PresenterID));
  }
  if (!Title.empty()) Flags.Include(ofTitle);
  if (ID != 0) Flags.Include(ofID);
  if (ZoomMin != ZoomMax) Flags.Include(ofZoomMinMax);
  if (GetClosed()) Flags.Include(ofClosed);
  writer.WriteWord(Flags.Word());
  if (Flags.Contains(ofTitle)) writer.WriteShortString(Title);
  if (Flags.Contains(ofID)) writer.WriteInteger(ID);
  if (Flags.Contains(ofZoomMinMax)) {
    writer.WriteInteger(ZoomMin);
    writer.WriteInteger(ZoomMax);
  }
  writer.WriteSmallInt(static_cast<int16_t>(PresenterID));
}

void TEarthObject::ReadProperties(TEarthStreamReader& reader) {
  Flags = TEarthObjectFlagsSet::FromWord(reader.ReadWord());
  if (Flags.Contains(ofTitle)) Title = reader.ReadShortString();
  if (Flags.Contains(ofID)) ID = reader.ReadInteger();
  if (Flags.Contains(ofZoomMinMax)) {
    ZoomMin = reader.ReadInteger();
    ZoomMax = reader.ReadInteger();
  }
  if (Flags.Contains(ofClosed)) State.Include(osClosed);
  PresenterID = reader.ReadSmallInt();
}

void TEarthObject::RedrawObject() {
  State.Include(osRedraw);
  if (parent_) parent_->Notify(osnRedraw, this);
}

void TEarthObject::SelectedChanged() {
  if (!InSource()) return;
  TEarthObjectStateSet state = parent_->GetState(Index);
  state.Set(osSelected, GetSelected());
  parent_->SetState(Index, state);
  parent_->Notify(osnSelectedChanged, this);
}

void TEarthObject::SetClosed(bool b) {
  if (b == GetClosed()) return;
  State.Set(osClosed, b);
  if (InSource()) {
    TEarthObjectStateSet state = parent_->GetState(Index);
    state.Set(osClosed, b);
    parent_->SetState(Index, state);
  }
  RedrawObject();
}

void TEarthObject::SetHidden(bool b) {
  if (b == GetHidden()) return;
  State.Set(osHidden, b);
  State.Include(osRedraw);
  RedrawObject();
}

void TEarthObject::SetSelected(bool b) {
  if (b == GetSelected()) return;
  State.Set(osSelected, b);
  SelectedChanged();
  RedrawObject();
}

int TEarthObject::LLInObjectMER(const TPointLL& point, int32_t tolerance) {
  if (GetHidden()) return 0;
  const TMER m = GetObjectMER();
  const int64_t lat = point.iLatY, lon = point.iLongX, tol = tolerance;
  if (!(m.iLatY - tol <= lat && lat < static_cast<int64_t>(m.iLatY) + m.iHeightY + tol)) return 0;
  const int64_t left = m.iLongX;
  const int64_t right = left + m.iWidthX + tol;
  if (right <= GU_180DEGREE) return (left - tol <= lon && lon < right) ? 3 : 0;
  // A longitude is kept up to one unit past 180 degrees either way: a point on the meridian
  // itself (180 E, or that unit past it) lies in the east half, which the wrapped west half,
  // measured from 180 W, never reaches.
  if (left - tol <= lon && lon <= GU_180DEGREE + 1) return 2;
  if (lon >= -GU_180DEGREE - 1) {
    const int64_t wrapped = right >= 972'000'002 ? right - GU_360DEGREE : right;
    if (wrapped > lon) return 1;
  }
  return 0;
}
