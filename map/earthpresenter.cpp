// Presenter base (identity, title style, stream record, XML) and the presenter store.
#include "map/earthpresenter.h"

#include <algorithm>
#include <limits>

#include "map/earthcanvas.h"
#include "map/earthcustommap.h"
#include "map/earthsettings.h"
#include "platform/rtl/sysutils.h"

TTitleAlignment TitleAlignmentOf(int value) {
  return value >= 0 && value < TitleAlignmentCount ? static_cast<TTitleAlignment>(value) : taNone;
}

// ---- Presenter ----------------------------------------------------------------------------------

TEarthPresenter::TEarthPresenter(TCustomEarthMap* globe, int32_t id) : globe_(globe) {
  if (!globe_) throw EEarthException("TEarthPresenter.Create passed nil Globe");
  PresenterID = id;
  titleFont_ = std::make_unique<TEarthFont>();
  titleFont_->Assign(globe_->EarthCanvas()->TextFont());
}

TEarthPresenter::~TEarthPresenter() = default;

void TEarthPresenter::WriteProperties(TEarthStreamWriter& writer) {
  writer.WriteInteger(PresenterID);
  writer.WriteInteger(TitleOffset);
  writer.WriteShortString(Name);
  writer.WriteShortInt(static_cast<int8_t>(TitleAlignment));
  titleFont_->WriteProperties(writer);
}

void TEarthPresenter::ReadProperties(TEarthStreamReader& reader) {
  PresenterID = reader.ReadInteger();
  if (giFileVersion >= 0x0400) {
    TitleOffset = reader.ReadInteger();
  } else if (giFileVersion >= 0x0301) {
    TitleOffset = reader.ReadShortInt();
  }
  Name = reader.ReadShortString();
  TitleAlignment = TitleAlignmentOf(static_cast<uint8_t>(reader.ReadShortInt()));
  titleFont_->ReadProperties(reader);
}

std::unique_ptr<TEarthPresenter> TEarthPresenter::Clone(TCustomEarthMap* globe) const {
  std::unique_ptr<TEarthPresenter> copy(NewInstance(globe, PresenterID));
  copy->Assign(this);
  return copy;
}

bool TEarthPresenter::LLInObject(TCustomEarthMap*, const TPointLL& point, int32_t tolerance,
                                 TEarthObject* object) {
  return object && object->LLInObject(point, tolerance);
}

