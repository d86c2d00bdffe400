#include "platform/db/dataset.h"

#include <algorithm>

#include "platform/db/dberrors.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/sysutils.h"

namespace db {

namespace {

const Value kNull{};

int64_t ToInteger(const Value& v) {
  if (auto* i = std::get_if<int64_t>(&v)) return *i;
  if (auto* d = std::get_if<double>(&v)) return rtl::Round(*d);
  if (auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
  if (auto* s = std::get_if<std::string>(&v)) return rtl::StrToInt64(*s);
  return 0;
}

double ToFloat(const Value& v) {
  if (auto* d = std::get_if<double>(&v)) return *d;
  if (auto* i = std::get_if<int64_t>(&v)) return static_cast<double>(*i);
  if (auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
  if (auto* s = std::get_if<std::string>(&v)) return static_cast<double>(rtl::StrToFloat(*s));
  return 0;
}

std::string ToText(const Value& v) {
  if (auto* s = std::get_if<std::string>(&v)) return *s;
  if (auto* i = std::get_if<int64_t>(&v)) return rtl::IntToStr(*i);
  if (auto* d = std::get_if<double>(&v)) return rtl::FloatToStr(*d);
  if (auto* b = std::get_if<bool>(&v)) return *b ? "True" : "False";
  return "";
}

bool ToBoolean(const Value& v) {
  if (auto* b = std::get_if<bool>(&v)) return *b;
  if (auto* s = std::get_if<std::string>(&v)) {
    if (rtl::SameText(*s, "True") || rtl::SameText(*s, "T") || rtl::SameText(*s, "Y")) return true;
    if (rtl::SameText(*s, "False") || rtl::SameText(*s, "F") || rtl::SameText(*s, "N") || s->empty())
      return false;
    throw rtl::EConvertError("'" + *s + "' is not a valid boolean value");
  }
  return ToFloat(v) != 0;
}

}  // namespace

// ---- TField

TField::TField(TDataSet* dataSet, int index, const TFieldDef& def)
    : rtl::TComponent(nullptr),
      fDataSet(dataSet),
      fIndex(index),
      fName(def.Name),
      fDataType(def.DataType),
      fSize(def.Size),
      fReadOnly(def.DataType == ftAutoInc) {}

const Value& TField::AsValue() const { return fDataSet->CurrentValue(fIndex); }
bool TField::IsNull() const { return db::IsNull(AsValue()); }
int TField::AsInteger() const { return static_cast<int>(ToInteger(AsValue())); }
double TField::AsFloat() const { return ToFloat(AsValue()); }
bool TField::AsBoolean() const { return ToBoolean(AsValue()); }
std::string TField::AsString() const { return TextOf(AsValue()); }

std::string TField::TextOf(const Value& v) const {
  if (const auto* d = std::get_if<double>(&v)) {
    if (fDataType == ftDate) return rtl::DateToStr(*d);
    if (fDataType == ftTime) return rtl::TimeToStr(*d);
    if (fDataType == ftDateTime) return rtl::DateTimeToStr(*d);
  }
  return ToText(v);
}

void TField::SetAsFloat(double value) { SetValue(value); }
void TField::SetAsString(const std::string& value) {
  // An empty text clears a field that is not text.
  if (value.empty() && fDataType != ftString)
    SetValue(Value{});
  else
    SetValue(value);
}

void TField::SetValue(const Value& value) {
  if (fDataSet->fState != dsEdit && fDataSet->fState != dsInsert)
    throw EDatabaseError("Dataset not in edit or insert mode");
  if (fReadOnly) throw EDatabaseError("Field '" + fName + "' cannot be modified");
  Value stored;
  if (!db::IsNull(value)) {
    if (IsIntegerType(fDataType))
      stored = ToInteger(value);
    else if (IsFloatType(fDataType))
      stored = ToFloat(value);
    else if (fDataType == ftBoolean)
      stored = ToBoolean(value);
    else
      stored = ToText(value);
  }
  fDataSet->fBuffer[static_cast<size_t>(fIndex)] = std::move(stored);
  fDataSet->FieldChanged(this);
}

// ---- TDataLink

TDataLink::~TDataLink() { SetDataSource(nullptr); }

void TDataLink::SetDataSource(TDataSource* value) {
  if (value == fDataSource) return;
  if (fDataSource) std::erase(fDataSource->fLinks, this);
  fDataSource = value;
  if (fDataSource) fDataSource->fLinks.push_back(this);
  ActiveChanged();
}

TDataSet* TDataLink::DataSet() const { return fDataSource ? fDataSource->DataSet() : nullptr; }
bool TDataLink::Active() const { return DataSet() && DataSet()->Active(); }

// ---- TDataSource

TDataSource::~TDataSource() {
  SetDataSet(nullptr);
  for (TDataLink* link : std::vector<TDataLink*>(fLinks)) link->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TDataSet* value) {
  if (value == fDataSet) return;
  if (fDataSet) std::erase(fDataSet->fDataSources, this);
  fDataSet = value;
  if (fDataSet) fDataSet->fDataSources.push_back(this);
  DataEvent(deUpdateState, nullptr);
}

void TDataSource::SetEnabled(bool value) {
  if (value == fEnabled) return;
  fEnabled = value;
  NotifyLinks(&TDataLink::ActiveChanged);
}

TDataSetState TDataSource::State() const {
  return fDataSet && fEnabled ? fDataSet->State() : dsInactive;
}

void TDataSource::NotifyLinks(void (TDataLink::*what)()) {
  for (TDataLink* link : std::vector<TDataLink*>(fLinks)) (link->*what)();
}

void TDataSource::DataEvent(TDataEvent event, TField* field) {
  if (!fEnabled) return;
  switch (event) {
    case deUpdateState:
      if (OnStateChange) OnStateChange(this);
      NotifyLinks(&TDataLink::ActiveChanged);
      NotifyLinks(&TDataLink::EditingChanged);
      break;
    case deFieldChange:
      for (TDataLink* link : std::vector<TDataLink*>(fLinks)) link->RecordChanged(field);
      if (OnDataChange) OnDataChange(this, field);
      break;
    case deUpdateRecord:
      NotifyLinks(&TDataLink::UpdateData);
      break;
    case deDataSetScroll:
      NotifyLinks(&TDataLink::DataSetScrolled);
      if (OnDataChange) OnDataChange(this, nullptr);
      break;
    default:
      NotifyLinks(&TDataLink::DataSetChanged);
      if (OnDataChange) OnDataChange(this, nullptr);
      break;
  }
}

// ---- TDataSet

TDataSet::TDataSet(rtl::TComponent* AOwner) : rtl::TComponent(AOwner) {}

TDataSet::~TDataSet() {
  for (TDataSource* source : std::vector<TDataSource*>(fDataSources)) source->SetDataSet(nullptr);
}

void TDataSet::CheckActive() const {
  if (fState == dsInactive) throw EDatabaseError(Name() + ": Cannot perform this operation on a closed dataset");
}

void TDataSet::CheckInactive() const {
  if (fState != dsInactive) throw EDatabaseError(Name() + ": Cannot perform this operation on an open dataset");
}

void TDataSet::SetState(TDataSetState state) {
  if (state == fState) return;
  fState = state;
  DataEvent(deUpdateState);
}

void TDataSet::SetActive(bool value) {
  if (value == Active()) return;
  if (value) {
    fFieldDefs.Clear();
    InternalOpen();
    fFields.clear();
    for (int i = 0; i < fFieldDefs.Count(); ++i)
      fFields.push_back(std::make_unique<TField>(this, i, fFieldDefs.Items(i)));
    fState = dsBrowse;
    First();
    DataEvent(deUpdateState);
    if (AfterOpen) AfterOpen(this);
  } else {
    if (BeforeClose) BeforeClose(this);
    fState = dsInactive;  // edits in progress are dropped
    fModified = false;
    InternalClose();
    fFields.clear();
    fBuffer.clear();
    fCurrent = -1;
    fEof = fBof = true;
    DataEvent(deUpdateState);
  }
}

TField* TDataSet::Fields(int index) const {
  if (index < 0 || index >= FieldCount()) throw EDatabaseError("Field index out of range");
  return fFields[static_cast<size_t>(index)].get();
}

TField* TDataSet::FindField(const std::string& name) const {
  for (const auto& f : fFields)
    if (rtl::SameText(f->FieldName(), name)) return f.get();
  return nullptr;
}

TField* TDataSet::FieldByName(const std::string& name) const {
  TField* f = FindField(name);
  if (!f) throw EDatabaseError(Name() + ": Field '" + name + "' not found");
  return f;
}

const Value& TDataSet::CurrentValue(int index) const {
  if (static_cast<size_t>(index) >= fBuffer.size()) return kNull;
  return fBuffer[static_cast<size_t>(index)];
}

void TDataSet::LoadCurrent() {
  if (fCurrent < 0)
    fBuffer.assign(fFields.size(), Value{});
  else
    fBuffer = InternalRead(fCurrent);
}

void TDataSet::MoveTo(int index) {
  fCurrent = index;
  LoadCurrent();
  DataEvent(deDataSetScroll);
  if (AfterScroll) AfterScroll(this);
}

void TDataSet::First() {
  CheckActive();
  CheckBrowseMode();
  InternalResync();
  if (InternalRecordCount() == 0) {
    fCurrent = -1;
    LoadCurrent();
    fEof = true;
    DataEvent(deDataSetChange);
  } else {
    fEof = false;
    fBof = true;
    MoveTo(0);
  }
  fBof = true;
}

void TDataSet::Last() {
  CheckActive();
  CheckBrowseMode();
  InternalResync();
  const int count = InternalRecordCount();
  if (count == 0) {
    First();
    return;
  }
  fBof = false;
  fEof = true;
  MoveTo(count - 1);
}

void TDataSet::Next() {
  CheckActive();
  CheckBrowseMode();
  if (fCurrent + 1 < InternalRecordCount()) {
    fBof = false;
    MoveTo(fCurrent + 1);
  } else if (!fEof) {
    fEof = true;
    DataEvent(deDataSetScroll);  // navigators disable their forward buttons now
  }
}

void TDataSet::Prior() {
  CheckActive();
  CheckBrowseMode();
  if (fCurrent > 0) {
    fEof = false;
    MoveTo(fCurrent - 1);
  } else if (!fBof) {
    fBof = true;
    DataEvent(deDataSetScroll);
  }
}

int TDataSet::MoveBy(int distance) {
  CheckActive();
  CheckBrowseMode();
  const int count = InternalRecordCount();
  if (count == 0) {
    fEof = fBof = true;
    return 0;
  }
  const int target = std::clamp(fCurrent + distance, 0, count - 1);
  const int moved = target - fCurrent;
  const bool wasEof = fEof, wasBof = fBof;
  // As Next and Prior: running into an end sets its flag, leaving the other end clears it. The
  // flags are right before the scroll is announced.
  if (distance > 0) {
    if (moved != 0) fBof = false;
    fEof = moved < distance;
  } else if (distance < 0) {
    if (moved != 0) fEof = false;
    fBof = moved > distance;
  }
  const bool ends = fEof != wasEof || fBof != wasBof;
  if (moved != 0)
    MoveTo(target);
  else if (ends)
    DataEvent(deDataSetScroll);
  return moved;
}

int TDataSet::RecNo() const { return fCurrent + 1; }

void TDataSet::SetRecNo(int value) {
  CheckActive();
  if (value != RecNo()) MoveBy(value - RecNo());
}

void TDataSet::Refresh() {
  CheckActive();
  CheckBrowseMode();
  InternalResync();
  const int count = InternalRecordCount();
  fCurrent = std::min(std::max(fCurrent, count > 0 ? 0 : -1), count - 1);
  LoadCurrent();
  if (count == 0) fEof = fBof = true;
  DataEvent(deDataSetChange);
}

Record TDataSet::RecordAt(int index) {
  CheckActive();
  return InternalRead(index);
}

int TDataSet::RecordCount() {
  CheckActive();
  return InternalRecordCount();
}

bool TDataSet::IsEmpty() { return RecordCount() == 0; }

void TDataSet::Append() {
  CheckActive();
  CheckBrowseMode();
  if (!CanModify()) throw EDatabaseError(Name() + ": Cannot modify a read-only dataset");
  fSaved = fBuffer;
  fBuffer.assign(fFields.size(), Value{});
  fModified = false;
  SetState(dsInsert);
  DataEvent(deDataSetChange);
}

void TDataSet::Edit() {
  if (fState == dsEdit || fState == dsInsert) return;
  CheckActive();
  if (!CanModify()) throw EDatabaseError(Name() + ": Cannot modify a read-only dataset");
  if (fCurrent < 0) {
    Append();
    return;
  }
  fBuffer = InternalRead(fCurrent);  // the record as it is in the file now
  fSaved = fBuffer;
  fModified = false;
  SetState(dsEdit);
}

void TDataSet::Post() {
  if (fState != dsEdit && fState != dsInsert)
    throw EDatabaseError(Name() + ": Dataset not in edit or insert mode");
  DataEvent(deUpdateRecord);
  if (fState == dsInsert) {
    Record record = fBuffer;
    fCurrent = InternalAppend(record);
    fBuffer = std::move(record);
    fEof = fBof = false;
  } else {
    InternalUpdate(fCurrent, fBuffer);
  }
  fModified = false;
  SetState(dsBrowse);
  DataEvent(deDataSetChange);
  if (AfterPost) AfterPost(this);
}

void TDataSet::Cancel() {
  if (fState != dsEdit && fState != dsInsert) return;
  fBuffer = fSaved;
  fModified = false;
  SetState(dsBrowse);
  DataEvent(deDataSetChange);
}

void TDataSet::CheckBrowseMode() {
  if (fState != dsEdit && fState != dsInsert) return;
  if (fModified)
    Post();
  else
    Cancel();
}

void TDataSet::Delete() {
  CheckActive();
  if (fState == dsInsert) {
    Cancel();
    return;
  }
  Cancel();
  if (fCurrent < 0) throw EDatabaseError(Name() + ": Cannot perform this operation on an empty dataset");
  if (!CanModify()) throw EDatabaseError(Name() + ": Cannot modify a read-only dataset");
  InternalDelete(fCurrent);
  const int count = InternalRecordCount();
  fCurrent = std::min(fCurrent, count - 1);
  LoadCurrent();
  fEof = fBof = count == 0;
  DataEvent(deDataSetChange);
}

int TDataSet::InternalAppend(Record&) {
  throw EDatabaseError(Name() + ": Cannot modify a read-only dataset");
}
void TDataSet::InternalUpdate(int, const Record&) {
  throw EDatabaseError(Name() + ": Cannot modify a read-only dataset");
}
void TDataSet::InternalDelete(int) {
  throw EDatabaseError(Name() + ": Cannot modify a read-only dataset");
}

void TDataSet::FieldChanged(TField* field) {
  fModified = true;
  DataEvent(deFieldChange, field);
}

void TDataSet::DataEvent(TDataEvent event, TField* field) {
  for (TDataSource* source : std::vector<TDataSource*>(fDataSources)) source->DataEvent(event, field);
}

}  // namespace db
