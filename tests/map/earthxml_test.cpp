// Settings XML: documents byte for byte, parsing, lookups, and well-formedness by xmllint.
#include "map/earthxml.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include <unistd.h>

#include "platform/rtl/exceptions.h"
#include "tests/fulldisk.h"
#include "tests/tempdir.h"

namespace {

std::filesystem::path TempFile(const char* name) {
  return std::filesystem::temp_directory_path() /
         (std::string("corv_map_xml_") + std::to_string(::getpid()) + "_" + name);
}

bool XmllintAccepts(const std::string& text) {
  const auto path = TempFile("lint.xml");
  {
    std::ofstream out(path, std::ios::binary);
    out << text;
  }
  const std::string command = "xmllint --noout '" + path.string() + "' 2>/dev/null";
  const int rc = std::system(command.c_str());
  std::filesystem::remove(path);
  return rc == 0;
}

// The settings tree of a small map.
std::unique_ptr<TEarthXML_Document> MakeMapDocument() {
  auto d = std::make_unique<TEarthXML_Document>();
  TEarthXML_Element* map = d->Document()->AddElement("TEarthMap", nullptr);
  map->AddAttribute("DataDirectory", " data ");
  map->AddElement("Projection", nullptr);
  TEarthXML_Element* store = map->AddElement("LayerStore", nullptr);
  TEarthXML_Element* layer = store->AddElement("Layer", nullptr);
  layer->AddBoolAttribute("Visible", true);
  layer->AddIntAttribute("Count", -12);
  layer->AddTextElement("Title", "  World  ");
  store->AddElement("Layer", nullptr)->AddFloatAttribute("Scale", 1.5L);
  return d;
}

TEST(XMLWriter, WritesOneLinePerElementWithCrLf) {
  TEarthXML_Document d;
  TEarthXML_Element* map = d.Document()->AddElement("TEarthMap", nullptr);
  map->AddAttribute("SurfaceColor", "clBlack");
  map->AddElement("Projection", nullptr);
  EXPECT_EQ(d.GetXMLString(),
            "<TEarthMap SurfaceColor=\"clBlack\">\r\n"
            " <Projection />\r\n"
            "</TEarthMap>\r\n");
}

TEST(XMLWriter, WholeDocumentByteForByte) {
  const std::string expected =
      "<TEarthMap DataDirectory=\"data\">\r\n"
      " <Projection />\r\n"
      " <LayerStore>\r\n"
      "  <Layer Visible=\"T\" Count=\"-12\">\r\n"
      "   <Title>\r\n"
      "World\r\n"
      "   </Title>\r\n"
      "  </Layer>\r\n"
      "  <Layer Scale=\"1.5\" />\r\n"
      " </LayerStore>\r\n"
      "</TEarthMap>\r\n";
  const std::string text = MakeMapDocument()->GetXMLString();
  EXPECT_EQ(text, expected);
  EXPECT_TRUE(XmllintAccepts(text));
}

TEST(XMLWriter, EscapesMarkupInValuesAndTexts) {
  TEarthXML_Document d;
  TEarthXML_Element* e = d.Document()->AddElement("TEarthMap", nullptr);
  e->AddAttribute("Title", "a\"b<c>&d");
  e->AddTextElement("Note", "x < y && \"z\" > w");
  const std::string text = d.GetXMLString();
  EXPECT_EQ(text,
            "<TEarthMap Title=\"a&quot;b&lt;c&gt;&amp;d\">\r\n"
            " <Note>\r\n"
            "x &lt; y &amp;&amp; \"z\" &gt; w\r\n"
            " </Note>\r\n"
            "</TEarthMap>\r\n");
  EXPECT_TRUE(XmllintAccepts(text));
  TEarthXML_Document back;
  back.SetXMLString(text);
  TEarthXML_Element* map = back.Document()->ElementByName("TEarthMap", 0);
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->AttributeByName("Title", ""), "a\"b<c>&d");
  EXPECT_EQ(map->ElementByName("Note", 0)->Strings(0), "x < y && \"z\" > w");
}

TEST(XMLParser, ReadsBackTheSameTree) {
  TEarthXML_Document d;
  d.SetXMLString(MakeMapDocument()->GetXMLString());
  EXPECT_EQ(d.GetXMLString(), MakeMapDocument()->GetXMLString());
  TEarthXML_Element* store =
      d.Document()->ElementByName("TEarthMap", 0)->ElementByName("LayerStore", 0);
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(store->ElementByName("Layer", 1)->FloatAttributeByName("Scale", 0), 1.5L);
  EXPECT_EQ(store->ElementByName("layer", 0), nullptr);
  EXPECT_EQ(store->ElementByName("Layer", 2), nullptr);
}

TEST(XMLParser, SelfClosingTagsWithOrWithoutBlank) {
  TEarthXML_Document d;
  d.SetXMLString("<A x=\"1\"/><B y=\"2\" /><C/><D><E/></D>");
  TEarthXML_Element* root = d.Document();
  ASSERT_EQ(root->Count(), 4);
  EXPECT_EQ(root->ElementByName("A", 0)->AttributeByName("x", ""), "1");
  EXPECT_EQ(root->ElementByName("A", 0)->Count(), 1);
  EXPECT_EQ(root->ElementByName("B", 0)->AttributeByName("y", ""), "2");
  EXPECT_EQ(root->ElementByName("C", 0)->Count(), 0);
  EXPECT_NE(root->ElementByName("D", 0)->ElementByName("E", 0), nullptr);
}

