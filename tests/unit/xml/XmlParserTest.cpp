// Parsing, recovery, error positions and lookups of the XML reader, on documents held in memory.
#include "xml/XmlInternal.h"
#include "xml/xmlParser.h"

#include <gtest/gtest.h>
#include <string>

namespace
{
struct Parsed
{
    CXmlElement element;
    XmlParseResult result;
};

Parsed Parse(const std::string& text, const char* firstTag = nullptr)
{
    Parsed parsed;
    parsed.element = ParseText(text.c_str(), firstTag, &parsed.result);
    return parsed;
}

class XmlParser : public ::testing::Test
{
protected:
    void SetUp() override { SetParserOptions(true, XML_CHARS_UTF8); }
    void TearDown() override { SetParserOptions(true, XML_CHARS_UTF8); }
};
}  // namespace

TEST_F(XmlParser, UnmatchedEndTagClosesElementsUpwardWithAWarning)
{
    Parsed parsed = Parse("<a><b></a>");
    EXPECT_EQ(XML_WARNING_UNMATCHED_END_TAG, parsed.result.errorCode);
    EXPECT_EQ(1, parsed.result.line);
    EXPECT_EQ(11, parsed.result.column);  // just past "</a>"
    ASSERT_FALSE(parsed.element.IsNull());
    EXPECT_STREQ("a", parsed.element.Name());
    ASSERT_EQ(1, parsed.element.ChildCount());
    EXPECT_STREQ("b", parsed.element.ChildAt(0).Name());
    EXPECT_EQ(0, parsed.element.ChildAt(0).ItemCount());

    // Three levels closed by one end tag; the sibling after it lands under the right parent.
    parsed = Parse("<r><a><b><c></a><d/></r>");
    EXPECT_EQ(XML_WARNING_UNMATCHED_END_TAG, parsed.result.errorCode);
    ASSERT_EQ(2, parsed.element.ChildCount());
    EXPECT_STREQ("d", parsed.element.ChildAt(1).Name());
    EXPECT_EQ(1, parsed.element.ChildAt(0).ChildAt(0).ChildCount());
}

TEST_F(XmlParser, EndTagThatNothingMatchesIsAnError)
{
    Parsed parsed = Parse("<a></b>");
    EXPECT_EQ(XML_ERROR_UNMATCHED_END_TAG, parsed.result.errorCode);
    EXPECT_TRUE(parsed.element.IsNull());
}

TEST_F(XmlParser, AttributesWithAndWithoutValues)
{
    Parsed parsed = Parse("<a x=\"1\" y z='2' w=bare/>");
    ASSERT_EQ(XML_ERROR_NONE, parsed.result.errorCode);
    const CXmlElement& a = parsed.element;
    ASSERT_EQ(4, a.AttributeCount());
    EXPECT_STREQ("1", a.FindAttribute("X"));
    EXPECT_EQ(nullptr, a.FindAttribute("Y"));
    EXPECT_TRUE(a.HasAttribute("Y"));
    EXPECT_STREQ("y", a.AttributeAt(1).name);
    EXPECT_EQ(nullptr, a.AttributeAt(1).value);
    EXPECT_STREQ("2", a.FindAttribute("z"));
    EXPECT_STREQ("bare", a.FindAttribute("w"));
    EXPECT_EQ(nullptr, a.FindAttribute("missing"));
    EXPECT_FALSE(a.HasAttribute("missing"));
    // A value-less attribute just before the end of the tag is kept too.
    EXPECT_STREQ("flag", Parse("<a flag>t</a>").element.AttributeAt(0).name);
}

