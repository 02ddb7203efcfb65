// Writing XML element trees: serialisation to text (indented or not) and saving to a file with
// an XML header.
#include "xml/xmlParser.h"

#include "xml/TextEncoding.h"
#include "xml/XmlInternal.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

using namespace XmlInternal;

namespace
{
const char kXmlHeaderUtf8[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
const char kXmlHeaderFormat[] = "<?xml version=\"1.0\" encoding=\"%s\"?>\n";

// Counts bytes when it has no buffer, writes them when it has one: the two passes of Serialize
// run the same code and so agree on the length.
class TextWriter
{
public:
    explicit TextWriter(char* buffer) : out(buffer) {}

    void Put(char c)
    {
        if (out != nullptr)
        {
            out[length] = c;
        }
        ++length;
    }
    void Put(const char* text, size_t count)
    {
        if (out != nullptr)
        {
            memcpy(out + length, text, count);
        }
        length += count;
    }
    void Put(const char* text) { Put(text, strlen(text)); }
    void Tabs(int count)
    {
        for (int i = 0; i < count; ++i)
        {
            Put('\t');
        }
    }
    void LineEnd(bool formatted)
    {
        if (formatted)
        {
            Put('\n');
        }
    }
    // The last byte written is a space that the element's shape decides about.
    void ReplaceLast(char c)
    {
        if (out != nullptr)
        {
            out[length - 1] = c;
        }
    }
    void DropLast() { --length; }
    void Escaped(const char* text)
    {
        for (const char* p = text; *p != '\0';)
        {
            char character = 0;
            const char* entity = nullptr;
            for (const NamedEntity& named : kNamedEntities)
            {
                if (named.character == *p)
                {
                    entity = named.text;
                    character = named.character;
                    break;
                }
            }
            if (entity != nullptr && character != 0)
            {
                Put(entity);
                ++p;
                continue;
            }
            const char* next = StepChar(p, gCharLengths);
            Put(p, size_t(next - p));
            p = next;
        }
    }
    size_t Length() const { return length; }

private:
    char* out;
    size_t length = 0;
};

bool HasContent(const XmlElementData* record)
{
    return OrderCount(record) > 0;
}

void WriteOpening(TextWriter& writer, const XmlElementData* record, int depth)
{
    if (record->name == nullptr)
    {
        return;
    }
    bool formatted = depth >= 0;
    if (formatted)
    {
        writer.Tabs(depth);
    }
    writer.Put('<');
    if (record->isDeclaration)
    {
        writer.Put('?');
    }
    writer.Put(record->name);
    writer.Put(' ');
    for (int i = 0; i < record->attributeCount; ++i)
    {
        const XmlAttribute& attribute = record->attributes[i];
        if (attribute.name == nullptr || attribute.name[0] == '\0')
        {
            continue;
        }
        writer.Put(attribute.name);
        if (attribute.value != nullptr)
        {
            writer.Put("=\"", 2);
            writer.Escaped(attribute.value);
            writer.Put('"');
        }
        writer.Put(' ');
    }
    if (record->isDeclaration)
    {
        writer.ReplaceLast('?');
        writer.Put('>');
        writer.LineEnd(formatted);
    }
    else if (HasContent(record))
    {
        writer.ReplaceLast('>');
        writer.LineEnd(formatted);
    }
    else
    {
        writer.DropLast();
    }
}

void WriteClosing(TextWriter& writer, const XmlElementData* record, int depth)
{
    if (record->name == nullptr || record->isDeclaration)
    {
        return;
    }
    bool formatted = depth >= 0;
    if (!HasContent(record))
    {
        writer.Put("/>", 2);
        writer.LineEnd(formatted);
        return;
    }
    if (formatted && depth > 0)
    {
        writer.Tabs(depth);
    }
    writer.Put("</", 2);
    writer.Put(record->name);
    writer.Put('>');
    writer.LineEnd(formatted);
}

// Writes an element and everything below it. Depth -1 means unformatted. The walk keeps its own
// stack, so a deep tree cannot overflow the call stack.
void WriteTree(TextWriter& writer, const XmlElementData* root, int rootDepth)
{
    struct Frame
    {
        const XmlElementData* record;
        int depth;
        int next;
    };
    std::vector<Frame> stack;
    WriteOpening(writer, root, rootDepth);
    stack.push_back(Frame{root, rootDepth, 0});
    while (!stack.empty())
    {
        Frame& frame = stack.back();
        const XmlElementData* record = frame.record;
        int depth = frame.depth;
        if (frame.next >= OrderCount(record))
        {
            WriteClosing(writer, record, depth);
            stack.pop_back();
            continue;
        }
        int entry = record->order[frame.next++];
        int index = entry >> 2;
        bool formatted = depth >= 0;
        switch (XmlItemKind(entry & 3))
        {
        case XML_ITEM_TEXT:
            if (record->texts[index] != nullptr && record->texts[index][0] != '\0')
            {
                writer.Tabs(formatted ? depth + 1 : 0);
                writer.Escaped(record->texts[index]);
                writer.LineEnd(formatted);
            }
            break;
        case XML_ITEM_CLEAR:
        {
            const XmlClearItem& clear = record->clears[index];
            writer.Tabs(formatted ? depth + 1 : 0);
            writer.Put(clear.openingMarker != nullptr ? clear.openingMarker : "");
            writer.Put(clear.value != nullptr ? clear.value : "");
            writer.Put(clear.closingMarker != nullptr ? clear.closingMarker : "");
            writer.LineEnd(formatted);
            break;
        }
        case XML_ITEM_CHILD:
        {
            bool indents = record->name != nullptr && !record->isDeclaration;
            int childDepth = !formatted ? -1 : indents ? depth + 1 : depth;
            const XmlElementData* child = record->children[index];
            WriteOpening(writer, child, childDepth);
            stack.push_back(Frame{child, childDepth, 0});  // `frame` is not used after this
            break;
        }
        default:
            break;
        }
    }
}
}  // namespace

char* CXmlElement::Serialize(int format, int* length) const
{
    if (length != nullptr)
    {
        *length = 0;
    }
    if (data == nullptr)
    {
        return nullptr;
    }
    int depth = format != 0 ? 0 : -1;
    TextWriter counter(nullptr);
    WriteTree(counter, data, depth);
    char* text = static_cast<char*>(malloc(counter.Length() + 1));
    if (text == nullptr)
    {
        throw std::bad_alloc();
    }
    TextWriter writer(text);
    WriteTree(writer, data, depth);
    text[writer.Length()] = '\0';
    if (length != nullptr)
    {
        *length = writer.Length() > size_t(INT_MAX) ? INT_MAX : int(writer.Length());
    }
    return text;
}

XmlError CXmlElement::SaveToFile(const char* path, const char* encoding, int format) const
{
    if (data == nullptr)
    {
        return XML_ERROR_NONE;
    }
    int length = 0;
    char* text = Serialize(format, &length);
    FILE* file = path != nullptr ? fopen(path, "wb") : nullptr;
    if (file == nullptr)
    {
        free(text);
        return XML_ERROR_CANNOT_OPEN_FOR_WRITING;
    }
    bool utf8 = GetParserCharacterMode() == XML_CHARS_UTF8;
    bool written = true;
    if (!data->isDeclaration)
    {
        if (encoding == nullptr || utf8)
        {
            written = fwrite(kUtf8Mark, 1, sizeof kUtf8Mark, file) == sizeof kUtf8Mark &&
                      fputs(kXmlHeaderUtf8, file) >= 0;
        }
        else
        {
            written = fprintf(file, kXmlHeaderFormat, encoding) > 0;
        }
    }
    else if (utf8)
    {
        written = fwrite(kUtf8Mark, 1, sizeof kUtf8Mark, file) == sizeof kUtf8Mark;
    }
    written = written && fwrite(text, 1, size_t(length), file) == size_t(length);
    free(text);
    bool closed = fclose(file) == 0;
    return written && closed ? XML_ERROR_NONE : XML_ERROR_CANNOT_WRITE;
}