void TEarthPresenter::Assign(const rtl::TPersistent* source) {
  const auto* other = dynamic_cast<const TEarthPresenter*>(source);
  if (!other) {
    TEarthENVPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  PresenterID = other->PresenterID;
  TitleAlignment = other->TitleAlignment;
  TitleOffset = other->TitleOffset;
  titleFont_->Assign(other->titleFont_.get());
  Name = other->Name;
  Hidden = other->Hidden;
}

void TEarthPresenter::LoadEnvironment(TEarthXML_Element* element) {
  if (!element) return;
  Name = element->AttributeByName("Name", Name);
  PresenterID = SettingInt(element, "PresenterID", PresenterID);
  TitleAlignment = TitleAlignmentOf(SettingInt(element, "Alignment", TitleAlignment));
  TitleOffset = SettingInt(element, "Offset", TitleOffset);
  Hidden = element->BoolAttributeByName("Hidden", Hidden);
  titleFont_->LoadEnvironment(element->ElementByName("TitleFont", 0));
}

std::unique_ptr<TEarthXML_Element> TEarthPresenter::SaveEnvironment() {
  auto element = std::make_unique<TEarthXML_Element>();
  element->AddAttribute("Class", ClassName());
  element->AddAttribute("Name", Name);
  element->AddIntAttribute("PresenterID", PresenterID);
  element->AddIntAttribute("Alignment", TitleAlignment);
  element->AddIntAttribute("Offset", TitleOffset);
  element->AddBoolAttribute("Hidden", Hidden);
  element->AddElement("TitleFont", titleFont_->SaveEnvironment());
  return element;
}

std::unique_ptr<TEarthPresenter> CreatePresenter(const std::string& className,
                                                 TCustomEarthMap* globe) {
  rtl::TClass c = rtl::GetClass(className);
  if (!c || !c->InheritsFrom<TEarthPresenter>()) return nullptr;
  return std::unique_ptr<TEarthPresenter>(c->Create<TEarthPresenter>(globe, int32_t{0}));
}

// ---- Presenter store ----------------------------------------------------------------------------

TEarthPresenterStore::TEarthPresenterStore(TCustomEarthMap* globe) : globe_(globe) {
  if (!globe_) throw EEarthException("TEarthPresenterStore.Create passed nil Parent");
}

TEarthPresenterStore::~TEarthPresenterStore() {
  Clear();
}

TEarthPresenter* TEarthPresenterStore::GetPresenter(int32_t i) const {
  if (i < 0 || i >= GetCount()) {
    throw EEarthException(rtl::Format("TEarthPresenterStore: Bad presenter index %d", i));
  }
  return presenters_[static_cast<size_t>(i)].get();
}

int32_t TEarthPresenterStore::Add(std::unique_ptr<TEarthPresenter>& presenter) {
  if (!presenter) return 0;
  if (presenter->PresenterID == 0) {
    int32_t largest = 0;
    for (const auto& p : presenters_) largest = std::max(largest, p->PresenterID);
    int32_t id = largest;
    // After the largest ID there may be no next one (a file can name any): then the smallest
    // that is free, which a store of n presenters finds among 1 .. n + 1.
    if (largest == std::numeric_limits<int32_t>::max()) {
      id = 0;
      while (ByID(id + 1, false)) ++id;
    }
    presenter->PresenterID = id + 1;
  } else if (ByID(presenter->PresenterID, false)) {
    return presenter->PresenterID;
  }
  const int32_t id = presenter->PresenterID;
  presenters_.push_back(std::move(presenter));
  modified_ = true;
  return id;
}

TEarthPresenter* TEarthPresenterStore::ByID(int32_t id, bool alsoGlobal) const {
  for (const auto& p : presenters_) {
    if (p->PresenterID == id) return p.get();
  }
  if (alsoGlobal) {
    TEarthPresenterStore* global = globe_->GlobalPresenters();
    if (global && global != this) return global->ByID(id, false);
  }
  return nullptr;
}

std::unique_ptr<TEarthPresenter> TEarthPresenterStore::Delete(TEarthPresenter* presenter) {
  const auto it = std::find_if(presenters_.begin(), presenters_.end(),
                               [presenter](const auto& p) { return p.get() == presenter; });
  if (it == presenters_.end()) return nullptr;
  std::unique_ptr<TEarthPresenter> taken = std::move(*it);
  presenters_.erase(it);
  modified_ = true;
  return taken;
}

void TEarthPresenterStore::Clear() {
  while (!presenters_.empty()) presenters_.pop_back();
  modified_ = false;
}

void TEarthPresenterStore::Assign(const rtl::TPersistent* source) {
  if (const auto* other = dynamic_cast<const TEarthPresenterStore*>(source)) {
    if (other == this) return;
    Clear();
    for (const auto& p : other->presenters_) {
      auto copy = p->Clone(globe_);
      Add(copy);
    }
    return;
  }
  if (const auto* presenter = dynamic_cast<const TEarthPresenter*>(source)) {
    auto copy = presenter->Clone(globe_);
    Add(copy);
    return;
  }
  TEarthENVPersistent::Assign(source);
}

void TEarthPresenterStore::LoadEnvironment(TEarthXML_Element* element) {
  Clear();
  if (!element) return;
  for (int n = 0;; ++n) {
    TEarthXML_Element* child = element->ElementByName("Presenter", n);
    if (!child) break;
    std::unique_ptr<TEarthPresenter> p =
        CreatePresenter(child->AttributeByName("Class", ""), globe_);
    if (!p) continue;  // a class this program does not know draws nothing
    p->LoadEnvironment(child);
    Add(p);
  }
}

std::unique_ptr<TEarthXML_Element> TEarthPresenterStore::SaveEnvironment() {
  auto element = std::make_unique<TEarthXML_Element>();
  for (const auto& p : presenters_) element->AddElement("Presenter", p->SaveEnvironment());
  return element;
}
