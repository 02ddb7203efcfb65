// Reading XML files: missing and empty files, byte-order marks, UTF-16 in both byte orders, the
// encoding guess, the fatal report of LoadDocument, real documents nobody here wrote, and the block
// scan and the tag reading against the plain token-by-token paths.
#include "support/TempFiles.h"
#include "xml/TextEncoding.h"
#include "xml/XmlInternal.h"
#include "xml/xmlParser.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace
{
std::string DataPath(const char* name)
{
    return std::string(KYREL_TEST_DATA_DIR) + "/xml/" + name;
}

std::string SharedPath(const char* name)
{
    return std::string(KYREL_SHARED_TESTDATA_DIR) + "/xml/" + name;
}

bool Exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// Names, attributes, texts and clear sections of a whole tree, for comparing two parses.
std::string Dump(const CXmlElement& element)
{
    std::string out = std::string("<") + (element.Name() ? element.Name() : "#root");
    for (int i = 0; i < element.ItemCount(); ++i)
    {
        XmlItem item = element.ItemAt(i);
        switch (item.kind)
        {
        case XML_ITEM_ATTRIBUTE:
            out += std::string(" ") + item.attribute.name + "=" +
                   (item.attribute.value ? item.attribute.value : "#none");
            break;
        case XML_ITEM_CHILD:
            out += Dump(item.child);
            break;
        case XML_ITEM_TEXT:
            out += std::string("[") + item.text + "]";
            break;
        case XML_ITEM_CLEAR:
            out += std::string("{") + item.clear.value + "}";
            break;
        default:
            out += "?";
        }
    }
    return out + ">";
}

class XmlFile : public ::testing::Test
{
protected:
    void SetUp() override { SetParserOptions(true, XML_CHARS_UTF8); }
    void TearDown() override { SetParserOptions(true, XML_CHARS_UTF8); }
};
}  // namespace

TEST_F(XmlFile, MissingEmptyAndUnreadableFiles)
{
    XmlParseResult result{XmlError(-1), -1, -1};
    EXPECT_TRUE(ParseFileText(DataPath("empty.xml").c_str(), nullptr, &result).IsNull());
    EXPECT_EQ(XML_ERROR_NO_XML_DATA, result.errorCode);
    EXPECT_EQ(0, result.line);
    EXPECT_EQ(0, result.column);

    const std::string missing = DataPath("does_not_exist.xml");
    EXPECT_TRUE(ParseFileText(missing.c_str(), nullptr, &result).IsNull());
    EXPECT_EQ(XML_ERROR_FILE_NOT_FOUND, result.errorCode);
    // A directory opens on this platform but holds no document.
    EXPECT_TRUE(ParseFileText(KYREL_TEST_DATA_DIR, nullptr, &result).IsNull());
    EXPECT_EQ(XML_ERROR_FILE_NOT_FOUND, result.errorCode);
    EXPECT_TRUE(ParseFileText(nullptr, nullptr, &result).IsNull());
    EXPECT_EQ(XML_ERROR_FILE_NOT_FOUND, result.errorCode);
}

TEST_F(XmlFile, MarksAndUtf16FilesReadAsTheSameDocument)
{
    XmlParseResult result{};
    const std::string expected = "<xml version=1.0<doc lang=de[Gr\xC3\xBC\xC3\x9F"
                                 "e \xE2\x82\xAC \xF0\x9F\x98\x80]>>";
    for (const char* name : {"utf8_bom.xml", "utf16le_bom.xml", "utf16be_bom.xml",
                             "utf16le_nomark.xml", "utf16be_nomark.xml"})
    {
        CXmlElement document = ParseFileText(DataPath(name).c_str(), nullptr, &result);
        EXPECT_EQ(XML_ERROR_NONE, result.errorCode) << name;
        EXPECT_EQ(expected, Dump(document)) << name;
    }
    EXPECT_TRUE(ParseFileText(DataPath("utf16le_broken.xml").c_str(), nullptr, &result).IsNull());
    EXPECT_EQ(XML_ERROR_CHARACTER_CONVERSION, result.errorCode);

    // With the guess turned off, UTF-16 bytes are taken as 8-bit text and stop at the first NUL.
    SetParserOptions(false, XML_CHARS_UTF8);
    CXmlElement raw = ParseFileText(DataPath("utf16le_bom.xml").c_str(), nullptr, &result);
    EXPECT_NE(expected, Dump(raw));
}

