// Settings XML: writing and parsing of the engine's element tree.
#include "map/earthxml.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/files.h"
#include "platform/rtl/sysutils.h"

namespace {

const std::string kEmpty;

// Values and texts may hold any character; these are the ones the markup itself uses, plus the
// line ends that the file loader would otherwise drop.
std::string Escape(const std::string& s, bool attribute) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += attribute ? "&quot;" : "\"";
        break;
      case '\r':
        out += "&#13;";
        break;
      case '\n':
        out += "&#10;";
        break;
      case '\t':
        out += attribute ? "&#9;" : "\t";
        break;
      default:
        out += c;
    }
  }
  return out;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Character references back to characters; anything that is not a known reference stays as it is.
std::string Unescape(const std::string& s) {
  if (s.find('&') == std::string::npos) return s;
  static const struct {
    const char* name;
    char c;
  } kNamed[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    const size_t semi = s[i] == '&' ? s.find(';', i + 1) : std::string::npos;
    if (semi == std::string::npos || semi - i > 10) {
      out += s[i];
      continue;
    }
    const std::string ref = s.substr(i + 1, semi - i - 1);
    bool done = false;
    for (const auto& n : kNamed) {
      if (ref == n.name) {
        out += n.c;
        done = true;
        break;
      }
    }
    if (!done && ref.size() > 1 && ref[0] == '#') {
      const bool hex = ref[1] == 'x' || ref[1] == 'X';
      const std::string digits = ref.substr(hex ? 2 : 1);
      uint32_t cp = 0;
      bool ok = !digits.empty();
      for (char d : digits) {
        const int v = std::isdigit(static_cast<unsigned char>(d)) ? d - '0'
                      : hex && std::isxdigit(static_cast<unsigned char>(d))
                          ? (std::tolower(d) - 'a' + 10)
                          : -1;
        if (v < 0 || cp > 0x10FFFF) {
          ok = false;
          break;
        }
        cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(v);
      }
      if (ok && cp > 0 && cp <= 0x10FFFF) {
        AppendUtf8(out, cp);
        done = true;
      }
    }
    if (done) {
      i = semi;
    } else {
      out += s[i];
    }
  }
  return out;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

class Parser {
 public:
  explicit Parser(const std::string& text) : s_(text) {}

  void Content(TEarthXML_Element& e, int depth) {
    bool afterMarkup = false;
    while (pos_ < s_.size()) {
      const size_t lt = s_.find('<', pos_);
      const std::string text = rtl::Trim(s_.substr(pos_, lt == std::string::npos ? lt : lt - pos_));
      // Trimmed again: a character reference may have made blanks at either end.
      const std::string unescaped = rtl::Trim(Unescape(text));
      if (!unescaped.empty()) {
        // Text on both sides of a comment is one text, as it will be written.
        afterMarkup ? e.ContinueText(unescaped) : e.AddText(unescaped);
      }
      afterMarkup = false;
      if (lt == std::string::npos) {
        pos_ = s_.size();
        return;
      }
      pos_ = lt + 1;
      if (SkipMarkup()) {
        afterMarkup = true;
        continue;
      }
      size_t end = pos_;
      while (end < s_.size() && !IsBlank(s_[end]) && s_[end] != '>') ++end;
      std::string name = rtl::Trim(s_.substr(pos_, end - pos_));
      if (!name.empty() && (name[0] == '!' || name[0] == '?')) {
        const size_t gt = s_.find('>', pos_);
        pos_ = gt == std::string::npos ? s_.size() : gt + 1;
        afterMarkup = true;
        continue;
      }
      pos_ = end;
      if (name.empty() || name[0] == '/') {
        // A closing tag ends the element; its name is not compared.
        const size_t gt = s_.find('>', pos_);
        pos_ = gt == std::string::npos ? s_.size() : gt + 1;
        return;
      }
      bool selfClosing = false;
      // Trailing slashes make the tag self-closing; blanks between them go too.
      while (name.size() > 1 &&
             (name.back() == '/' || static_cast<unsigned char>(name.back()) <= ' ')) {
        if (name.back() == '/') selfClosing = true;
        name.pop_back();
      }
      const size_t gt = s_.find('>', pos_);
      const std::string attributes =
          rtl::Trim(s_.substr(pos_, gt == std::string::npos ? gt : gt - pos_));
      pos_ = gt == std::string::npos ? s_.size() : gt + 1;
      auto child = std::make_unique<TEarthXML_Element>();
      if (!attributes.empty()) {
        if (attributes.back() == '/') selfClosing = true;
        ParseAttributes(*child, attributes);
      }
      TEarthXML_Element* c = e.AddElement(name, std::move(child));
      // Deeply nested garbage would otherwise exhaust the stack.
      if (!selfClosing && depth < kMaxDepth) Content(*c, depth + 1);
    }
  }

 private:
  static constexpr int kMaxDepth = 256;

  // Declarations, processing instructions, comments and document types carry no settings.
  bool SkipMarkup() {
    const auto skipTo = [this](const char* terminator) {
      const size_t end = s_.find(terminator, pos_);
      pos_ = end == std::string::npos ? s_.size() : end + std::strlen(terminator);
      return true;
    };
    if (s_.compare(pos_, 3, "!--") == 0) return skipTo("-->");
    if (s_.compare(pos_, 1, "?") == 0) return skipTo("?>");
    if (s_.compare(pos_, 1, "!") == 0) return skipTo(">");
    return false;
  }

  static void ParseAttributes(TEarthXML_Element& e, std::string rest) {
    for (;;) {
      const size_t eq = rest.find("=\"");
      if (eq == std::string::npos) return;
      const std::string name = rest.substr(0, eq);
      const size_t close = rest.find('"', eq + 2);
      const std::string value =
          rest.substr(eq + 2, close == std::string::npos ? close : close - eq - 2);
      e.AddAttribute(name, Unescape(value));
      if (close == std::string::npos) return;
      rest = rest.substr(close + 1);
    }
  }

  const std::string& s_;
  size_t pos_ = 0;
};

}  // namespace

