// Object sources: slots, loading on demand, subscriptions and the base ".md" cache.
#include "map/earthsource.h"

#include <algorithm>
#include <mutex>

#include "map/earthpresenter.h"
#include "map/earthcustommap.h"
#include "platform/rtl/bufferedstream.h"
#include "platform/rtl/files.h"
#include "platform/rtl/sysutils.h"

TEarthObjectSource::TEarthObjectSource(TCustomEarthMap* globe) : globe_(globe) {
  if (!globe_) throw EEarthException("TEarthObjectSource.Create passed nil Parent");
  presenters_ = std::make_unique<TEarthPresenterStore>(globe_);
  globe_->Notify(gnObjectSourceCreate, this);
}

TEarthObjectSource::~TEarthObjectSource() {
  destroying_ = true;
  globe_->Notify(gnObjectSourceFree, this);
  // A source going away must not close itself through a virtual of a class already gone, so
  // only the base close runs here.
  if (active_) active_ = !TEarthObjectSource::InternalClose();
  SetCount(0);
  objects_.clear();
  // Each layer lets go of the source; the guard keeps the last one from freeing it again.
  while (!layers_.empty()) {
    TEarthSourceObserver* layer = layers_.back();
    layers_.pop_back();
    layer->SourceFreed();
  }
  presenters_.reset();
}

void TEarthObjectSource::CheckIndex(int32_t index, const char* message) const {
  if (index < 0 || index >= count_) throw EEarthException(std::string("TEarthClasses: ") + message);
}

TEarthObjectData* TEarthObjectSource::GetObjectData(int32_t index) {
  CheckIndex(index, "GetObjectData: Invalid Index");
  auto& slot = objects_[static_cast<size_t>(index)];
  if (!slot) {
    slot = std::make_unique<TEarthObjectData>();
    slot->Index = index;
    slot->State = TEarthObjectStateSet{osNew};
  }
  return slot.get();
}

void TEarthObjectSource::SetObjectData(int32_t index, TEarthObjectData* data) {
  std::unique_ptr<TEarthObjectData> taken(data);
  CheckIndex(index, "SetObjectData: Invalid Index");
  auto& slot = objects_[static_cast<size_t>(index)];
  if (slot.get() == data) {
    taken.release();
    return;
  }
  std::unique_ptr<TEarthObjectData> old = std::move(slot);
  slot = std::move(taken);
  // A loaded object forgets its source first, so that its destructor does not call back.
  if (TEarthObject* object = old ? old->AsEarthObject() : nullptr) object->SetParentQuiet(nullptr);
}

TMER TEarthObjectSource::GetMER(int32_t index) {
  return GetObjectData(index)->GetObjectMER();
}
int32_t TEarthObjectSource::GetPresenterID(int32_t index) {
  return GetObjectData(index)->PresenterID;
}
TEarthObjectStateSet TEarthObjectSource::GetState(int32_t index) {
  return GetObjectData(index)->State;
}
rtl::TObject* TEarthObjectSource::GetUserObject(int32_t index) {
  return GetObjectData(index)->UserObject;
}
double TEarthObjectSource::GetValue(int32_t index) {
  return GetObjectData(index)->Value;
}
void TEarthObjectSource::SetMER(int32_t index, const TMER& mer) {
  GetObjectData(index)->ObjectMER = mer;
}
void TEarthObjectSource::SetPresenterID(int32_t index, int32_t id) {
  GetObjectData(index)->SetPresenterID(id);
}
void TEarthObjectSource::SetState(int32_t index, TEarthObjectStateSet state) {
  GetObjectData(index)->State = state;
}
void TEarthObjectSource::SetValue(int32_t index, double v) {
  GetObjectData(index)->Value = v;
}
void TEarthObjectSource::SetUserObject(int32_t index, rtl::TObject* o) {
  GetObjectData(index)->UserObject = o;
}

TEarthLayer* TEarthObjectSource::GetLayer(int32_t i) const {
  return i >= 0 && i < LayerCount() ? layers_[static_cast<size_t>(i)]->ObservingLayer() : nullptr;
}

