// Editing element trees, turning them back into text, writing files and the Base64 codec.
#include "xml/XmlBase64Buffer.h"
#include "xml/XmlInternal.h"
#include "xml/xmlParser.h"
#include "support/TempFiles.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace
{
std::string Serialized(const CXmlElement& element, int format)
{
    int length = -1;
    char* text = element.Serialize(format, &length);
    std::string result = text != nullptr ? std::string(text, size_t(length)) : "#none";
    EXPECT_EQ(text != nullptr ? strlen(text) : 0u, size_t(length < 0 ? 0 : length));
    free(text);
    return result;
}

// The document order as kinds and names/values, read through ItemAt.
std::string Items(const CXmlElement& element)
{
    std::string out;
    for (int i = element.AttributeCount(); i < element.ItemCount(); ++i)
    {
        XmlItem item = element.ItemAt(i);
        out += item.kind == XML_ITEM_CHILD  ? std::string("c:") + item.child.Name()
               : item.kind == XML_ITEM_TEXT ? std::string("t:") + item.text
                                            : std::string("x:") + item.clear.value;
        out += " ";
    }
    return out;
}

using kyrel_test::ReadFile;

class XmlWriter : public ::testing::Test
{
protected:
    void SetUp() override { SetParserOptions(true, XML_CHARS_UTF8); }
    void TearDown() override { SetParserOptions(true, XML_CHARS_UTF8); }
};
}  // namespace

TEST_F(XmlWriter, SerialisesFormattedAndUnformatted)
{
    CXmlElement a = ParseText("<a><b/>x</a>");
    EXPECT_EQ("<a>\n\t<b/>\n\tx\n</a>\n", Serialized(a, 1));
    EXPECT_EQ("<a><b/>x</a>", Serialized(a, 0));

    CXmlElement e = ParseText("<e k=\"v&amp;&lt;'\"/>");
    EXPECT_EQ("<e k=\"v&amp;&lt;&apos;\"/>", Serialized(e, 0));

    CXmlElement declaration = ParseText("<?xml version=\"1.0\"?><r flag><c>t</c><!--n--></r>");
    EXPECT_EQ("<?xml version=\"1.0\"?>\n<r flag>\n\t<c>\n\t\tt\n\t</c>\n\t<!--n-->\n</r>\n",
              Serialized(declaration, 1));
    EXPECT_EQ("<?xml version=\"1.0\"?><r flag><c>t</c><!--n--></r>", Serialized(declaration, 0));

    EXPECT_EQ("#none", Serialized(CXmlElement::Empty(), 1));
}

TEST_F(XmlWriter, ParsedTextSurvivesARoundTrip)
{
    const char* documents[] = {
        "<m a=\"1\"><v x=\"&quot;q&quot;\"/>text &amp; more<w/><![CDATA[<raw>]]></m>",
        "<?xml version=\"1.0\"?><KyrelModelFormat><model name=\"n\"/></KyrelModelFormat>",
        "<a>caf\xC3\xA9 <b k='&#65;'>\xE2\x82\xAC</b></a>",
    };
    for (const char* document : documents)
    {
        for (int format : {0, 1})
        {
            CXmlElement first = ParseText(document);
            std::string once = Serialized(first, format);
            XmlParseResult result{};
            CXmlElement second = ParseText(once.c_str(), nullptr, &result);
            EXPECT_EQ(XML_ERROR_NONE, result.errorCode) << once;
            EXPECT_EQ(once, Serialized(second, format)) << document;
        }
    }
}

TEST_F(XmlWriter, AddingKeepsDocumentOrderConsistent)
{
    CXmlElement root = ParseText("<r>t0<a/><!--c0--></r>");
    CXmlElement first = root.AddChild("first", false, 0);
    root.AddText("t1", 2);
    root.AddClear("c1");
    root.AddChild("last");
    EXPECT_EQ("c:first t:t0 t:t1 c:a x:c0 x:c1 c:last ", Items(root));
    EXPECT_STREQ("first", root.ChildAt(0).Name());  // children stay in document order
    EXPECT_STREQ("t1", root.TextAt(1));
    EXPECT_EQ(2, first.Data()->referenceCount);  // ours and the parent's
    EXPECT_STREQ("r", first.Parent().Name());
    EXPECT_EQ(6, root.PositionOfChild("last", 0));
    EXPECT_EQ(3, root.PositionOfChild(root.FindChild("a")));
    EXPECT_EQ(6, root.PositionOfChild(99));  // clamped to the last child
    EXPECT_EQ(-1, root.PositionOfChild(CXmlElement::Empty()));
    EXPECT_EQ(2, root.PositionOfText(1));
    EXPECT_EQ(5, root.PositionOfClear(7));
    EXPECT_EQ(-1, ParseText("<e/>").PositionOfText(0));
    EXPECT_EQ("<r><first/>t0t1<a/><!--c0--><![CDATA[c1]]><last/></r>", Serialized(root, 0));

    EXPECT_TRUE(root.AddChild(nullptr).IsNull());
    EXPECT_TRUE(CXmlElement().AddChild("x").IsNull());
    CXmlElement(CXmlElement::Empty()).AddTextOwned(static_cast<char*>(malloc(4)));  // freed
}