void TEarthXML_Document::Write(const TEarthXML_Element& e, int level, std::string& out) {
  for (int i = 0; i < e.Count(); ++i) {
    if (e.IsAttribute(i)) continue;
    const TEarthXML_Element* c = e.Element(i);
    if (!c) {
      out += Escape(e.Strings(i), false);
      out += "\r\n";
      continue;
    }
    std::string a = " ";
    bool onlyAttributes = true;
    for (int j = 0; j < c->Count(); ++j) {
      if (!c->IsAttribute(j)) {
        onlyAttributes = false;
        continue;
      }
      const TEarthXML_Element::Line& line = c->LineAt(j);
      a += line.name + "=\"" + Escape(line.value, true) + "\" ";
    }
    if (onlyAttributes) a += "/";
    const std::string indent(static_cast<size_t>(level), ' ');
    out += indent + "<" + rtl::Trim(e.Strings(i) + a) + ">\r\n";
    if (!onlyAttributes) {
      Write(*c, level + 1, out);
      out += indent + "</" + rtl::Trim(e.Strings(i)) + ">\r\n";
    }
  }
}

// ---- Element ------------------------------------------------------------------------------------

const std::string& TEarthXML_Element::Strings(int i) const {
  if (i < 0 || i >= Count()) throw rtl::EListError(rtl::Format("List index out of bounds (%d)", i));
  return lines_[static_cast<size_t>(i)].text;
}

bool TEarthXML_Element::IsAttribute(int i) const {
  return i >= 0 && i < Count() && lines_[static_cast<size_t>(i)].kind == Kind::Attribute;
}

TEarthXML_Element* TEarthXML_Element::Element(int i) const {
  if (i < 0 || i >= Count()) return nullptr;
  return lines_[static_cast<size_t>(i)].child.get();
}

void TEarthXML_Element::AddAttribute(const std::string& name, const std::string& value) {
  Line line{Kind::Attribute, "", nullptr, rtl::Trim(name), rtl::Trim(value)};
  line.text = line.name + "=\"" + line.value + "\"";
  lines_.push_back(std::move(line));
}

void TEarthXML_Element::AddBoolAttribute(const std::string& name, bool b) {
  AddAttribute(name, b ? "T" : "F");
}

void TEarthXML_Element::AddIntAttribute(const std::string& name, int64_t i) {
  AddAttribute(name, std::to_string(i));
}

void TEarthXML_Element::AddFloatAttribute(const std::string& name, long double x) {
  AddAttribute(name, rtl::FloatToStr(x));
}

TEarthXML_Element* TEarthXML_Element::AddElement(const std::string& name,
                                                 std::unique_ptr<TEarthXML_Element> child) {
  if (!child) child = std::make_unique<TEarthXML_Element>();
  TEarthXML_Element* c = child.get();
  lines_.push_back({Kind::Child, rtl::Trim(name), std::move(child), {}, {}});
  return c;
}

void TEarthXML_Element::AddText(const std::string& text) {
  lines_.push_back({Kind::Text, text, nullptr, {}, {}});
}