TEST_F(XmlFile, Utf16DetectionAndConversion)
{
    size_t mark = 9;
    const unsigned char le[] = {'<', 0, 'a', 0, '>', 0};
    const unsigned char be[] = {0, '<', 0, 'a', 0, '>'};
    const unsigned char bom[] = {0xFE, 0xFF, 0, 'x'};
    const unsigned char ascii[] = "<a>plain</a>";
    EXPECT_EQ(UTF16_LITTLE_ENDIAN, DetectUtf16Text(le, sizeof le, &mark));
    EXPECT_EQ(0u, mark);
    EXPECT_EQ(UTF16_BIG_ENDIAN, DetectUtf16Text(be, sizeof be, &mark));
    EXPECT_EQ(UTF16_BIG_ENDIAN, DetectUtf16Text(bom, sizeof bom, &mark));
    EXPECT_EQ(2u, mark);
    EXPECT_EQ(UTF16_NOT_UTF16, DetectUtf16Text(ascii, sizeof ascii - 1, &mark));
    EXPECT_EQ(UTF16_NOT_UTF16, DetectUtf16Text(le, 1, &mark));

    struct Case
    {
        std::string bytes;
        Utf16ByteOrder order;
        const char* expected;  // none: not valid UTF-16
    };
    const Case cases[] = {
        {std::string("A\0\xE9\0\xAC\x20", 6), UTF16_LITTLE_ENDIAN, "A\xC3\xA9\xE2\x82\xAC"},
        {std::string("\xD8\x3D\xDE\x00", 4), UTF16_BIG_ENDIAN, "\xF0\x9F\x98\x80"},
        {std::string("\x3D\xD8", 2), UTF16_LITTLE_ENDIAN, nullptr},          // lone high half
        {std::string("\x00\xDC\x41\x00", 4), UTF16_LITTLE_ENDIAN, nullptr},  // lone low half
        {std::string("\x3D\xD8\x41\x00", 4), UTF16_LITTLE_ENDIAN, nullptr},  // high, then no low
        {std::string("A\0B", 3), UTF16_LITTLE_ENDIAN, nullptr},              // odd length
    };
    for (const Case& c : cases)
    {
        size_t length = 0;
        char* text = ConvertUtf16ToUtf8(reinterpret_cast<const unsigned char*>(c.bytes.data()),
                                        c.bytes.size(), c.order, &length);
        if (c.expected == nullptr)
        {
            EXPECT_EQ(nullptr, text);
        }
        else
        {
            ASSERT_NE(nullptr, text);
            EXPECT_STREQ(c.expected, text);
            EXPECT_EQ(strlen(c.expected), length);
        }
        free(text);
    }
}

TEST_F(XmlFile, GuessTextEncoding)
{
    struct Case
    {
        std::string bytes;
        bool useAttribute;
        XmlCharEncoding expected;
    };
    const std::string pad = "<document-long-enough-to-guess>";
    const Case cases[] = {
        {"<a>short</a>", true, XML_CHARS_SINGLE_BYTE},
        {"\xEF\xBB\xBF" + pad, true, XML_CHARS_UTF8},
        {pad + "caf\xC3\xA9", true, XML_CHARS_UTF8},
        {pad + "caf\xE9 x", true, XML_CHARS_SINGLE_BYTE},
        {pad + "\xA9 stray continuation", true, XML_CHARS_SINGLE_BYTE},
        {pad + "cut at the end \xE2\x82", true, XML_CHARS_UTF8},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", true, XML_CHARS_SINGLE_BYTE},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", false, XML_CHARS_UTF8},
        {"<?xml version='1.0' encoding = 'UTF8'?><a/>", true, XML_CHARS_UTF8},
        {"<?xml version='1.0' encoding='Utf-8'?><a/>", true, XML_CHARS_UTF8},
        {"<?xml version='1.0' encoding=utf-8?><a/>", true, XML_CHARS_UTF8},  // not quoted
        {std::string("<\0?\0x\0m\0l\0 \0v\0e\0r\0s\0i\0o\0n\0", 26), true, XML_CHARS_SINGLE_BYTE},
        // The attribute is only looked for in the first 200 bytes.
        {std::string(200, ' ') + "encoding='latin1'", true, XML_CHARS_UTF8},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.expected,
                  GuessTextEncoding(c.bytes.data(), int(c.bytes.size()), c.useAttribute))
            << c.bytes;
    }
}

