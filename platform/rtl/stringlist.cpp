#include "platform/rtl/stringlist.h"

#include <algorithm>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

namespace rtl {

// --- TStrings ---

void TStrings::IndexError(int Index) const {
  throw EListError(Format("List index out of bounds (%d)", Index));
}

void TStrings::Put(int Index, const std::string& S) {
  TObject* o = GetObject(Index);
  BeginUpdate();
  Delete(Index);
  InsertObject(Index, S, o);
  EndUpdate();
}

TObject* TStrings::GetObject(int Index) const {
  if (Index < 0 || Index >= Count()) IndexError(Index);
  return nullptr;
}

void TStrings::PutObject(int Index, TObject*) {
  if (Index < 0 || Index >= Count()) IndexError(Index);
}

int TStrings::Add(const std::string& S) {
  const int i = Count();
  Insert(i, S);
  return i;
}

int TStrings::AddObject(const std::string& S, TObject* AObject) {
  const int i = Add(S);
  PutObject(i, AObject);
  return i;
}

void TStrings::InsertObject(int Index, const std::string& S, TObject* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

void TStrings::AddStrings(const TStrings& Strings) {
  BeginUpdate();
  for (int i = 0; i < Strings.Count(); ++i) AddObject(Strings.Get(i), Strings.GetObject(i));
  EndUpdate();
}

void TStrings::Assign(const TPersistent* Source) {
  if (const auto* s = dynamic_cast<const TStrings*>(Source)) {
    if (s == this) return;
    BeginUpdate();
    Clear();
    AddStrings(*s);
    EndUpdate();
    return;
  }
  TPersistent::Assign(Source);
}

void TStrings::Exchange(int Index1, int Index2) {
  if (Index1 < 0 || Index1 >= Count()) IndexError(Index1);
  if (Index2 < 0 || Index2 >= Count()) IndexError(Index2);
  BeginUpdate();
  const std::string s1 = Get(Index1);
  TObject* o1 = GetObject(Index1);
  Put(Index1, Get(Index2));
  PutObject(Index1, GetObject(Index2));
  Put(Index2, s1);
  PutObject(Index2, o1);
  EndUpdate();
}

void TStrings::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  if (NewIndex < 0 || NewIndex >= Count()) IndexError(NewIndex);
  BeginUpdate();
  const std::string s = Get(CurIndex);
  TObject* o = GetObject(CurIndex);
  Delete(CurIndex);
  InsertObject(NewIndex, s, o);
  EndUpdate();
}

std::string TStrings::Text() const {
  std::string r;
  for (int i = 0; i < Count(); ++i) {
    r += Get(i);
    r += "\r\n";
  }
  return r;
}

void TStrings::SetText(std::string_view Value) {
  BeginUpdate();
  Clear();
  size_t i = 0;
  while (i < Value.size()) {
    size_t j = i;
    while (j < Value.size() && Value[j] != '\r' && Value[j] != '\n') ++j;
    Add(std::string(Value.substr(i, j - i)));
    if (j < Value.size() && Value[j] == '\r') ++j;
    if (j < Value.size() && Value[j] == '\n') ++j;
    i = j;
  }
  EndUpdate();
}

std::string TStrings::DelimitedText() const {
  std::string r;
  for (int i = 0; i < Count(); ++i) {
    const std::string s = Get(i);
    bool quote = s.empty() && Count() == 1;  // else an empty item is just two delimiters
    for (char c : s) {
      if (c == Delimiter || c == QuoteChar ||
          (!StrictDelimiter && static_cast<unsigned char>(c) <= ' ')) {
        quote = true;
      }
    }
    if (i) r += Delimiter;
    if (!quote) {
      r += s;
      continue;
    }
    r += QuoteChar;
    for (char c : s) {
      if (c == QuoteChar) r += QuoteChar;
      r += c;
    }
    r += QuoteChar;
  }
  return r;
}

void TStrings::SetDelimitedText(std::string_view Value) {
  auto blank = [&](char c) { return !StrictDelimiter && static_cast<unsigned char>(c) <= ' '; };
  BeginUpdate();
  Clear();
  size_t i = 0;
  while (i < Value.size() && blank(Value[i])) ++i;
  while (i < Value.size()) {
    std::string item;
    if (Value[i] == QuoteChar) {
      ++i;
      while (i < Value.size()) {
        if (Value[i] == QuoteChar) {
          if (i + 1 < Value.size() && Value[i + 1] == QuoteChar) {
            item += QuoteChar;
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item += Value[i++];
      }
    } else {
      while (i < Value.size() && Value[i] != Delimiter && !blank(Value[i])) item += Value[i++];
    }
    Add(item);
    while (i < Value.size() && blank(Value[i])) ++i;
    if (i < Value.size() && Value[i] == Delimiter) {
      ++i;
      while (i < Value.size() && blank(Value[i])) ++i;
      if (i >= Value.size()) Add("");  // a trailing delimiter ends with an empty item
    }
  }
  EndUpdate();
}

std::string TStrings::CommaText() const {
  TStringList copy;
  copy.Assign(this);
  copy.Delimiter = ',';
  copy.QuoteChar = '"';
  copy.StrictDelimiter = false;
  return copy.DelimitedText();
}

void TStrings::SetCommaText(std::string_view Value) {
  const char d = Delimiter, q = QuoteChar;
  const bool strict = StrictDelimiter;
  Delimiter = ',';
  QuoteChar = '"';
  StrictDelimiter = false;
  SetDelimitedText(Value);
  Delimiter = d;
  QuoteChar = q;
  StrictDelimiter = strict;
}

std::string TStrings::Names(int Index) const {
  const std::string s = Get(Index);
  const size_t p = s.find(NameValueSeparator);
  return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStrings::ValueFromIndex(int Index) const {
  const std::string s = Get(Index);
  const size_t p = s.find(NameValueSeparator);
  return p == std::string::npos ? std::string() : s.substr(p + 1);
}

int TStrings::IndexOfName(std::string_view Name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string s = Get(i);
    const size_t p = s.find(NameValueSeparator);
    if (p != std::string::npos && SameText(std::string_view(s).substr(0, p), Name)) return i;
  }
  return -1;
}

std::string TStrings::Values(std::string_view Name) const {
  const int i = IndexOfName(Name);
  return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValue(std::string_view Name, const std::string& Value) {
  const int i = IndexOfName(Name);
  if (Value.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  const std::string line = std::string(Name) + NameValueSeparator + Value;
  if (i >= 0) {
    Put(i, line);
  } else {
    Add(line);
  }
}

int TStrings::IndexOf(std::string_view S) const {
  for (int i = 0; i < Count(); ++i) {
    if (SameText(Get(i), S)) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* AObject) const {
  for (int i = 0; i < Count(); ++i) {
    if (GetObject(i) == AObject) return i;
  }
  return -1;
}

void TStrings::LoadFromStream(TStream* Stream) {
  const int64_t size = Stream->Size() - Stream->Position();
  std::string data(static_cast<size_t>(std::max<int64_t>(size, 0)), '\0');
  data.resize(static_cast<size_t>(Stream->Read(data.data(), static_cast<int64_t>(data.size()))));
  SetText(data);
}

void TStrings::SaveToStream(TStream* Stream) const {
  const std::string text = Text();
  Stream->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

void TStrings::LoadFromFile(const std::string& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&f);
}

void TStrings::SaveToFile(const std::string& FileName) const {
  TMemoryStream m;
  SaveToStream(&m);
  m.SaveToFile(FileName);
}

void TStrings::BeginUpdate() {
  if (updateCount_++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) SetUpdateState(false);
}

// --- TStringList ---

std::string TStringList::Get(int Index) const {
  if (Index < 0 || Index >= Count()) IndexError(Index);
  return items_[static_cast<size_t>(Index)].s;
}

void TStringList::Put(int Index, const std::string& S) {
  if (sorted_) throw EListError("Operation not allowed on sorted list");
  if (Index < 0 || Index >= Count()) IndexError(Index);
  Changing();
  items_[static_cast<size_t>(Index)].s = S;
  Changed();
}

TObject* TStringList::GetObject(int Index) const {
  if (Index < 0 || Index >= Count()) IndexError(Index);
  return items_[static_cast<size_t>(Index)].object;
}

void TStringList::PutObject(int Index, TObject* AObject) {
  if (Index < 0 || Index >= Count()) IndexError(Index);
  Changing();
  items_[static_cast<size_t>(Index)].object = AObject;
  Changed();
}

void TStringList::InsertItem(int Index, const std::string& S, TObject* AObject) {
  Changing();
  items_.insert(items_.begin() + Index, Item{S, AObject});
  Changed();
}

void TStringList::Insert(int Index, const std::string& S) {
  if (sorted_) throw EListError("Operation not allowed on sorted list");
  if (Index < 0 || Index > Count()) IndexError(Index);
  InsertItem(Index, S, nullptr);
}

void TStringList::Delete(int Index) {
  if (Index < 0 || Index >= Count()) IndexError(Index);
  Changing();
  items_.erase(items_.begin() + Index);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  items_.clear();
  Changed();
}

int TStringList::Add(const std::string& S) {
  return AddObject(S, nullptr);
}

int TStringList::AddObject(const std::string& S, TObject* AObject) {
  int index = Count();
  if (sorted_ && Find(S, index)) {
    if (Duplicates == dupIgnore) return index;
    if (Duplicates == dupError) throw EListError("String list does not allow duplicates");
  }
  InsertItem(index, S, AObject);
  return index;
}

int TStringList::IndexOf(std::string_view S) const {
  if (sorted_) {
    int i = 0;
    return Find(S, i) ? i : -1;
  }
  for (int i = 0; i < Count(); ++i) {
    if (Compare(items_[static_cast<size_t>(i)].s, S) == 0) return i;
  }
  return -1;
}

int TStringList::Compare(std::string_view a, std::string_view b) const {
  return caseSensitive_ ? CompareStr(a, b) : CompareText(a, b);
}

bool TStringList::Find(std::string_view S, int& Index) const {
  int lo = 0;
  int hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    const int mid = (lo + hi) / 2;
    const int c = Compare(items_[static_cast<size_t>(mid)].s, S);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        if (Duplicates != dupAccept) lo = mid;  // the first of equal strings
      }
    }
  }
  Index = lo;
  return found;
}

void TStringList::SetSorted(bool Value) {
  if (Value && !sorted_) Sort();
  sorted_ = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (Value == caseSensitive_) return;
  caseSensitive_ = Value;
  if (sorted_) Sort();
}

void TStringList::Sort() {
  Changing();
  std::stable_sort(items_.begin(), items_.end(),
                   [&](const Item& a, const Item& b) { return Compare(a.s, b.s) < 0; });
  Changed();
}

void TStringList::CustomSort(const std::function<int(const TStringList&, int, int)>& Compare) {
  // The comparison sees indexes into the list as it stands: sort a permutation, then apply it.
  std::vector<int> order(items_.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return Compare(*this, a, b) < 0; });
  Changing();
  std::vector<Item> sorted;
  sorted.reserve(items_.size());
  for (int i : order) sorted.push_back(items_[static_cast<size_t>(i)]);
  items_ = std::move(sorted);
  Changed();
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
  if (UpdateCount() == 0) {
    if (OnChange) OnChange(this);
  } else {
    changedWhileUpdating_ = true;
  }
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating) {
    if (OnChanging) OnChanging(this);
    changedWhileUpdating_ = false;
  } else if (changedWhileUpdating_) {
    changedWhileUpdating_ = false;
    if (OnChange) OnChange(this);
  }
}

}  // namespace rtl