TEarthObject* TEarthObjectSource::GetObject(int32_t index) {
  TEarthObjectData* data = GetObjectData(index);
  TEarthObject* object = data->AsEarthObject();
  if (!object) {
    // Down on every way out: a load that raised anywhere must not leave Add ignoring objects.
    struct Loading {
      bool& flag;
      explicit Loading(bool& f) : flag(f) { flag = true; }
      ~Loading() { flag = false; }
    } guard(loading_);
    const bool isNew = data->State.Contains(osNew);
    object = LoadObject(index, isNew);
    if (object) {
      if (!isNew) {
        object->State = data->State;
        object->Flags = data->Flags;
        object->ObjectMER = data->ObjectMER;
        object->UserObject = data->UserObject;
        object->Value = data->Value;
      }
      const int32_t presenter = data->PresenterID;
      // The record the object takes the place of goes from the count.
      const int64_t record = data->ObjectInstanceSize();
      object->SetParentQuiet(this);
      SetObjectData(index, object);
      object->Index = index;
      if (presenter != 0) object->SetPresenterID(presenter);
      object->FixupReferences();
      if (globe_->OnObjectCreate) globe_->OnObjectCreate(globe_, object);
      object->State.Exclude(osDiscardable);
      globe_->CacheUsedDelta(object->ObjectInstanceSize() - record);
      object->State.Include(osDiscardable);
    }
  }
  if (!object) throw EEarthException("TEarthReader returned nil object");
  object->MRU = globe_->NextMRU();
  return object;
}

TMER TEarthObjectSource::GetObjectsMER() {
  if (count_ < 1) return MER(0, 0, 1, 1);
  int64_t left = 2147483647, bottom = 2147483647, right = -2147483647, top = -2147483647;
  for (int32_t i = 0; i < count_; ++i) {
    const TMER m = GetMER(i);
    if (m.iLongX < left) left = int64_t{m.iLongX} - 1;
    if (m.iLatY < bottom) bottom = int64_t{m.iLatY} - 1;
    right = std::max(right, int64_t{m.iLongX} + m.iWidthX);
    top = std::max(top, int64_t{m.iLatY} + m.iHeightY);
  }
  left = std::max<int64_t>(left, -GU_180DEGREE);
  right = std::min<int64_t>(right, GU_180DEGREE);
  return MER(static_cast<int32_t>(left), static_cast<int32_t>(bottom),
             SaturateToInt32(static_cast<Extended>(right - left)),
             SaturateToInt32(static_cast<Extended>(top - bottom)));
}

void TEarthObjectSource::SetCount(int32_t n) {
  n = std::max(n, 0);
  while (count_ > n) {
    SetObjectData(count_ - 1, nullptr);
    --count_;
  }
  if (n >= Capacity()) SetCapacity(n + 255);
  count_ = n;
}

void TEarthObjectSource::SetCapacity(int32_t n) {
  n = std::max(n, 0);
  for (int32_t i = Capacity() - 1; i >= n; --i) {
    if (i < count_) SetObjectData(i, nullptr);
  }
  objects_.resize(static_cast<size_t>(n));
  count_ = std::min(count_, n);
}

TEarthObject* TEarthObjectSource::LoadObject(int32_t, bool) {
  return nullptr;
}

bool TEarthObjectSource::InternalOpen() {
  Notify(osnRedraw, nullptr);
  return true;
}

bool TEarthObjectSource::InternalClose() {
  Notify(osnRedraw, nullptr);
  return true;
}

void TEarthObjectSource::SetActive(bool b) {
  if (b == active_) return;
  active_ = b ? InternalOpen() : !InternalClose();
  globe_->Notify(gnObjectSourceActiveChange, this);
}

void TEarthObjectSource::Notify(TObjectSourceNotification kind, TEarthObject* object) {
  // A copy: a layer may unsubscribe while it is told.
  const std::vector<TEarthSourceObserver*> layers = layers_;
  for (TEarthSourceObserver* layer : layers) layer->SourceChanged(kind, object);
}