TEST_F(XmlFile, LoadDocumentReturnsTheFirstTagOfAGoodFile)
{
    CXmlElement root = LoadDocument(DataPath("model.xml").c_str(), "KyrelModelFormat");
    ASSERT_STREQ("KyrelModelFormat", root.Name());
    CXmlElement object = root.FindChild("model").FindChild("object");
    EXPECT_STREQ("4", object.FindAttribute("numvertices"));
    EXPECT_STREQ("1", object.FindNthChild("vertex", 2).FindAttribute("v0"));
    EXPECT_STREQ("3", object.FindNthChild("face", 1).FindAttribute("c"));
    EXPECT_EQ(nullptr, object.FindNthChild("face", 1).FindAttribute("d"));
}

TEST_F(XmlFile, LoadDocumentReportsEveryFailureAndExitsWith255)
{
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    const std::string unmatched = DataPath("unmatched.xml");
    EXPECT_EXIT(LoadDocument(unmatched.c_str(), "a"), ::testing::ExitedWithCode(255),
                "^XML Parsing error\nXML Parsing error inside file '.*unmatched.xml'.\n"
                "Warning: Unmatched end tag\nAt line 3, column 5.\n$");
    const std::string noFirstTag = DataPath("no_first_tag.xml");
    EXPECT_EXIT(LoadDocument(noFirstTag.c_str(), "KyrelModelFormat"),
                ::testing::ExitedWithCode(255),
                "Error: First Tag not found\nAt line 0, column 0.\n"
                "First Tag should be 'KyrelModelFormat'.\n$");
    EXPECT_EXIT(LoadDocument(DataPath("empty.xml").c_str(), "a"), ::testing::ExitedWithCode(255),
                "Error: No XML data\nAt line 0, column 0.\n$");
    // A path too long for the message is cut, not overrun.
    const std::string longPath = "/nonexistent/" + std::string(5000, 'x') + ".xml";
    EXPECT_EXIT(LoadDocument(longPath.c_str(), "a"), ::testing::ExitedWithCode(255),
                "^XML Parsing error\nXML Parsing error inside file '/nonexistent/xxx");
}

