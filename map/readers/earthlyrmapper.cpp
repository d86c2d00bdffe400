#include "map/readers/earthfilestamp.h"
#include "map/readers/earthlyrmapper.h"

#include <cstdio>
#include <limits>
#include <mutex>

#include "map/earthlayer.h"
#include "map/earthpresenter.h"
#include "map/earthcustommap.h"
#include "map/readers/earthmmstream.h"
#include "platform/rtl/files.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

namespace {

constexpr uint16_t kWrittenVersion = 0x0405;
constexpr int16_t kOldestVersion = 0x0300;
// Class index, position: what a ".md" index entry takes.
constexpr int64_t kEntrySize = 5;

int64_t Left(TEarthStreamReader& reader) {
  return reader.Stream().Size() - reader.Stream().Position();
}

std::string Hex(uint16_t v) {
  char text[8];
  std::snprintf(text, sizeof text, "%X", v);
  return text;
}

}  // namespace

TEarthLYRReader::TEarthLYRReader(TCustomEarthMap* globe) : TEarthFileReader(globe) {}

// The base frees the slots; loaded objects hold nothing of the mapped stream.
TEarthLYRReader::~TEarthLYRReader() = default;

uint8_t TEarthLYRReader::ClassIndex(rtl::TClass c) {
  for (size_t i = 0; i < classes_.size(); ++i)
    if (classes_[i] == c) return static_cast<uint8_t>(i);
  if (classes_.size() >= 255) throw EEarthException("Too many object classes in " + FileName);
  classes_.push_back(c);
  return static_cast<uint8_t>(classes_.size() - 1);
}

bool TEarthLYRReader::MapDataHeader(rtl::TStream& stream) {
  TEarthStreamReader& r = *reader_;
  stream.SetPosition(0);
  // A signed word: one with the top bit set is below every version there is.
  const int16_t version = r.ReadSmallInt();
  version_ = static_cast<uint16_t>(version);
  giFileVersion = version_;
  if (version < kOldestVersion) {
    throw EEarthException("Invalid File Version " + Hex(version_) + " in " + FileName);
  }
  index_.clear();
  classes_.clear();
  groupLeft_ = 0;
  r.ReadMER();
  for (;;) {
    const int64_t groupStart = stream.Position();
    const int32_t count = r.ReadInteger();
    if (count <= 0 || Left(r) <= 0) {
      // The end marker (or a layer without objects) is left for the object mapping to read.
      stream.SetPosition(groupStart);
      break;
    }
    const std::string name = r.ReadShortString();
    const rtl::TClass c = rtl::FindClass(name);
    if (c->InheritsFrom<TEarthObject>()) {
      stream.SetPosition(groupStart);
      break;
    }
    for (int32_t i = 0; i < count; ++i) {
      std::unique_ptr<TEarthPresenter> p = CreatePresenter(name, Globe());
      if (!p) throw EEarthException("Not a presenter class " + name + " in " + FileName);
      p->ReadProperties(r);
      Presenters()->Add(p);
    }
  }
  return true;
}

bool TEarthLYRReader::MapDataObject(rtl::TStream& stream, int32_t /*index*/) {
  TEarthStreamReader& r = *reader_;
  if (groupLeft_ == 0) {
    // A file cut short ends where it ends.
    if (Left(r) < 4) return false;
    const int32_t count = r.ReadInteger();
    if (count <= 0) return false;
    const rtl::TClass c = rtl::FindClass(r.ReadShortString());
    if (!c->InheritsFrom<TEarthObject>()) {
      throw EEarthException("Not an object class " + c->ClassName() + " in " + FileName);
    }
    groupClass_ = ClassIndex(c);
    groupLeft_ = count;
  }
  if (stream.Position() > std::numeric_limits<int32_t>::max()) {
    throw EEarthException("Layer file too large: " + FileName);
  }
  index_.push_back({groupClass_, static_cast<int32_t>(stream.Position())});
  --groupLeft_;
  return true;
}

TEarthObject* TEarthLYRReader::LoadObject(int32_t index, bool /*isNew*/) {
  if (!reader_ || index < 0 || index >= static_cast<int32_t>(index_.size())) return nullptr;
  const Entry& e = index_[static_cast<size_t>(index)];
  giFileVersion = version_;
  reader_->Stream().SetPosition(e.position);
  std::unique_ptr<TEarthObject> o(
      classes_[e.classIndex]->Create<TEarthObject>(static_cast<TEarthObjectSource*>(this)));
  o->ReadProperties(*reader_);
  return o.release();
}

bool TEarthLYRReader::InternalOpen() {
  if (FileName.empty() || !rtl::FileExists(FileName)) return false;
  Name = rtl::ExtractFileName(FileName);
  try {
    if (!GetFileStamp(FileName, stamp_)) return false;
    reader_ = std::make_unique<TEarthStreamReader>(std::make_unique<TMemoryMapStream>(FileName));
    if (stamp_.Size >= 2) {
      version_ = static_cast<uint16_t>(reader_->ReadSmallInt());
    }
    MapUnlessCached(*this, reader_->Stream());
  } catch (...) {
    Release();
    throw;
  }
  return TEarthFileReader::InternalOpen();
}

void TEarthLYRReader::Release() {
  SetCount(0);
  index_.clear();
  classes_.clear();
  Presenters()->Clear();
  reader_.reset();
}

bool TEarthLYRReader::InternalClose() {
  UnloadObjects();
  Release();
  return TEarthFileReader::InternalClose();
}