void TEarthObjectSource::Subscribe(TEarthSourceObserver* layer) {
  if (layer && std::find(layers_.begin(), layers_.end(), layer) == layers_.end()) {
    layers_.push_back(layer);
  }
}

void TEarthObjectSource::UnSubscribe(TEarthSourceObserver* layer) {
  const auto it = std::find(layers_.begin(), layers_.end(), layer);
  if (it == layers_.end()) return;
  layers_.erase(it);
  if (layers_.empty() && !destroying_) delete this;
}

void TEarthObjectSource::Open() {
  SetActive(true);
  modified_ = false;
}

void TEarthObjectSource::Close() {
  SetActive(false);
}

void TEarthObjectSource::Add(TEarthObject* object) {
  if (loading_ || !object) return;
  SetCount(count_ + 1);
  SetObjectData(count_ - 1, object);
  object->MRU = globe_->NextMRU();
  object->Index = count_ - 1;
  object->FixupReferences();
  object->State.Exclude(osValidMER);
  Notify(osnAdd, object);
  modified_ = true;
}

void TEarthObjectSource::Delete(TEarthObject* object) {
  if (!object || object->Index < 0 || object->Index >= count_) return;
  const int32_t index = object->Index;
  // Only the slot's own occupant is removed: a stale index must not take another object's slot.
  if (objects_[static_cast<size_t>(index)].get() != object) return;
  Notify(osnDelete, object);
  globe_->CacheUsedDelta(-object->ObjectInstanceSize());
  object->State = TEarthObjectStateSet{osDeleted};
  objects_[static_cast<size_t>(index)].release();  // the object stays with whoever deletes it
  objects_.erase(objects_.begin() + index);
  objects_.resize(objects_.size() + 1);
  --count_;
  for (int32_t i = index; i < count_; ++i) {
    if (auto& slot = objects_[static_cast<size_t>(i)]) slot->Index = i;
  }
  object->Index = -1;
  modified_ = true;
}

void TEarthObjectSource::Move(int32_t from, int32_t to) {
  CheckIndex(from, "Move: Invalid Index");
  CheckIndex(to, "Move: Invalid Index");
  auto moved = std::move(objects_[static_cast<size_t>(from)]);
  objects_.erase(objects_.begin() + from);
  objects_.insert(objects_.begin() + to, std::move(moved));
  for (int32_t i = 0; i < count_; ++i) {
    if (auto& slot = objects_[static_cast<size_t>(i)]) slot->Index = i;
  }
  Notify(osnRedraw, nullptr);
  modified_ = true;
}

int64_t TEarthObjectSource::UnloadObject(TEarthObject* object) {
  if (!object || object->Parent() != this || !object->State.Contains(osDiscardable)) return 0;
  const int32_t index = object->Index;
  // The record keeps the MER (the object's own, so valid), presenter and state: a selected
  // object the cache gives back stays selected.
  auto record = std::make_unique<TEarthObjectData>();
  record->Assign(object);
  record->State.Exclude(osDiscardable);
  record->State.Include(osValidMER);
  record->Index = index;
  const int64_t freed = object->ObjectInstanceSize() - record->ObjectInstanceSize();
  SetObjectData(index, record.release());
  return freed;
}

void TEarthObjectSource::UnloadObjects() {
  for (int32_t i = 0; i < count_; ++i) {
    const auto& slot = objects_[static_cast<size_t>(i)];
    TEarthObject* object = slot ? slot->AsEarthObject() : nullptr;
    if (const int64_t freed = UnloadObject(object)) globe_->CacheUsedDelta(-freed);
  }
}