TEST_F(XmlFile, RealDocumentsParseAsExpected)
{
    struct Case
    {
        const char* name;
        int code;
        const char* top;  // name of the element returned, none for the nameless root
    };
    // Lenient rules on real files: a DOCTYPE ends at its first '>', processing instructions stay
    // open like declarations and are closed by the next end tag, unknown entities are errors.
    const Case cases[] = {
        {"good/pugixml-fuzzseed-basic.xml", 0, "node"},
        {"good/pugixml-fuzzseed-doctype.xml", XML_ERROR_UNEXPECTED_TOKEN, nullptr},
        {"good/pugixml-fuzzseed-refs.xml", XML_ERROR_UNKNOWN_ENTITY, nullptr},
        {"good/pugixml-fuzzseed-types.xml", XML_WARNING_UNMATCHED_END_TAG, "xml"},
        {"good/pugixml-large.xml", 0, "node"},
        {"good/pugixml-latintest_latin1.xml", 0, "xml"},
        {"good/pugixml-latintest_utf8.xml", 0, "xml"},
        {"good/pugixml-multiline.xml", 0, nullptr},
        {"good/pugixml-small.xml", 0, "node"},
        {"good/pugixml-truncation.xml", XML_WARNING_UNMATCHED_END_TAG, "xml"},
        {"good/pugixml-utftest_utf8.xml", 0, "xml"},
        {"good/pugixml-utftest_utf8_bom.xml", 0, "xml"},
        {"good/pugixml-utftest_utf8_nodecl.xml", 0, nullptr},
        {"questionable/pugixml-empty.xml", XML_ERROR_NO_XML_DATA, nullptr},
        {"questionable/pugixml-fuzzseed-utf16.xml", 0, "xml"},
        {"questionable/pugixml-fuzzseed-utf32.xml", XML_ERROR_NO_ELEMENTS, nullptr},
        {"questionable/pugixml-utftest_utf16_be.xml", 0, "xml"},
        {"questionable/pugixml-utftest_utf16_le_bom.xml", 0, "xml"},
        {"questionable/pugixml-utftest_utf32_le_bom.xml", XML_ERROR_NO_ELEMENTS, nullptr},
    };
    if (!Exists(SharedPath("good")))
    {
        GTEST_SKIP() << "shared XML test documents not present at " << SharedPath("");
    }
    for (const Case& c : cases)
    {
        const std::string path = SharedPath(c.name);
        XmlParseResult result{};
        CXmlElement element = ParseFileText(path.c_str(), nullptr, &result);
        EXPECT_EQ(c.code, result.errorCode) << c.name;
        if (c.code == 0 || c.code == XML_WARNING_UNMATCHED_END_TAG)
        {
            ASSERT_FALSE(element.IsNull()) << c.name;
            EXPECT_STREQ(c.top, element.Name()) << c.name;
        }
    }
    // The same document in three encodings gives one tree.
    const std::string utf8 =
        Dump(ParseFileText(SharedPath("good/pugixml-utftest_utf8.xml").c_str()));
    EXPECT_EQ(utf8, Dump(ParseFileText(SharedPath("good/pugixml-utftest_utf8_bom.xml").c_str())));
    EXPECT_EQ(utf8,
              Dump(ParseFileText(SharedPath("questionable/pugixml-utftest_utf16_be.xml").c_str())));
    EXPECT_EQ(utf8, Dump(ParseFileText(
                        SharedPath("questionable/pugixml-utftest_utf16_le_bom.xml").c_str())));
    EXPECT_EQ(10000, ParseFileText(SharedPath("good/pugixml-large.xml").c_str()).ChildCount());
}

namespace
{
// The whole outcome of one parse, by the fast paths (block scan, tags read pair by pair in place)
// or by the plain ones.
std::string ParseOutcome(const std::string& path, const char* text, bool fast)
{
    const XmlInternal::XmlParseOptions options{fast, fast};
    XmlParseResult result{};
    CXmlElement root =
        text ? XmlInternal::ParseTextOfLength(text, strlen(text), nullptr, &result, options)
             : XmlInternal::ParseFileTextWith(path.c_str(), nullptr, &result, options);
    return Dump(root) + " error " + std::to_string(result.errorCode) + " at " +
           std::to_string(result.line) + ":" + std::to_string(result.column);
}
}  // namespace

