#pragma once
// Object sources: the slots of a map's objects (loaded objects or light records), loading on
// demand, the layers subscribed to them, and the ".md" cache of what a reader learnt about its
// data file. The file reader maps a data file once; the file writer writes a layer out.
#include <memory>
#include <string>
#include <vector>

#include "map/earthobject.h"

class TCustomEarthMap;
class TEarthLayer;

// What an object source tells the layers subscribed to it; the layer implements it, so that the
// source needs nothing of the layer.
class TEarthSourceObserver {
 public:
  // The source's objects changed (opened, closed, added, deleted, redrawn, selected...).
  virtual void SourceChanged(TObjectSourceNotification kind, TEarthObject* object) = 0;
  // The source goes: the observer holds it no longer.
  virtual void SourceFreed() = 0;
  // The layer that observes.
  virtual TEarthLayer* ObservingLayer() = 0;

 protected:
  ~TEarthSourceObserver() = default;
};
class TEarthPresenterStore;


// Bytes one slot takes in a ".md" file: MER, presenter ID and the closed flag.
inline constexpr int64_t MetaDataSlotSize = 21;

class TEarthObjectSource : public TEarthENVPersistent {
 public:
  explicit TEarthObjectSource(TCustomEarthMap* globe);
  ~TEarthObjectSource() override;
  TEarthObjectSource(const TEarthObjectSource&) = delete;
  TEarthObjectSource& operator=(const TEarthObjectSource&) = delete;

  virtual TMER GetMER(int32_t index);
  virtual int32_t GetPresenterID(int32_t index);
  virtual TEarthObjectStateSet GetState(int32_t index);
  // The loaded object of the slot, loaded now when needed; owned by the source.
  virtual TEarthObject* GetObject(int32_t index);
  virtual TEarthObjectData* GetObjectData(int32_t index);
  virtual rtl::TObject* GetUserObject(int32_t index);
  virtual double GetValue(int32_t index);
  virtual TEarthLayer* GetLayer(int32_t i) const;
  virtual TMER GetObjectsMER();
  virtual void SetMER(int32_t index, const TMER& mer);
  virtual void SetPresenterID(int32_t index, int32_t id);
  virtual void SetCount(int32_t n);
  virtual void SetCapacity(int32_t n);
  virtual void SetState(int32_t index, TEarthObjectStateSet state);
  virtual void SetValue(int32_t index, double v);
  virtual void SetUserObject(int32_t index, rtl::TObject* o);
  // Takes data (nil empties the slot) and frees what was there.
  virtual void SetObjectData(int32_t index, TEarthObjectData* data);
  // A new object for the slot (owned by the source once stored), or nil.
  virtual TEarthObject* LoadObject(int32_t index, bool isNew);
  virtual bool InternalOpen();
  virtual bool InternalClose();
  virtual void SetActive(bool b);
  virtual void Notify(TObjectSourceNotification kind, TEarthObject* object);
  virtual void Subscribe(TEarthSourceObserver* layer);
  // The source frees itself when its last layer leaves.
  virtual void UnSubscribe(TEarthSourceObserver* layer);
  virtual void SaveMetaData() {}
  virtual void LoadMetaData() {}
  // Raises EEarthException on a cache that does not hold together.
  virtual void ReadMetaData(TEarthStreamReader& reader);
  virtual void WriteMetaData(TEarthStreamWriter& writer);
  virtual std::string MetaDataFilename(const std::string& dataFile);
  virtual void Open();
  virtual void Close();
  virtual void Add(TEarthObject* object);
  virtual void Delete(TEarthObject* object);
  virtual void Move(int32_t from, int32_t to);
  // Turns a loaded object the cache may give back into its record; the bytes that frees (0
  // when the object is not one of this source's discardable ones).
  int64_t UnloadObject(TEarthObject* object);
  virtual void UnloadObjects();

  void LoadEnvironment(TEarthXML_Element*) override {}
  std::unique_ptr<TEarthXML_Element> SaveEnvironment() override;

  virtual int32_t GetCount() const { return count_; }
  int32_t Capacity() const { return static_cast<int32_t>(objects_.size()); }
  int32_t LayerCount() const { return static_cast<int32_t>(layers_.size()); }
  bool Active() const { return active_; }
  bool Modified() const { return modified_; }
  bool Loading() const { return loading_; }
  TCustomEarthMap* Globe() const { return globe_; }
  TEarthPresenterStore* Presenters() const { return presenters_.get(); }
  // Loaded objects the cache may turn back into records.
  void ListActiveObjects(std::vector<TEarthObject*>& list) const;
  int64_t ObjectInstanceSize() const;

  std::string Name;

 protected:
  void CheckIndex(int32_t index, const char* message) const;
  // Lets go of every slot, as a close does: the cache is told at once of what unloading each
  // object would give back, and no record is made for an object that goes anyway.
  void ReleaseSlots();

 private:
  TCustomEarthMap* globe_;
  bool active_ = false;
  int32_t count_ = 0;
  std::vector<std::unique_ptr<TEarthObjectData>> objects_;
  std::vector<TEarthSourceObserver*> layers_;
  std::unique_ptr<TEarthPresenterStore> presenters_;
  bool modified_ = false;
  bool loading_ = false;
  bool destroying_ = false;
};

// A source that reads a map data file: maps it object by object once and keeps what it learnt in
// a ".md" file.
class TEarthFileReader : public TEarthObjectSource {
 public:
  using TEarthObjectSource::TEarthObjectSource;

  virtual void SetFileName(const std::string& name);
  virtual bool MapDataHeader(rtl::TStream& /*stream*/) { return true; }
  // Records where object index lies; false at the end of the data.
  virtual bool MapDataObject(rtl::TStream& /*stream*/, int32_t /*index*/) { return false; }
  // Fills the record of the slot just mapped (MER, state) from the data without building the
  // object; false to have the object built (and its record taken from it) instead.
  virtual bool MapDataRecord(int32_t /*index*/) { return false; }
  virtual bool MapDataFile(rtl::TStream& stream);

  // The ".md" of the data file when it can be read whole: false (and no slots) for a missing,
  // short, foreign or inconsistent one, which the caller then maps again.
  bool ReadMetaDataFile(const std::string& dataFile);
  // Writes the ".md" unless the location discards it.
  void WriteMetaDataFile(const std::string& dataFile);
  // The ".md" of FileName when it can be read whole.
  void LoadMetaData() override;
  // Writes the ".md" of FileName unless the location discards it or the one there is current (a
  // place where it cannot be written costs a mapping next time, nothing more).
  void SaveMetaData() override;
  // Whether the ".md" there is the one LoadMetaData took or SaveMetaData wrote last.
  bool MetaDataCurrent() const { return metaDataCurrent_; }

  void LoadEnvironment(TEarthXML_Element* element) override;
  std::unique_ptr<TEarthXML_Element> SaveEnvironment() override;

  std::string FileName;

 private:
  bool metaDataCurrent_ = false;
};

// Writes a layer to a file.
class TEarthFileWriter : public TEarthRoot {
 public:
  explicit TEarthFileWriter(TEarthLayer* layer) : layer_(layer) {}
  virtual void SaveToFile(const std::string& name) = 0;
  TEarthLayer* Layer() const { return layer_; }

 private:
  TEarthLayer* layer_;
};

void RegisterObjectSources();
