#pragma once
// Lists of strings with an optional object per string. TStrings is the abstract list that
// controls (list boxes, memos) implement over their own storage; TStringList keeps it in memory.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/rtl/events.h"

namespace rtl {

class TStream;

class TStrings : public TPersistent {
 public:
  // The storage, provided by derived classes.
  virtual int Count() const = 0;
  virtual std::string Get(int Index) const = 0;
  virtual void Put(int Index, const std::string& S);
  virtual TObject* GetObject(int Index) const;
  virtual void PutObject(int Index, TObject* AObject);
  virtual void Insert(int Index, const std::string& S) = 0;
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;

  // Appends (a sorted list puts it in its place) and returns the index.
  virtual int Add(const std::string& S);
  virtual int AddObject(const std::string& S, TObject* AObject);
  void InsertObject(int Index, const std::string& S, TObject* AObject);
  void AddStrings(const TStrings& Strings);
  void Assign(const TPersistent* Source) override;
  void Exchange(int Index1, int Index2);
  void Move(int CurIndex, int NewIndex);

  std::string operator[](int Index) const { return Get(Index); }
  std::string Strings(int Index) const { return Get(Index); }
  TObject* Objects(int Index) const { return GetObject(Index); }

  // Every line followed by CR LF; setting splits at CR LF, LF or CR.
  std::string Text() const;
  virtual void SetText(std::string_view Value);
  // Items separated by Delimiter; items holding the delimiter, QuoteChar, or (unless
  // StrictDelimiter) blanks are quoted with QuoteChar doubled inside. Reading also splits at blanks
  // unless StrictDelimiter.
  std::string DelimitedText() const;
  void SetDelimitedText(std::string_view Value);
  // DelimitedText with ',' and '"', not strict.
  std::string CommaText() const;
  void SetCommaText(std::string_view Value);
  char Delimiter = ',';
  char QuoteChar = '"';
  bool StrictDelimiter = false;

  // name=value lines; names compare without regard to case.
  char NameValueSeparator = '=';
  std::string Names(int Index) const;
  std::string ValueFromIndex(int Index) const;
  std::string Values(std::string_view Name) const;
  // An empty value deletes the line.
  void SetValue(std::string_view Name, const std::string& Value);

  virtual int IndexOf(std::string_view S) const;  // case-insensitive; -1 when absent
  int IndexOfName(std::string_view Name) const;
  int IndexOfObject(const TObject* AObject) const;

  // CR LF line breaks; LoadFromFile accepts any of CR LF, LF, CR. SaveToFile replaces the file
  // whole, as WriteFileAtomic does, with what SaveToStream writes.
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;
  void LoadFromStream(TStream* Stream);
  // Virtual so that a list can save in its own form (a rich edit's lines save rich text).
  virtual void SaveToStream(TStream* Stream) const;

  void BeginUpdate();
  void EndUpdate();

 protected:
  virtual void SetUpdateState(bool) {}
  int UpdateCount() const { return updateCount_; }
  [[noreturn]] void IndexError(int Index) const;

 private:
  int updateCount_ = 0;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TStrings {
 public:
  TStringList() = default;

  int Count() const override { return static_cast<int>(items_.size()); }
  std::string Get(int Index) const override;
  void Put(int Index, const std::string& S) override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  void Insert(int Index, const std::string& S) override;
  void Delete(int Index) override;
  void Clear() override;
  int Add(const std::string& S) override;
  int AddObject(const std::string& S, TObject* AObject) override;
  int IndexOf(std::string_view S) const override;

  bool Sorted() const { return sorted_; }
  void SetSorted(bool Value);
  // Only for sorted lists: what Add does with a string already there (dupError raises EListError).
  TDuplicates Duplicates = dupIgnore;
  bool CaseSensitive() const { return caseSensitive_; }
  void SetCaseSensitive(bool Value);
  void Sort();
  void CustomSort(const std::function<int(const TStringList&, int, int)>& Compare);
  // Binary search of a sorted list: true when found; Index is where S is or would go.
  bool Find(std::string_view S, int& Index) const;

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  void SetUpdateState(bool Updating) override;

 private:
  struct Item {
    std::string s;
    TObject* object = nullptr;
  };
  int Compare(std::string_view a, std::string_view b) const;
  void Changing();
  void Changed();
  void InsertItem(int Index, const std::string& S, TObject* AObject);

  std::vector<Item> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  bool changedWhileUpdating_ = false;
};

}  // namespace rtl