TEST_F(XmlWriter, RemovingRenumbersLaterItems)
{
    CXmlElement root = ParseText("<r k1='1' k2='2' k3='3'>t0<a/>t1<!--c0-->t2<!--c1--></r>");
    root.RemoveText(1);
    EXPECT_EQ("t:t0 c:a x:c0 t:t2 x:c1 ", Items(root));
    root.RemoveClear(root.ClearAt(0).value);
    EXPECT_EQ("t:t0 c:a t:t2 x:c1 ", Items(root));
    root.RemoveText(root.TextAt(0));
    EXPECT_EQ("c:a t:t2 x:c1 ", Items(root));
    root.RemoveText(5);
    root.RemoveClear("not a stored pointer");
    EXPECT_EQ("c:a t:t2 x:c1 ", Items(root));

    root.RemoveAttribute("K2");
    root.RemoveAttribute(0);
    ASSERT_EQ(1, root.AttributeCount());
    EXPECT_STREQ("3", root.FindAttribute("k3"));
    EXPECT_EQ("<r k3=\"3\"><a/>t2<!--c1--></r>", Serialized(root, 0));
}

TEST_F(XmlWriter, SettingReplacesOrAppends)
{
    CXmlElement root = ParseText("<r a='1' b='2'>t<!--c--></r>");
    root.SetAttribute(0, "A2", "one");
    root.SetAttribute("b", nullptr, nullptr);    // value dropped, name kept
    root.SetAttribute(7, "c", "3");              // past the end: appended
    root.SetAttribute("missing", nullptr, "4");  // absent: appended under that name
    EXPECT_EQ("<r A2=\"one\" b c=\"3\" missing=\"4\">t<!--c--></r>", Serialized(root, 0));

    root.SetText(root.TextAt(0), "T");
    root.SetText(5, "appended");
    root.SetClear(0, "C");
    root.SetClear("not stored", "new");
    root.Rename("R");
    EXPECT_EQ("<R A2=\"one\" b c=\"3\" missing=\"4\">T<!--C-->appended<![CDATA[new]]></R>",
              Serialized(root, 0));

    root.AddAttributeOwned(strdup("owned"), strdup("v"));
    root.SetTextOwned(0, strdup("owned text"));
    EXPECT_STREQ("v", root.FindAttribute("OWNED"));
    EXPECT_STREQ("owned text", root.TextAt(0));
}

TEST_F(XmlWriter, AdoptingMovesElementsAndRefusesCycles)
{
    CXmlElement left = ParseText("<l><x><y/></x></l>");
    CXmlElement right = ParseText("<r/>");
    CXmlElement x = left.FindChild("x");
    right.AdoptChild(x);
    EXPECT_EQ(0, left.ChildCount());
    EXPECT_STREQ("r", x.Parent().Name());
    EXPECT_EQ("<r><x><y/></x></r>", Serialized(right, 0));

    x.AdoptChild(right);                 // its own parent: refused
    x.AdoptChild(x);                     // itself: refused
    x.FindChild("y").AdoptChild(right);  // an ancestor: refused
    EXPECT_EQ("<r><x><y/></x></r>", Serialized(right, 0));

    // Moving within one parent changes the position only.
    CXmlElement list = ParseText("<l><a/><b/><c/></l>");
    list.AdoptChild(list.FindChild("c"), 0);
    EXPECT_EQ("c:c c:a c:b ", Items(list));
}

TEST_F(XmlWriter, SavesWithHeaderAndReportsWriteFailures)
{
    kyrel_test::TempDir directory("kyrel_xml");
    const std::string path = directory.File("out.xml");

    CXmlElement element = ParseText("<a k='v'/>");
    EXPECT_EQ(XML_ERROR_NONE, element.SaveToFile(path.c_str(), nullptr, 0));
    EXPECT_EQ("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<a k=\"v\"/>",
              ReadFile(path));
    XmlParseResult result{};
    EXPECT_STREQ("v", ParseFileText(path.c_str(), "a", &result).FindAttribute("k"));

    SetParserOptions(true, XML_CHARS_SINGLE_BYTE);
    EXPECT_EQ(XML_ERROR_NONE, element.SaveToFile(path.c_str(), "ISO-8859-1", 1));
    EXPECT_EQ("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<a k=\"v\"/>\n", ReadFile(path));
    SetParserOptions(true, XML_CHARS_UTF8);

    // A tree with its own declaration gets only the mark.
    CXmlElement declared = ParseText("<?xml version=\"1.0\"?><a/>");
    EXPECT_EQ(XML_ERROR_NONE, declared.SaveToFile(path.c_str(), nullptr, 0));
    EXPECT_EQ("\xEF\xBB\xBF<?xml version=\"1.0\"?><a/>", ReadFile(path));

    // A directory where the file should go cannot be opened for writing.
    EXPECT_EQ(XML_ERROR_CANNOT_OPEN_FOR_WRITING,
              element.SaveToFile(directory.Path().c_str(), nullptr, 0));
    // A full device cannot take the text.
    if (access("/dev/full", W_OK) == 0)
    {
        EXPECT_EQ(XML_ERROR_CANNOT_WRITE, element.SaveToFile("/dev/full", nullptr, 0));
    }
}