void TEarthXML_Element::ContinueText(const std::string& text) {
  if (!lines_.empty() && lines_.back().kind == Kind::Text) {
    lines_.back().text += " " + text;
  } else {
    AddText(text);
  }
}

TEarthXML_Element* TEarthXML_Element::AddTextElement(const std::string& name,
                                                     const std::string& text) {
  auto child = std::make_unique<TEarthXML_Element>();
  child->AddText(rtl::Trim(text));
  return AddElement(name, std::move(child));
}

TEarthXML_Element* TEarthXML_Element::AddBinaryElement(const std::string& name, const void* buffer,
                                                       int size) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string hex;
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  for (int i = 0; i < size; ++i) {
    hex += kHex[bytes[i] >> 4];
    hex += kHex[bytes[i] & 0x0F];
  }
  auto child = std::make_unique<TEarthXML_Element>();
  child->AddText(hex);
  return AddElement(name, std::move(child));
}

int TEarthXML_Element::AsBinary(void* buffer, int size) const {
  if (size <= 0 || !buffer) return 0;
  const Line* text = nullptr;
  for (const Line& line : lines_) {
    if (line.kind == Kind::Text) {
      text = &line;
      break;
    }
  }
  if (!text) return 0;
  const auto nibble = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  auto* out = static_cast<uint8_t*>(buffer);
  int written = 0;
  for (size_t i = 0; i + 1 < text->text.size() && written < size; i += 2) {
    const int hi = nibble(text->text[i]), lo = nibble(text->text[i + 1]);
    if (hi < 0 || lo < 0) break;
    out[written++] = static_cast<uint8_t>(hi << 4 | lo);
  }
  return written;
}

TEarthXML_Element* TEarthXML_Element::ElementByName(const std::string& name, int index) const {
  for (const Line& line : lines_) {
    if (line.kind == Kind::Child && line.text == name && index-- == 0) return line.child.get();
  }
  return nullptr;
}

std::string TEarthXML_Element::GetAttributeNames(int index) const {
  for (const Line& line : lines_) {
    if (line.kind == Kind::Attribute && index-- == 0) return line.name;
  }
  return {};
}

const TEarthXML_Element::Line* TEarthXML_Element::AttributeLine(const std::string& name) const {
  for (const Line& line : lines_) {
    if (line.kind == Kind::Attribute && rtl::SameText(line.name, name)) return &line;
  }
  return nullptr;
}

std::string TEarthXML_Element::AttributeByName(const std::string& name,
                                               const std::string& def) const {
  const Line* line = AttributeLine(name);
  return line ? line->value : def;
}

bool TEarthXML_Element::BoolAttributeByName(const std::string& name, bool def) const {
  const std::string v = AttributeByName(name, "");
  if (v == "F") return false;
  if (v == "T") return true;
  return def;
}

int TEarthXML_Element::IntAttributeByName(const std::string& name, int def) const {
  return rtl::StrToInt(AttributeByName(name, std::to_string(def)));
}

long double TEarthXML_Element::FloatAttributeByName(const std::string& name,
                                                    long double def) const {
  if (!AttributeLine(name)) return def;
  return rtl::StrToFloat(AttributeByName(name, ""));
}

// ---- Document -----------------------------------------------------------------------------------

TEarthXML_Document::TEarthXML_Document() : document_(std::make_unique<TEarthXML_Element>()) {}

void TEarthXML_Document::SetDocument(std::unique_ptr<TEarthXML_Element> element) {
  if (element.get() != document_.get()) document_ = std::move(element);
}

std::string TEarthXML_Document::GetXMLString() const {
  std::string out;
  if (document_) Write(*document_, 0, out);
  return out;
}

void TEarthXML_Document::SetXMLString(const std::string& text) {
  document_ = std::make_unique<TEarthXML_Element>();
  Parser parser(text);
  parser.Content(*document_, 0);
}

void TEarthXML_Document::SaveToFile(const std::string& fileName) const {
  rtl::WriteFileAtomic(fileName, GetXMLString());
}

bool TEarthXML_Document::LoadFromFile(const std::string& fileName) {
  std::string joined;
  bool result = false;
  std::ifstream in(fileName, std::ios::binary);
  if (in) {
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw rtl::EInOutError("Cannot read file " + fileName, errno);
    joined.reserve(raw.size());
    for (char c : raw) {
      if (c != '\r' && c != '\n') joined += c;
    }
    result = document_ != nullptr;
  }
  SetXMLString(joined);
  return result;
}
