#pragma once
// Data sets: a cursor over records with fields, browse/edit/insert states and the links through
// which data sources and data-aware controls hear of changes. TTable and TQuery supply the
// records.
#include <memory>
#include <string>
#include <vector>

#include "platform/db/fielddefs.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/events.h"

namespace db {

class TDataSet;
class TDataSource;

enum TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

enum TDataEvent {
  deFieldChange,
  deRecordChange,
  deDataSetChange,
  deDataSetScroll,
  deUpdateState,
  deUpdateRecord,  // before a post: controls put what is being typed into the fields
};

// One column of the current record. Null reads as 0, false or "". Created when its data set opens
// and freed when it closes (controls that keep one ask for FreeNotification).
class TField : public rtl::TComponent {
 public:
  TField(TDataSet* dataSet, int index, const TFieldDef& def);

  TDataSet* DataSet() const { return fDataSet; }
  const std::string& FieldName() const { return fName; }
  TFieldType DataType() const { return fDataType; }
  int Size() const { return fSize; }
  int Index() const { return fIndex; }
  bool ReadOnly() const { return fReadOnly; }
  void SetReadOnly(bool value) { fReadOnly = value; }

  bool IsNull() const;
  const Value& AsValue() const;
  int AsInteger() const;
  double AsFloat() const;
  double AsDateTime() const { return AsFloat(); }
  bool AsBoolean() const;
  std::string AsString() const;
  // A value of this field (of any record) as AsString would show it.
  std::string TextOf(const Value& value) const;

  void SetAsInteger(int value) { SetValue(int64_t{value}); }
  void SetAsFloat(double value);
  void SetAsDateTime(double value) { SetValue(value); }
  void SetAsBoolean(bool value) { SetValue(value); }
  void SetAsString(const std::string& value);
  void Clear() { SetValue(Value{}); }
  // Stores a value converted to the field's type (integers rounded half to even).
  void SetValue(const Value& value);

 private:
  TDataSet* fDataSet;
  int fIndex;
  std::string fName;
  TFieldType fDataType;
  int fSize;
  bool fReadOnly;
};

// A link from a data source to whoever shows or follows its data set (grids, navigators).
class TDataLink {
 public:
  TDataLink() = default;
  virtual ~TDataLink();
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* DataSource() const { return fDataSource; }
  void SetDataSource(TDataSource* value);
  TDataSet* DataSet() const;
  bool Active() const;

 protected:
  friend class TDataSource;
  virtual void ActiveChanged() {}
  virtual void EditingChanged() {}
  virtual void DataSetChanged() {}
  virtual void DataSetScrolled() {}
  virtual void RecordChanged(TField*) {}
  virtual void UpdateData() {}

 private:
  TDataSource* fDataSource = nullptr;
};

class TDataSet : public rtl::TComponent {
 public:
  explicit TDataSet(rtl::TComponent* AOwner);
  ~TDataSet() override;

  bool Active() const { return fState != dsInactive; }
  void SetActive(bool value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return fState; }

  TFieldDefs& FieldDefs() { return fFieldDefs; }
  int FieldCount() const { return static_cast<int>(fFields.size()); }
  TField* Fields(int index) const;
  TField* FindField(const std::string& name) const;  // without regard to case
  TField* FieldByName(const std::string& name) const;  // raises when missing

  void First();
  void Last();
  void Next();
  void Prior();
  bool Eof() const { return fEof; }
  bool Bof() const { return fBof; }
  // Moves by distance records (posting an edit first); returns how far it went.
  int MoveBy(int distance);
  int RecNo() const;  // 1-based; 0 when empty
  void SetRecNo(int value);
  int RecordCount();
  bool IsEmpty();

  void Append();
  void Insert() { Append(); }  // new records go to the end of the table
  void Edit();
  void Post();
  void Cancel();
  void Delete();
  void CheckBrowseMode();
  // Rereads the records (catching up with other writers) and stays on the same position.
  void Refresh();
  // The stored values of record index (0-based) without moving to it; what a grid shows.
  Record RecordAt(int index);
  bool Modified() const { return fModified; }
  virtual bool CanModify() const { return false; }

  rtl::TNotifyEvent AfterOpen, BeforeClose, AfterPost, AfterScroll;

 protected:
  // What a concrete data set supplies.
  virtual void InternalOpen() = 0;  // fills fFieldDefs
  virtual void InternalClose() = 0;
  virtual void InternalResync() {}  // before First and Last: catch up with other writers
  virtual int InternalRecordCount() = 0;
  virtual Record InternalRead(int index) = 0;
  virtual int InternalAppend(Record& record);  // returns the new record's index
  virtual void InternalUpdate(int index, const Record& record);
  virtual void InternalDelete(int index);
  void CheckInactive() const;
  void CheckActive() const;

 private:
  friend class TField;
  friend class TDataSource;
  void SetState(TDataSetState state);
  void LoadCurrent();
  void MoveTo(int index);
  void DataEvent(TDataEvent event, TField* field = nullptr);
  void FieldChanged(TField* field);
  const Value& CurrentValue(int index) const;

  TDataSetState fState = dsInactive;
  TFieldDefs fFieldDefs;
  std::vector<std::unique_ptr<TField>> fFields;
  Record fBuffer;     // the current record, edited in place during edit and insert
  Record fSaved;      // the record before edit, for Cancel
  int fCurrent = -1;  // index of the current record, -1 when empty
  bool fEof = true, fBof = true;
  bool fModified = false;
  std::vector<TDataSource*> fDataSources;
};

class TDataSource : public rtl::TComponent {
 public:
  explicit TDataSource(rtl::TComponent* AOwner) : rtl::TComponent(AOwner) {}
  ~TDataSource() override;

  TDataSet* DataSet() const { return fDataSet; }
  void SetDataSet(TDataSet* value);
  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool value);
  TDataSetState State() const;

  rtl::TNotifyEvent OnStateChange;
  rtl::Event<void(rtl::TObject* Sender, TField* Field)> OnDataChange;

 private:
  friend class TDataSet;
  friend class TDataLink;
  void DataEvent(TDataEvent event, TField* field);
  void NotifyLinks(void (TDataLink::*what)());

  TDataSet* fDataSet = nullptr;
  bool fEnabled = true;
  std::vector<TDataLink*> fLinks;
};

}  // namespace db