TEST_F(XmlParser, DeclarationsStayOpenAndTheFirstTagIsFoundInside)
{
    const std::string text = "<?xml version=\"1.0\"?><KyrelModelFormat/>";
    Parsed parsed = Parse(text);
    ASSERT_EQ(XML_ERROR_NONE, parsed.result.errorCode);
    EXPECT_TRUE(parsed.element.IsDeclaration());
    EXPECT_STREQ("xml", parsed.element.Name());
    ASSERT_EQ(1, parsed.element.AttributeCount());  // the '?' adds no attribute
    EXPECT_STREQ("1.0", parsed.element.FindAttribute("version"));
    EXPECT_STREQ("KyrelModelFormat", parsed.element.ChildAt(0).Name());

    parsed = Parse(text, "kyrelmodelformat");
    ASSERT_FALSE(parsed.element.IsNull());
    EXPECT_STREQ("KyrelModelFormat", parsed.element.Name());

    // An unquoted last value loses the '?' of the declaration's end.
    parsed = Parse("<?xml standalone version=1.0?><a/>");
    EXPECT_STREQ("1.0", parsed.element.FindAttribute("version"));
    EXPECT_TRUE(parsed.element.HasAttribute("standalone"));
    EXPECT_EQ(2, parsed.element.AttributeCount());
}

TEST_F(XmlParser, FirstTagSearch)
{
    // The comment beside <a> keeps the nameless root as the result, so only the search reaches a.
    Parsed parsed = Parse("<!-- <b> --><a/>");
    EXPECT_EQ(nullptr, parsed.element.Name());
    EXPECT_EQ(2, parsed.element.ItemCount());
    EXPECT_STREQ("a", Parse("<!-- <b> --><a/>", "A").element.Name());

    parsed = Parse("<?xml?><other/><?inner?><x/><wanted k='1'/>", "WANTED");
    EXPECT_STREQ("1", parsed.element.FindAttribute("k"));

    parsed = Parse("<?xml version=\"1.0\"?><Other/>", "KyrelModelFormat");
    EXPECT_TRUE(parsed.element.IsNull());
    EXPECT_EQ(XML_ERROR_FIRST_TAG_NOT_FOUND, parsed.result.errorCode);
    EXPECT_EQ(0, parsed.result.line);
    EXPECT_EQ(0, parsed.result.column);

    // Only declarations are entered; an ordinary element's children are not searched.
    EXPECT_TRUE(Parse("<r><x/><top><wanted/></top></r>", "wanted").element.IsNull());
}

TEST_F(XmlParser, EntitiesAndNumericReferences)
{
    struct Case
    {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"<a>&AMP;&#65;&#x42;</a>", "&AB"},
        {"<a>&lt;&gt;&quot;&apos;&Amp;</a>", "<>\"'&"},
        {"<a>&#321;&#X4a;</a>", "AJ"},  // the value is kept modulo 256
        {"<a>x &amp; y</a>", "x & y"},
    };
    for (const Case& c : cases)
    {
        Parsed parsed = Parse(c.text);
        EXPECT_EQ(XML_ERROR_NONE, parsed.result.errorCode) << c.text;
        EXPECT_STREQ(c.expected, parsed.element.TextAt(0)) << c.text;
    }
    EXPECT_STREQ("a<b", Parse("<e v=\"a&lt;b\"/>").element.FindAttribute("v"));

    const char* const broken[] = {"<a>&foo;</a>", "<a>&#65</a>", "<a>&amp</a>", "<e v='&x;'/>",
                                  "<a>&</a>"};
    for (const char* text : broken)
    {
        Parsed parsed = Parse(text);
        EXPECT_EQ(XML_ERROR_UNKNOWN_ENTITY, parsed.result.errorCode) << text;
        EXPECT_TRUE(parsed.element.IsNull()) << text;
    }
}

TEST_F(XmlParser, TextKeepsInnerSpacingAndQuotes)
{
    EXPECT_STREQ("x  y", Parse("<a>  x  y  </a>").element.TextAt(0));
    EXPECT_STREQ("it's \"quoted\" = 'x",
                 Parse("<a>it's \"quoted\" = 'x <b/></a>").element.TextAt(0));
    EXPECT_STREQ("a/b > c", Parse("<a>a/b > c</a>").element.TextAt(0));
}

