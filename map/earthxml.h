#pragma once
// The map engine's small XML model for its settings files: an element is a list of lines, each
// an attribute, a child element or a text; a document holds one container element.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/classes.h"

class TEarthXML_Element : public rtl::TObject {
 public:
  TEarthXML_Element() = default;
  TEarthXML_Element(const TEarthXML_Element&) = delete;
  TEarthXML_Element& operator=(const TEarthXML_Element&) = delete;

  // Lines in order; Strings is name="value" for an attribute, the name for a child element and
  // the text itself for a text line.
  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& Strings(int i) const;
  bool IsAttribute(int i) const;
  TEarthXML_Element* Element(int i) const;  // the child element of line i, or nullptr

  void AddAttribute(const std::string& name, const std::string& value);
  void AddBoolAttribute(const std::string& name, bool b);
  void AddIntAttribute(const std::string& name, int64_t i);
  void AddFloatAttribute(const std::string& name, long double x);
  TEarthXML_Element* AddElement(const std::string& name, std::unique_ptr<TEarthXML_Element> child);
  TEarthXML_Element* AddTextElement(const std::string& name, const std::string& text);
  TEarthXML_Element* AddBinaryElement(const std::string& name, const void* buffer, int size);
  void AddText(const std::string& text);
  // Extends the last line when it is a text, else adds a text line.
  void ContinueText(const std::string& text);
  // Decodes the hex text of a binary element into at most size bytes; returns the bytes written.
  int AsBinary(void* buffer, int size) const;

  TEarthXML_Element* ElementByName(const std::string& name, int index) const;
  std::string GetAttributeNames(int index) const;
  std::string AttributeByName(const std::string& name, const std::string& def) const;
  bool BoolAttributeByName(const std::string& name, bool def) const;
  int IntAttributeByName(const std::string& name, int def) const;
  long double FloatAttributeByName(const std::string& name, long double def) const;

 private:
  enum class Kind { Attribute, Child, Text };
  struct Line {
    Kind kind;
    std::string text;  // the line as a string list would show it
    std::unique_ptr<TEarthXML_Element> child;
    std::string name, value;  // of an attribute
  };
  friend class TEarthXML_Document;

  const Line* AttributeLine(const std::string& name) const;
  const Line& LineAt(int i) const { return lines_[static_cast<size_t>(i)]; }

  std::vector<Line> lines_;
};

class TEarthXML_Document : public rtl::TObject {
 public:
  TEarthXML_Document();

  TEarthXML_Element* Document() const { return document_.get(); }
  void SetDocument(std::unique_ptr<TEarthXML_Element> element);
  std::string GetXMLString() const;
  void SetXMLString(const std::string& text);
  // Replaces the file whole: a failure (EInOutError) leaves the old file as it was.
  void SaveToFile(const std::string& fileName) const;
  bool LoadFromFile(const std::string& fileName);

 private:
  static void Write(const TEarthXML_Element& e, int level, std::string& out);

  std::unique_ptr<TEarthXML_Element> document_;
};
