// Feeds arbitrary bytes to the XML reader in both character modes, walks the tree it returns,
// writes it back to text and parses that again, and runs the encoding guess, the UTF-16
// conversion and the Base64 decoder on the same bytes.
#include "xml/TextEncoding.h"
#include "xml/XmlBase64Buffer.h"
#include "xml/xmlParser.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace
{
// Visits every item and runs the lookups the model reader makes, iteratively (trees can be deep).
void WalkTree(const CXmlElement& root)
{
    CXmlElement element = root;
    int steps = 0;
    while (!element.IsNull() && steps++ < 100000)
    {
        for (int i = 0; i < element.ItemCount(); ++i)
        {
            XmlItem item = element.ItemAt(i);
            (void)item;
        }
        (void)element.FindAttribute("x");
        (void)element.FindNthChild("vertex", 1);
        element = element.ChildAt(0);
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The text must be NUL-terminated; embedded NULs simply end it early.
    std::string text(reinterpret_cast<const char*>(data), size);
    const char* firstTag = size > 0 && (data[0] & 1) ? "KyrelModelFormat" : nullptr;
    for (XmlCharEncoding mode : {XML_CHARS_UTF8, XML_CHARS_SINGLE_BYTE})
    {
        SetParserOptions(true, mode);
        XmlParseResult result;
        CXmlElement element = ParseText(text.c_str(), firstTag, &result);
        if (result.errorCode < 0 || result.errorCode > XML_ERROR_UNKNOWN_ENTITY ||
            result.line < 0 || result.column < 0)
        {
            abort();
        }
        WalkTree(element);
        if (!element.IsNull())
        {
            char* written = element.Serialize(int(size & 2));
            CXmlElement reparsed = ParseText(written);
            WalkTree(reparsed);
            free(written);
        }
    }
    SetParserOptions(true, XML_CHARS_UTF8);

    XmlBase64Buffer codec;
    int decodedSize = 0;
    XmlError error = XML_ERROR_NONE;
    unsigned char* decoded = codec.Base64Decode(text.c_str(), &decodedSize, &error);
    if (decoded != nullptr && (decodedSize < 0 || decodedSize > int(size)))
    {
        abort();
    }

    (void)GuessTextEncoding(data, int(size), true);
    size_t markLength = 0;
    Utf16ByteOrder order = DetectUtf16Text(data, size, &markLength);
    if (order != UTF16_NOT_UTF16)
    {
        size_t length = 0;
        char* converted = ConvertUtf16ToUtf8(data + markLength, size - markLength, order, &length);
        if (converted != nullptr)
        {
            CXmlElement element = ParseText(converted);
            WalkTree(element);
            free(converted);
        }
    }
    return 0;
}