TEST_F(XmlParser, ClearSectionsAreKeptVerbatim)
{
    Parsed parsed =
        Parse("<a>t &amp; u<![CDATA[<x>&amp;]]><pre> p </PRE><Script>s<</Script><!--c--></a>");
    ASSERT_EQ(XML_ERROR_NONE, parsed.result.errorCode);
    const CXmlElement& a = parsed.element;
    // Text before a clear section is not entity-decoded.
    EXPECT_STREQ("t &amp; u", a.TextAt(0));
    ASSERT_EQ(4, a.ClearCount());
    EXPECT_STREQ("<x>&amp;", a.ClearAt(0).value);
    EXPECT_STREQ("<![CDATA[", a.ClearAt(0).openingMarker);
    EXPECT_STREQ("]]>", a.ClearAt(0).closingMarker);
    EXPECT_STREQ(" p ", a.ClearAt(1).value);
    EXPECT_STREQ("s<", a.ClearAt(2).value);
    EXPECT_STREQ("c", a.ClearAt(3).value);

    // A DOCTYPE ends at the first '>'.
    parsed = Parse("<!DOCTYPE a [<!ENTITY e \"x\">]><a/>");
    EXPECT_STREQ(" a [<!ENTITY e \"x\"", parsed.element.ClearAt(0).value);
}

TEST_F(XmlParser, ErrorCodesAndPositions)
{
    struct Case
    {
        const char* text;
        int code;
        int line;
        int column;
    };
    const Case cases[] = {
        {"<a><!-- unterminated", XML_ERROR_UNMATCHED_CLEAR_TAG_END, 1, 8},
        {"<a>text", XML_WARNING_UNMATCHED_END_TAG, 1, 8},
        {"<a>\n<>", XML_ERROR_MISSING_START_TAG_NAME, 2, 3},
        {"<a>\n\n  </>", XML_ERROR_MISSING_END_TAG_NAME, 3, 6},
        {"<a></a x>", XML_ERROR_MISSING_END_TAG_NAME, 1, 9},
        {"<a x=>", XML_ERROR_UNEXPECTED_TOKEN, 1, 7},
        {"<a =>", XML_ERROR_UNEXPECTED_TOKEN, 1, 5},
        {"<a x='1'", XML_ERROR_UNEXPECTED_TOKEN, 1, 9},
        {"<r><a>\n<b>\n</r>", XML_WARNING_UNMATCHED_END_TAG, 3, 5},
        {"<a>\n&bad;</a>", XML_ERROR_UNKNOWN_ENTITY, 2, 8},
    };
    for (const Case& c : cases)
    {
        Parsed parsed = Parse(c.text);
        EXPECT_EQ(c.code, parsed.result.errorCode) << c.text;
        EXPECT_EQ(c.line, parsed.result.line) << c.text;
        EXPECT_EQ(c.column, parsed.result.column) << c.text;
        EXPECT_EQ(c.code != XML_WARNING_UNMATCHED_END_TAG, parsed.element.IsNull()) << c.text;
    }
    XmlParseResult result{XmlError(99), 99, 99};
    EXPECT_TRUE(ParseText(nullptr, nullptr, &result).IsNull());
    EXPECT_EQ(XML_ERROR_NO_ELEMENTS, result.errorCode);
    EXPECT_TRUE(ParseText("", nullptr, &result).IsNull());
    EXPECT_EQ(XML_ERROR_NO_ELEMENTS, result.errorCode);
    EXPECT_EQ(0, result.line);
}

TEST_F(XmlParser, CharacterModeDecidesColumnsAndScanning)
{
    // Two two-byte characters before the error: two columns in UTF-8, four in single-byte mode.
    const std::string text = "<a>\xC3\xA9\xC3\xA9<>";
    EXPECT_EQ(8, Parse(text).result.column);
    SetParserOptions(true, XML_CHARS_SINGLE_BYTE);
    EXPECT_EQ(10, Parse(text).result.column);
    SetParserOptions(true, XML_CHARS_UTF8);

    // A malformed lead byte swallows the quote that follows it in UTF-8 mode.
    Parsed parsed = Parse("<a v=\"x\xE2\">\" w='1'/>");
    EXPECT_STREQ("x\xE2\">", parsed.element.FindAttribute("v"));
    // A sequence cut off by the end of the text never reads past it.
    for (const char* cut : {"<a v=\"\xF0", "<a>\xE2", "<a \xC3", "<a>&\xF0"})
    {
        EXPECT_NE(XML_ERROR_NONE, Parse(cut).result.errorCode) << cut;
    }
}