TEST(XMLParser, SkipsDeclarationCommentsAndSplitsTextAtLessThan) {
  TEarthXML_Document d;
  d.SetXMLString(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- saved settings -->"
      "<TEarthMap a=\"1\"><!-- inner --><T>one<two</T></TEarthMap>");
  TEarthXML_Element* map = d.Document()->ElementByName("TEarthMap", 0);
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(d.Document()->Count(), 1);
  TEarthXML_Element* t = map->ElementByName("T", 0);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Strings(0), "one");
  ASSERT_EQ(t->Count(), 2);
  EXPECT_NE(t->Element(1), nullptr);  // what followed the "<" became an element
}

TEST(XMLAttributes, LookupIgnoresCaseButBooleansDoNot) {
  TEarthXML_Element e;
  e.AddAttribute("Visible", "t");
  e.AddAttribute("Hidden", "F");
  e.AddAttribute("Count", "12");
  e.AddAttribute("Bad", "1.5");
  e.AddText("Empty=\"nope\"");
  EXPECT_EQ(e.AttributeByName("visible", "d"), "t");
  EXPECT_TRUE(e.BoolAttributeByName("Visible", true));
  EXPECT_FALSE(e.BoolAttributeByName("Visible", false));  // only "T" is true
  EXPECT_FALSE(e.BoolAttributeByName("Hidden", true));
  EXPECT_EQ(e.IntAttributeByName("COUNT", 0), 12);
  EXPECT_EQ(e.IntAttributeByName("Missing", 7), 7);
  EXPECT_THROW(e.IntAttributeByName("Bad", 0), rtl::EConvertError);
  EXPECT_EQ(e.FloatAttributeByName("Missing", 2.25L), 2.25L);
  EXPECT_EQ(e.AttributeByName("Empty", "d"), "d");  // text lines are no attributes
  EXPECT_EQ(e.GetAttributeNames(2), "Count");
  EXPECT_EQ(e.GetAttributeNames(9), "");
}

TEST(XMLAttributes, FloatsUseThePointInAnyLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  const bool haveComma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  TEarthXML_Element e;
  e.AddFloatAttribute("Scale", 1.5L);
  EXPECT_EQ(e.Strings(0), "Scale=\"1.5\"");
  EXPECT_EQ(e.FloatAttributeByName("Scale", 0), 1.5L);
  std::setlocale(LC_NUMERIC, saved.c_str());
  if (!haveComma) GTEST_SKIP() << "no de_DE locale to try a decimal comma";
}

TEST(XMLBinary, HexTextBothWays) {
  TEarthXML_Element e;
  const uint8_t bytes[] = {0x01, 0xAB};
  TEarthXML_Element* b = e.AddBinaryElement("Data", bytes, 2);
  EXPECT_EQ(b->Strings(0), "01AB");
  uint8_t out[4] = {0, 0, 0, 0};
  EXPECT_EQ(b->AsBinary(out, 4), 2);
  EXPECT_EQ(out[0], 0x01);
  EXPECT_EQ(out[1], 0xAB);
  EXPECT_EQ(b->AsBinary(out, 0), 0);
}

TEST(XMLDocument, FilesRoundTripAndMissingFilesLeaveAnEmptyDocument) {
  const auto path = TempFile("doc.xml");
  MakeMapDocument()->SaveToFile(path.string());
  TEarthXML_Document d;
  EXPECT_TRUE(d.LoadFromFile(path.string()));
  EXPECT_EQ(d.GetXMLString(), MakeMapDocument()->GetXMLString());
  std::filesystem::remove(path);
  EXPECT_FALSE(d.LoadFromFile(path.string()));
  EXPECT_EQ(d.Document()->Count(), 0);
  EXPECT_THROW(d.SaveToFile("/nonexistent-dir/x.xml"), rtl::EInOutError);
}

// A map environment saved onto a disk that fills: the old file stays byte for byte.
TEST(XMLDocument, ASaveOntoAFullDiskLeavesTheOldFileWhole) {
  const TempDir dir("corv_map_xml");
  FullDisk disk(dir / "disk");
  const std::string name = disk / "map.env";
  const std::string old = "<TEarthMap><Background>12345</Background></TEarthMap>";
  std::ofstream(name, std::ios::binary) << old;
  disk.WhileFull([&] { EXPECT_THROW(MakeMapDocument()->SaveToFile(name), rtl::EInOutError); });
  std::ifstream in(name, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), old);
}

// Random trees with awkward values: written text is well-formed and reads back the same.
TEST(XMLDocument, RandomTreesAreWellFormedAndRoundTrip) {
  std::mt19937 rng(7);
  const std::string alphabet = "ab <>&\"'=/\xC3\xA9\r\n\t-";
  const auto randomText = [&]() {
    std::string s = "x";  // never blank: blank texts are not kept
    const int n = static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) {
      size_t k = rng() % alphabet.size();
      if (alphabet[k] == '\xC3') {
        s += "\xC3\xA9";
        continue;
      }
      if (alphabet[k] == '\xA9') k = 0;
      s += alphabet[k];
    }
    return s + "y";
  };
  for (int round = 0; round < 40; ++round) {
    TEarthXML_Document d;
    TEarthXML_Element* root = d.Document()->AddElement("TEarthMap", nullptr);
    std::vector<TEarthXML_Element*> open = {root};
    for (int i = 0; i < 12; ++i) {
      TEarthXML_Element* e = open[rng() % open.size()];
      switch (rng() % 3) {
        case 0:
          e->AddAttribute("a" + std::to_string(i), randomText());
          break;
        case 1:
          open.push_back(e->AddElement("E" + std::to_string(i), nullptr));
          break;
        default:
          e->AddTextElement("T" + std::to_string(i), randomText());
      }
    }
    const std::string text = d.GetXMLString();
    ASSERT_TRUE(XmllintAccepts(text)) << text;
    TEarthXML_Document back;
    back.SetXMLString(text);
    EXPECT_EQ(back.GetXMLString(), text);
  }
}

}  // namespace