void TEarthObjectSource::ReleaseSlots() {
  // What unloading each object would give back, told once; each slot is visited once, as its
  // occupant goes.
  int64_t freed = 0;
  for (; count_ > 0; --count_) {
    // A large file's objects are mostly out of the processor's caches by now, and each waits
    // for memory as it goes: the object a few slots on (and its chains, which a reader puts
    // just after it) is fetched meanwhile.
    constexpr int32_t kAhead = 8;
    if (count_ > kAhead) {
      if (const auto* ahead = reinterpret_cast<const char*>(
              objects_[static_cast<size_t>(count_ - 1 - kAhead)].get())) {
        for (int line = 0; line < 8; ++line) __builtin_prefetch(ahead + line * 64);
      }
    }
    const auto& slot = objects_[static_cast<size_t>(count_ - 1)];
    const TEarthObject* object = slot ? slot->AsEarthObject() : nullptr;
    if (object && object->Parent() == this && object->State.Contains(osDiscardable)) {
      freed += object->ObjectInstanceSize() - int64_t{sizeof(TEarthObjectData)};
    }
    SetObjectData(count_ - 1, nullptr);
  }
  if (freed != 0) globe_->CacheUsedDelta(-freed);
}

void TEarthObjectSource::ListActiveObjects(std::vector<TEarthObject*>& list) const {
  for (int32_t i = 0; i < count_; ++i) {
    const auto& slot = objects_[static_cast<size_t>(i)];
    TEarthObject* object = slot ? slot->AsEarthObject() : nullptr;
    if (object && object->State.Contains(osDiscardable)) list.push_back(object);
  }
}

int64_t TEarthObjectSource::ObjectInstanceSize() const {
  int64_t size = 0;
  for (int32_t i = 0; i < count_; ++i) {
    if (const auto& slot = objects_[static_cast<size_t>(i)]) size += slot->ObjectInstanceSize();
  }
  return size;
}

std::unique_ptr<TEarthXML_Element> TEarthObjectSource::SaveEnvironment() {
  auto element = std::make_unique<TEarthXML_Element>();
  element->AddAttribute("Class", ClassName());
  return element;
}

// ---- ".md" cache --------------------------------------------------------------------------------

namespace {

int64_t BytesLeft(TEarthStreamReader& reader) {
  return reader.Stream().Size() - reader.Stream().Position();
}

}  // namespace

void TEarthObjectSource::WriteMetaData(TEarthStreamWriter& writer) {
  giFileVersion = 0x0405;
  writer.WriteInteger(presenters_->GetCount());
  for (int32_t i = 0; i < presenters_->GetCount(); ++i) {
    TEarthPresenter* p = presenters_->GetPresenter(i);
    writer.WriteShortString(p->ClassName());
    p->WriteProperties(writer);
  }
  writer.WriteInteger(count_);
  for (int32_t i = 0; i < count_; ++i) {
    writer.WriteMER(GetMER(i));
    writer.WriteInteger(GetPresenterID(i));
    writer.WriteBoolean(GetState(i).Contains(osClosed));
  }
}

void TEarthObjectSource::ReadMetaData(TEarthStreamReader& reader) {
  giFileVersion = 0x0405;
  const int32_t presenters = reader.ReadInteger();
  // A presenter record takes more than one byte, so a count beyond the bytes left is a lie.
  if (presenters < 0 || presenters > BytesLeft(reader)) {
    throw EEarthException("Metadata: bad presenter count");
  }
  for (int32_t i = 0; i < presenters; ++i) {
    const std::string className = reader.ReadShortString();
    std::unique_ptr<TEarthPresenter> p = CreatePresenter(className, globe_);
    if (!p) throw EEarthException("Metadata: unknown presenter class " + className);
    p->ReadProperties(reader);
    presenters_->Add(p);  // a presenter refused for a taken ID is freed here
  }
  const int32_t count = reader.ReadInteger();
  if (count < 0 || count > BytesLeft(reader) / MetaDataSlotSize) {
    throw EEarthException("Metadata: bad object count");
  }
  SetCount(count);
  for (int32_t i = 0; i < count; ++i) {
    TEarthObjectData* data = GetObjectData(i);
    data->ObjectMER = reader.ReadMER();
    data->State = TEarthObjectStateSet{osValidMER};
    data->SetPresenterID(reader.ReadInteger());
    if (reader.ReadBoolean()) data->State.Include(osClosed);
  }
}