TEST_F(XmlParser, NamesCompareWithoutCase)
{
    Parsed parsed = Parse("<Model><FACE a='1'/><face a='2'/><Other/><FaCe a='3'/></MODEL>");
    ASSERT_EQ(XML_ERROR_NONE, parsed.result.errorCode);
    const CXmlElement& model = parsed.element;
    int cursor = 0;
    EXPECT_STREQ("1", model.FindChild("face", &cursor).FindAttribute("A"));
    EXPECT_EQ(1, cursor);
    EXPECT_STREQ("2", model.FindChild("face", &cursor).FindAttribute("a"));
    EXPECT_STREQ("3", model.FindChild("face", &cursor).FindAttribute("a"));
    EXPECT_EQ(4, cursor);
    EXPECT_TRUE(model.FindChild("face", &cursor).IsNull());
    EXPECT_EQ(4, cursor);  // a miss leaves the cursor alone

    EXPECT_STREQ("3", model.FindNthChild("FACE", 2).FindAttribute("a"));
    EXPECT_TRUE(model.FindNthChild("face", 3).IsNull());
    EXPECT_TRUE(model.FindNthChild("face", -1).IsNull());

    EXPECT_STREQ("2", model.FindChildWithAttribute("face", "A", "2").FindAttribute("a"));
    EXPECT_TRUE(model.FindChildWithAttribute("face", "b").IsNull());
    // An end tag is matched as a whole word: "</ab>" does not close <a>.
    EXPECT_EQ(XML_WARNING_UNMATCHED_END_TAG, Parse("<ab><a></ab>").result.errorCode);
}

TEST_F(XmlParser, ItemsFollowDocumentOrder)
{
    Parsed parsed = Parse("<a k=\"v\">t1<b/><!--c-->t2<d/></a>");
    const CXmlElement& a = parsed.element;
    ASSERT_EQ(6, a.ItemCount());
    const XmlItemKind kinds[] = {XML_ITEM_ATTRIBUTE, XML_ITEM_TEXT,  XML_ITEM_CHILD, XML_ITEM_CLEAR,
                                 XML_ITEM_TEXT,      XML_ITEM_CHILD, XML_ITEM_NONE};
    for (int i = 0; i < 7; ++i)
    {
        EXPECT_EQ(kinds[i], a.ItemAt(i).kind) << i;
    }
    EXPECT_STREQ("k", a.ItemAt(0).attribute.name);
    EXPECT_STREQ("t2", a.ItemAt(4).text);
    EXPECT_STREQ("d", a.ItemAt(5).child.Name());
    EXPECT_STREQ("c", a.ItemAt(3).clear.value);
    EXPECT_EQ(XML_ITEM_NONE, a.ItemAt(-1).kind);
}

TEST_F(XmlParser, EmptyHandleAnswersEverythingHarmlessly)
{
    const CXmlElement& empty = CXmlElement::Empty();
    EXPECT_TRUE(empty.IsNull());
    EXPECT_EQ(nullptr, empty.Name());
    EXPECT_TRUE(empty.Parent().IsNull());
    EXPECT_FALSE(empty.IsDeclaration());
    EXPECT_EQ(0, empty.ItemCount());
    EXPECT_TRUE(empty.FindChild("a").IsNull());
    EXPECT_TRUE(empty.FindNthChild("a", 0).IsNull());
    EXPECT_EQ(nullptr, empty.FindAttribute("a"));
    EXPECT_EQ(XML_ITEM_NONE, empty.ItemAt(0).kind);
    EXPECT_TRUE(empty.ChildAt(0).IsNull());

    // Out-of-range indexes on a real element give the empty results too.
    Parsed parsed = Parse("<a k='v'>t<b/><!--c--></a>");
    EXPECT_TRUE(parsed.element.ChildAt(1).IsNull());
    EXPECT_EQ(nullptr, parsed.element.TextAt(-1));
    EXPECT_EQ(nullptr, parsed.element.AttributeAt(1).name);
    EXPECT_EQ(nullptr, parsed.element.ClearAt(1).openingMarker);
}