// The fast paths give the same trees, errors and places as the plain ones: on every shared
// document in both character modes; on values with a reference, a multi-byte character, the
// other quote, a '<' or the end of the text at every offset around a block; and on tags where
// reading name="value" pairs at once has to stop and leave the rest to the tokens.
TEST_F(XmlFile, FastPathsAgreeWithPlainPaths)
{
    std::vector<std::string> texts = {
        "<a x=\"1\" y='2'/>",
        "<a x = \"1\"\n\ty\t=\t'2' >t</a>",
        "<a x y=\"1\" z/>",
        "<a x=1 y=\"2\"/>",
        "<a x=\"1 y='2'/>",
        "<a x=\"1<b/>",
        "<a x='\"' y=\"'\"/>",
        "<a x=\"&amp;&#65;&#x42;&LT;\" y=\"&bad;\"/>",
        "<a\nx=\"1\"\ny=\"&#65\"/>",
        "<?xml version=\"1.0\" encoding='utf-8'?><r a=\"1\"?/>",
        "<?xml v?><r/>",
        "<a x/y=\"1\" u/>v=\"2\"/>",
        "<a \xC3\xA9=\"1\" x\xC3\xA9=\"2\"/>",
        "<a\n>t</a ><b\t/><c\r\n x=\"1\"\r\n/>",
        "<a x=\"1\"><b y=\"2\"></a><c z='3'/>",
        "<a x=\"1\"></b>",
        "<a =\"1\"/>",
        "<a x=/>",
        "<a x=\"1\"=/>",
        "<a x=\"1\"x=\"2\"/>",
        "<a x=\"1\" <b/>",
        "<a x=\"1\"",
        "<a x=",
        "<a x",
        "<a x=\"1\">text &amp; more<![CDATA[c]]><!-- d --></a>",
        "<a><Pre>x</PRE><script>s</Script><p/><s x='1'/><!d/>t <b/><\xC3\xA9/><1 x='2'/></a>",
        "<a>\n<b\ny='1'/>\n<c></c>\n</a>",
    };
    for (const char* special : {"&amp;", "\xC3\xA9", "'", "<", "\xE2\x82", ""})
    {
        for (size_t offset = 0; offset < 40; ++offset)
        {
            std::string value = std::string(offset, 'v') + special + std::string(20, 'w');
            texts.push_back("<a x=\"" + value + "\" y='" + value + "'/>");
            texts.push_back("<a x=\"" + std::string(offset, 'v') + special);  // cut short
        }
    }
    for (XmlCharEncoding mode : {XML_CHARS_UTF8, XML_CHARS_SINGLE_BYTE})
    {
        SetParserOptions(true, mode);
        for (const std::string& text : texts)
        {
            EXPECT_EQ(ParseOutcome("", text.c_str(), false), ParseOutcome("", text.c_str(), true))
                << text;
        }
    }
    if (!Exists(SharedPath("good")))
    {
        GTEST_SKIP() << "shared XML test documents not present at " << SharedPath("");
    }
    int documents = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(SharedPath("")))
    {
        if (!entry.is_regular_file())
        {
            continue;
        }
        const std::string path = entry.path().string();
        for (XmlCharEncoding mode : {XML_CHARS_UTF8, XML_CHARS_SINGLE_BYTE})
        {
            SetParserOptions(true, mode);
            EXPECT_EQ(ParseOutcome(path, nullptr, false), ParseOutcome(path, nullptr, true))
                << path;
        }
        ++documents;
    }
    EXPECT_GT(documents, 10);
}

// A document large enough that the file buffer and the pool take huge-page blocks reads the same by
// both paths, from a file and from memory, with every element there.
TEST_F(XmlFile, LargeDocumentReadsTheSameByFastAndPlainPaths)
{
    const int count = 200000;
    std::string text = "<r>\n";
    for (int i = 0; i < count; ++i)
    {
        text += "  <vertex x=\"" + std::to_string(i) + "\" y='&amp;" + std::to_string(i % 7) +
                "' z=\"0.125000\"/>\n";
    }
    text += "</r>\n";
    ASSERT_GT(text.size(), size_t(8) << 20);
    kyrel_test::TempDir folder("xmllarge");
    const std::string path = kyrel_test::WriteFile(folder.File("large.xml"), text);
    CXmlElement root = ParseFileText(path.c_str(), "r");
    ASSERT_EQ(count, root.ChildCount());
    EXPECT_STREQ("199999", root.ChildAt(count - 1).FindAttribute("x"));
    EXPECT_STREQ("&2", root.ChildAt(count - 1).FindAttribute("Y"));
    EXPECT_EQ(ParseOutcome(path, nullptr, false), ParseOutcome(path, nullptr, true));
    EXPECT_EQ(ParseOutcome("", text.c_str(), false), ParseOutcome("", text.c_str(), true));
}