TEST(XmlBase64, EncodesAndSizes)
{
    XmlBase64Buffer codec;
    EXPECT_STREQ("YWJj",
                 codec.Base64Encode(reinterpret_cast<const unsigned char*>("abc"), 3, false));
    EXPECT_STREQ("YWI=",
                 codec.Base64Encode(reinterpret_cast<const unsigned char*>("ab"), 2, false));
    EXPECT_STREQ("YQ==", codec.Base64Encode(reinterpret_cast<const unsigned char*>("a"), 1, false));
    EXPECT_STREQ("", codec.Base64Encode(nullptr, 0, false));

    unsigned char bytes[60];
    for (int i = 0; i < 60; ++i)
    {
        bytes[i] = (unsigned char)(i * 37);
    }
    for (int n : {0, 1, 2, 3, 52, 53, 54, 55, 60})
    {
        for (bool formatted : {false, true})
        {
            std::string text = codec.Base64Encode(bytes, n, formatted);
            EXPECT_GE(XmlBase64Buffer::Base64EncodedLength(n, formatted), int(text.size()) + 1);
            if (formatted && n >= 52)
            {
                EXPECT_EQ('\n', text[72]);
            }
            int size = -1;
            XmlError error = XmlError(-1);
            unsigned char* decoded = codec.Base64Decode(text.c_str(), &size, &error);
            ASSERT_NE(nullptr, decoded);
            EXPECT_EQ(XML_ERROR_NONE, error);
            ASSERT_EQ(n, size);
            EXPECT_EQ(0, memcmp(bytes, decoded, size_t(n)));
        }
    }
    EXPECT_EQ(5, XmlBase64Buffer::Base64EncodedLength(0, false));
    EXPECT_EQ(73 + 1, XmlBase64Buffer::Base64EncodedLength(54, true));
}

TEST(XmlBase64, DecodingErrorsAndWarnings)
{
    struct Case
    {
        const char* text;
        XmlError error;
        int size;  // -1: no result
        const char* bytes;
    };
    const Case cases[] = {
        {"YWI=", XML_ERROR_NONE, 2, "ab"},
        {" Y W\nJj\t", XML_ERROR_NONE, 3, "abc"},
        {"YW*=", XML_ERROR_BASE64_ILLEGAL_CHARACTER, -1, nullptr},
        {"YWJ", XML_WARNING_BASE64_TRUNCATED, 2, "ab"},
        {"YWJjYQ", XML_WARNING_BASE64_TRUNCATED, 4, "abca"},
        {"YWJj====", XML_ERROR_NONE, 3, "abc"},
        {"", XML_ERROR_NONE, 0, ""},
    };
    XmlBase64Buffer codec;
    for (const Case& c : cases)
    {
        int size = -1;
        XmlError error = XmlError(-1);
        unsigned char* decoded = codec.Base64Decode(c.text, &size, &error);
        EXPECT_EQ(c.error, error) << c.text;
        if (c.size < 0)
        {
            EXPECT_EQ(nullptr, decoded) << c.text;
            continue;
        }
        ASSERT_NE(nullptr, decoded) << c.text;
        ASSERT_EQ(c.size, size) << c.text;
        EXPECT_EQ(0, memcmp(c.bytes, decoded, size_t(size))) << c.text;
    }
    XmlError error = XmlError(-1);
    EXPECT_EQ(2, XmlBase64Buffer::Base64DecodedSize("YWJ", &error));
    EXPECT_EQ(XML_WARNING_BASE64_LENGTH, error);
    EXPECT_EQ(0, XmlBase64Buffer::Base64DecodedSize("YW*=", &error));
    EXPECT_EQ(XML_ERROR_BASE64_ILLEGAL_CHARACTER, error);
}

TEST_F(XmlWriter, DeepTreesSerialiseWithoutRecursion)
{
    const int depth = 100000;
    std::string text;
    for (int i = 0; i < depth; ++i)
    {
        text += "<n>";
    }
    text += "x";
    for (int i = 0; i < depth; ++i)
    {
        text += "</n>";
    }
    CXmlElement root = ParseText(text.c_str());
    ASSERT_FALSE(root.IsNull());
    EXPECT_EQ(text, Serialized(root, 0));
    // Formatted, every level is on its own lines: an opening and a closing line each, and x.
    std::string nested;
    for (int i = 0; i < 100; ++i)
    {
        nested = "<n>" + nested + "</n>";
    }
    nested.insert(100 * 3, "x");
    std::string formatted = Serialized(ParseText(nested.c_str()), 1);
    EXPECT_EQ(100 * 2 + 1, std::count(formatted.begin(), formatted.end(), '\n'));
    EXPECT_EQ(std::string(100, '\t') + "x\n", formatted.substr(formatted.find('x') - 100, 102));
}