TEST_F(XmlParser, HandlesShareRecordsAndChildrenOutliveTheirDocument)
{
    CXmlElement child;
    {
        CXmlElement document = ParseText("<a><b k='v'><c/></b></a>");
        child = document.FindChild("b");
        EXPECT_EQ(2, child.Data()->referenceCount);  // the parent's and ours
        EXPECT_STREQ("a", child.Parent().Name());
        CXmlElement copy = child;
        EXPECT_EQ(copy.Data(), child.Data());
    }
    EXPECT_EQ(1, child.Data()->referenceCount);
    EXPECT_TRUE(child.Parent().IsNull());
    EXPECT_STREQ("v", child.FindAttribute("k"));
    EXPECT_STREQ("c", child.ChildAt(0).Name());
    EXPECT_STREQ("b", child.ChildAt(0).Parent().Name());
}

TEST_F(XmlParser, ArraysAreTrimmedWhenAnElementIsComplete)
{
    std::string text = "<a>";
    for (int i = 0; i < 120; ++i)
    {
        text += "<v x='1' y='2'/>t";
    }
    text += "</a>";
    Parsed parsed = Parse(text);
    const XmlElementData* a = parsed.element.Data();
    ASSERT_EQ(120, a->childCount);
    EXPECT_EQ(120, a->childCapacity);
    EXPECT_EQ(120, a->textCapacity);
    EXPECT_EQ(240, a->orderCapacity);
    EXPECT_EQ(2, parsed.element.ChildAt(119).Data()->attributeCapacity);
    // Elements left open by the end of the text are trimmed as well.
    parsed = Parse("<a><b x='1'>");
    EXPECT_EQ(1, parsed.element.Data()->childCapacity);
    EXPECT_EQ(1, parsed.element.ChildAt(0).Data()->attributeCapacity);
}

TEST_F(XmlParser, DeepNestingNeitherOverflowsTheStackNorFails)
{
    const int depth = 200000;
    std::string text;
    for (int i = 0; i < depth; ++i)
    {
        text += "<n>";
    }
    for (int i = 0; i < depth; ++i)
    {
        text += "</n>";
    }
    Parsed parsed = Parse(text);
    ASSERT_EQ(XML_ERROR_NONE, parsed.result.errorCode);
    CXmlElement deepest = parsed.element;
    int levels = 1;
    while (deepest.ChildCount() == 1)
    {
        deepest = deepest.ChildAt(0);
        ++levels;
    }
    EXPECT_EQ(depth, levels);

    // Left open: a warning, and the whole chain is released without recursion.
    parsed = Parse(text.substr(0, size_t(depth) * 3));
    EXPECT_EQ(XML_WARNING_UNMATCHED_END_TAG, parsed.result.errorCode);
}

TEST_F(XmlParser, ErrorMessages)
{
    EXPECT_STREQ("No error", XmlErrorMessage(XmlError(0)));
    EXPECT_STREQ("Warning: Unmatched end tag", XmlErrorMessage(XmlError(1)));
    EXPECT_STREQ("Error: First Tag not found", XmlErrorMessage(XmlError(13)));
    EXPECT_STREQ("Error: unable to convert between UNICODE and MultiByte chars",
                 XmlErrorMessage(XmlError(15)));
    EXPECT_STREQ("Error: Base64 decode output buffer is too small", XmlErrorMessage(XmlError(21)));
    EXPECT_STREQ("Unknown", XmlErrorMessage(XmlError(22)));
    EXPECT_STREQ("Unknown", XmlErrorMessage(XmlError(-1)));
}