void TEarthLYRReader::WriteMetaData(TEarthStreamWriter& writer) {
  writer.WriteWord(kMetaDataMark);
  WriteFileStamp(writer, stamp_);
  TEarthFileReader::WriteMetaData(writer);
  writer.WriteInteger(static_cast<int32_t>(classes_.size()));
  for (rtl::TClass c : classes_) writer.WriteShortString(c->ClassName());
  writer.WriteInteger(static_cast<int32_t>(index_.size()));
  for (const Entry& e : index_) {
    writer.WriteShortInt(static_cast<int8_t>(e.classIndex));
    writer.WriteInteger(e.position);
  }
}

void TEarthLYRReader::ReadMetaData(TEarthStreamReader& reader) {
  if (reader.ReadWord() != kMetaDataMark) throw EEarthException("Metadata: not a layer file's");
  if (!(ReadFileStamp(reader) == stamp_)) throw EEarthException("Metadata: stale");
  TEarthFileReader::ReadMetaData(reader);
  const int32_t classCount = reader.ReadInteger();
  if (classCount < 0 || classCount > 255 || classCount > Left(reader)) {
    throw EEarthException("Metadata: bad class count");
  }
  std::vector<rtl::TClass> classes;
  for (int32_t i = 0; i < classCount; ++i) {
    const rtl::TClass c = rtl::FindClass(reader.ReadShortString());
    if (!c->InheritsFrom<TEarthObject>()) throw EEarthException("Metadata: not an object class");
    classes.push_back(c);
  }
  const int32_t count = reader.ReadInteger();
  if (count != GetCount() || count > Left(reader) / kEntrySize) {
    throw EEarthException("Metadata: index and slots differ");
  }
  std::vector<Entry> index(static_cast<size_t>(count));
  int32_t after = 2;  // objects follow the version word and each other
  for (Entry& e : index) {
    e.classIndex = static_cast<uint8_t>(reader.ReadShortInt());
    e.position = reader.ReadInteger();
    if (e.classIndex >= classes.size() || e.position <= after || e.position >= stamp_.Size) {
      throw EEarthException("Metadata: bad index entry");
    }
    after = e.position;
  }
  classes_ = std::move(classes);
  index_ = std::move(index);
}

// ---- Writer -------------------------------------------------------------------------------------

namespace {

// Names in order of first appearance, with how many of each.
struct TClassCounts {
  std::vector<std::pair<std::string, int32_t>> counts;
  void Add(const std::string& name) {
    for (auto& [n, c] : counts)
      if (n == name) {
        ++c;
        return;
      }
    counts.emplace_back(name, 1);
  }
};

}  // namespace

void TEarthLYRWriter::WriteLYRHeader(TEarthStreamWriter& writer) {
  TEarthLayer* layer = Layer();
  TEarthObjectSource* source = layer->GetObjects();
  giFileVersion = kWrittenVersion;
  writer.WriteSmallInt(static_cast<int16_t>(kWrittenVersion));
  writer.WriteMER(layer->GetLayerMER());
  // The presenters the objects use, each once, copied so that the layer's stay as they are.
  TEarthPresenterStore used(source->Globe());
  for (int32_t i = 0; i < source->GetCount(); ++i) {
    const int32_t id = source->GetPresenterID(i);
    if (used.ByID(id, false)) continue;
    if (TEarthPresenter* p = layer->FindPresenter(id)) {
      std::unique_ptr<TEarthPresenter> copy = p->Clone(source->Globe());
      used.Add(copy);
    }
  }
  TClassCounts classes;
  for (int32_t i = 0; i < used.GetCount(); ++i) classes.Add(used.GetPresenter(i)->ClassName());
  for (const auto& [name, count] : classes.counts) {
    writer.WriteInteger(count);
    writer.WriteShortString(name);
    for (int32_t i = 0; i < used.GetCount(); ++i) {
      TEarthPresenter* p = used.GetPresenter(i);
      if (p->ClassName() == name) p->WriteProperties(writer);
    }
  }
}

void TEarthLYRWriter::WriteLYRBody(TEarthStreamWriter& writer) {
  TEarthObjectSource* source = Layer()->GetObjects();
  giFileVersion = kWrittenVersion;
  TClassCounts classes;
  for (int32_t i = 0; i < source->GetCount(); ++i) {
    if (TEarthObject* o = source->GetObject(i)) classes.Add(o->ClassName());
  }
  for (const auto& [name, count] : classes.counts) {
    writer.WriteInteger(count);
    writer.WriteShortString(name);
    for (int32_t i = 0; i < source->GetCount(); ++i) {
      TEarthObject* o = source->GetObject(i);
      if (o && o->ClassName() == name) o->WriteProperties(writer);
    }
  }
  writer.WriteInteger(0);
}

void TEarthLYRWriter::SaveToFile(const std::string& name) {
  auto file = std::make_unique<rtl::TMemoryStream>();
  rtl::TMemoryStream& out = *file;
  TEarthStreamWriter writer(std::move(file));
  WriteLYRHeader(writer);
  WriteLYRBody(writer);
  // A write that fails must not put a cut file in the place of the old one.
  out.SaveToFile(name);
}

bool WriteLayerToLYRfile(TEarthLayer* layer, const std::string& fileName) {
  TEarthLYRWriter writer(layer);
  writer.SaveToFile(fileName);
  if (dynamic_cast<TEarthLYRReader*>(layer->GetObjects())) return true;
  auto* reader = new TEarthLYRReader(layer->Globe());
  reader->SetFileName(fileName);
  layer->SetObjects(reader);
  reader->Open();
  return true;
}

void RegisterLYRReader() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterEarthClass<TEarthLYRReader>("TEarthLYRReader", [](TCustomEarthMap* g) -> rtl::TObject* {
      return new TEarthLYRReader(g);
    });
  });
}