std::string TEarthObjectSource::MetaDataFilename(const std::string& dataFile) {
  std::string name = rtl::Trim(dataFile);
  if (name.empty()) return {};
  name += ".md";
  switch (globe_->SaveMetaDataLocation) {
    case smdInDataDirectory: {
      std::string dir = rtl::Trim(globe_->DataDirectory);
      if (!dir.empty() && dir.back() != '/') dir += '/';
      return dir + rtl::ExtractFileName(name);
    }
    case smdWithDataFile:
      return name;
    case smdWithExeFile:
      return rtl::ProgramDirectory() + rtl::ExtractFileName(name);
    case smdDiscard:
      break;
  }
  return {};
}

// ---- File reader --------------------------------------------------------------------------------

void TEarthFileReader::SetFileName(const std::string& name) {
  FileName = Globe()->ResolveFilename(name);
}

bool TEarthFileReader::MapDataFile(rtl::TStream& stream) {
  Globe()->ProgressMessage(pmStart, "Mapping");
  const int64_t size = stream.Size();
  stream.SetPosition(0);
  SetCount(0);
  const bool ok = MapDataHeader(stream);
  if (ok) {
    while (MapDataObject(stream, GetCount())) {
      SetCount(GetCount() + 1);
      if (!MapDataRecord(GetCount() - 1)) GetObject(GetCount() - 1);
      if (GetCount() % 256 == 0) {
        const int64_t percent = size > 0 ? EarthMulDiv(stream.Position(), 100, size) : 100;
        Globe()->ProgressMessage(pmPercent, std::to_string(percent));
      }
    }
  }
  Globe()->ProgressMessage(pmEnd, "Finished");
  return ok;
}

bool TEarthFileReader::ReadMetaDataFile(const std::string& dataFile) {
  const std::string name = MetaDataFilename(dataFile);
  if (name.empty() || !rtl::FileExists(name)) return false;
  try {
    TEarthStreamReader reader(std::make_unique<rtl::TBufferedStream>(
        std::make_unique<rtl::TFileStream>(name, rtl::fmOpenRead)));
    ReadMetaData(reader);
    // Whatever the readers wrote must be all there is.
    if (BytesLeft(reader) != 0) throw EEarthException("Metadata: trailing bytes");
    return true;
  } catch (const std::exception&) {
    // A cache that does not hold together is no cache: forget it, the data is mapped again.
    SetCount(0);
    Presenters()->Clear();
    return false;
  }
}

void TEarthFileReader::WriteMetaDataFile(const std::string& dataFile) {
  const std::string name = MetaDataFilename(dataFile);
  if (name.empty()) return;
  auto file = std::make_unique<rtl::TMemoryStream>();
  rtl::TMemoryStream& out = *file;
  TEarthStreamWriter writer(std::move(file));
  WriteMetaData(writer);
  out.SaveToFile(name);  // replaced whole: a cache cut short by a full disk is never left
}

void TEarthFileReader::LoadMetaData() {
  metaDataCurrent_ = ReadMetaDataFile(FileName);
}

void TEarthFileReader::SaveMetaData() {
  const std::string name = MetaDataFilename(FileName);
  if (name.empty() || (metaDataCurrent_ && rtl::FileExists(name))) return;
  try {
    WriteMetaDataFile(FileName);
    metaDataCurrent_ = true;
  } catch (const std::exception&) {
  }
}

void TEarthFileReader::LoadEnvironment(TEarthXML_Element* element) {
  if (!element) return;
  SetFileName(element->AttributeByName("Filename", FileName));
  TEarthObjectSource::LoadEnvironment(element);
}

std::unique_ptr<TEarthXML_Element> TEarthFileReader::SaveEnvironment() {
  auto element = TEarthObjectSource::SaveEnvironment();
  element->AddAttribute("Filename", FileName);
  return element;
}

void RegisterObjectSources() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterEarthClass<TEarthObjectSource>(
        "TEarthObjectSource",
        [](TCustomEarthMap* g) -> rtl::TObject* { return new TEarthObjectSource(g); });
  });
}
