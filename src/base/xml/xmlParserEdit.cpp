// Editing of XML element trees: adding, replacing and removing items while the order array
// keeps document order, and the positions of items in it.
#include "xml/xmlParser.h"

#include "xml/XmlInternal.h"

#include <cstdlib>
#include <cstring>
#include <new>

using namespace XmlInternal;

namespace
{
char* CopyToHeap(const char* text)
{
    if (text == nullptr)
    {
        return nullptr;
    }
    size_t length = strlen(text);
    char* copy = static_cast<char*>(malloc(length + 1));
    if (copy == nullptr)
    {
        throw std::bad_alloc();
    }
    memcpy(copy, text, length + 1);
    return copy;
}

// Makes room in document order for an item of `kind` at `position` (-1 or past the end: last)
// and returns the index the item takes in its own array. Call before that array grows.
int InsertOrderEntry(XmlElementData* record, XmlItemKind kind, int position)
{
    int count = OrderCount(record);
    if (position < 0 || position > count)
    {
        position = count;
    }
    // Appending, the common case of building a tree, needs no walk: every item of the kind
    // comes before the new one.
    int index = 0;
    if (position == count)
    {
        index = kind == XML_ITEM_CHILD
                    ? record->childCount
                    : (kind == XML_ITEM_TEXT ? record->textCount : record->clearCount);
    }
    for (int i = 0; i < position && position < count; ++i)
    {
        index += (record->order[i] & 3) == int(kind) ? 1 : 0;
    }
    for (int i = position; i < count; ++i)
    {
        record->order[i] += (record->order[i] & 3) == int(kind) ? 4 : 0;
    }
    ReserveOneMore(record->order, record->orderCapacity, count);
    memmove(record->order + position + 1, record->order + position,
            sizeof(int) * size_t(count - position));
    record->order[position] = index * 4 + int(kind);
    return index;
}

// Takes an item out of document order; later items of its kind move down by one. Call before
// its array shrinks.
void RemoveOrderEntry(XmlElementData* record, XmlItemKind kind, int index)
{
    int count = OrderCount(record);
    const int entry = index * 4 + int(kind);
    for (int i = 0; i < count; ++i)
    {
        if (record->order[i] == entry)
        {
            memmove(record->order + i, record->order + i + 1, sizeof(int) * size_t(count - i - 1));
            --count;
            break;
        }
    }
    for (int i = 0; i < count; ++i)
    {
        if ((record->order[i] & 3) == int(kind) && (record->order[i] >> 2) > index)
        {
            record->order[i] -= 4;
        }
    }
}

int PositionInOrder(const XmlElementData* record, XmlItemKind kind, int index)
{
    const int entry = index * 4 + int(kind);
    for (int i = 0; i < OrderCount(record); ++i)
    {
        if (record->order[i] == entry)
        {
            return i;
        }
    }
    return -1;
}

template <typename T> void InsertAt(T*& array, int& capacity, int& count, int index, const T& value)
{
    ReserveOneMore(array, capacity, count);
    // T may be a pointer type: these arrays hold element records by pointer.
    // NOLINTNEXTLINE(bugprone-sizeof-expression)
    memmove(array + index + 1, array + index, sizeof(T) * size_t(count - index));
    array[index] = value;
    ++count;
}

template <typename T> void RemoveAt(T* array, int& count, int index)
{
    // T may be a pointer type: these arrays hold element records by pointer.
    // NOLINTNEXTLINE(bugprone-sizeof-expression)
    memmove(array + index, array + index + 1, sizeof(T) * size_t(count - index - 1));
    --count;
}

void InsertChild(XmlElementData* parent, XmlElementData* child, int position)
{
    int index = InsertOrderEntry(parent, XML_ITEM_CHILD, position);
    InsertAt(parent->children, parent->childCapacity, parent->childCount, index, child);
    child->parent = parent;
}

// Takes a child out of its parent and drops the parent's reference to it.
void DetachChild(XmlElementData* child)
{
    XmlElementData* parent = child->parent;
    for (int i = 0; i < parent->childCount; ++i)
    {
        if (parent->children[i] == child)
        {
            RemoveOrderEntry(parent, XML_ITEM_CHILD, i);
            RemoveAt(parent->children, parent->childCount, i);
            break;
        }
    }
    child->parent = nullptr;
    ReleaseRecord(child);
}

// Attribute arrays made by a parse sit in its pool at their exact size; growing needs the heap.
void MoveAttributesToHeap(XmlElementData* record)
{
    if (!record->attributesInPool)
    {
        return;
    }
    size_t bytes = sizeof(XmlAttribute) * size_t(record->attributeCount);
    XmlAttribute* heap = static_cast<XmlAttribute*>(malloc(bytes > 0 ? bytes : 1));
    if (heap == nullptr)
    {
        throw std::bad_alloc();
    }
    memcpy(heap, record->attributes, bytes);
    record->attributes = heap;
    record->attributesInPool = false;
}

void AppendOwnedAttribute(XmlElementData* record, char* name, char* value)
{
    MoveAttributesToHeap(record);
    ReserveOneMore(record->attributes, record->attributeCapacity, record->attributeCount);
    record->attributes[record->attributeCount++] = XmlAttribute{name, value};
    record->ownsHeapStrings = true;
}

void InsertOwnedText(XmlElementData* record, char* text, int position)
{
    int index = InsertOrderEntry(record, XML_ITEM_TEXT, position);
    InsertAt(record->texts, record->textCapacity, record->textCount, index, text);
    record->ownsHeapStrings = true;
}

void InsertOwnedClear(XmlElementData* record, char* value, const char* openingMarker,
                      const char* closingMarker, int position)
{
    if (openingMarker == nullptr || closingMarker == nullptr)
    {
        openingMarker = kClearTags[0].opening;
        closingMarker = kClearTags[0].closing;
    }
    int index = InsertOrderEntry(record, XML_ITEM_CLEAR, position);
    InsertAt(record->clears, record->clearCapacity, record->clearCount, index,
             XmlClearItem{value, openingMarker, closingMarker});
    record->ownsHeapStrings = true;
}

// Stores a new heap string in a slot, freeing what the slot held.
void ReplaceString(XmlElementData* record, char*& slot, char* text)
{
    FreeOwnedString(record, slot);
    slot = text;
    record->ownsHeapStrings = true;
}

int FindTextByIdentity(const XmlElementData* record, const char* text)
{
    for (int i = 0; text != nullptr && i < record->textCount; ++i)
    {
        if (record->texts[i] == text)
        {
            return i;
        }
    }
    return -1;
}

int FindClearByIdentity(const XmlElementData* record, const char* value)
{
    for (int i = 0; value != nullptr && i < record->clearCount; ++i)
    {
        if (record->clears[i].value == value)
        {
            return i;
        }
    }
    return -1;
}

int FindAttributeIndex(const XmlElementData* record, const char* name)
{
    for (int i = 0; name != nullptr && i < record->attributeCount; ++i)
    {
        if (EqualNoCase(record->attributes[i].name, name))
        {
            return i;
        }
    }
    return -1;
}
}  // namespace

CXmlElement CXmlElement::AddChild(const char* name, bool isDeclaration, int position)
{
    if (data == nullptr || name == nullptr)
    {
        return Empty();
    }
    return AddChildOwned(CopyToHeap(name), isDeclaration, position);
}

CXmlElement CXmlElement::AddChildOwned(char* name, bool isDeclaration, int position)
{
    if (data == nullptr || name == nullptr)
    {
        free(name);
        return Empty();
    }
    XmlElementData* child = NewRecord(name, nullptr);
    child->isDeclaration = isDeclaration;
    child->ownsHeapStrings = true;
    InsertChild(data, child, position);
    return CXmlElement(child);
}

void CXmlElement::AddAttribute(const char* name, const char* value)
{
    if (data != nullptr && name != nullptr)
    {
        AppendOwnedAttribute(data, CopyToHeap(name), CopyToHeap(value));
    }
}

void CXmlElement::AddAttributeOwned(char* name, char* value)
{
    if (data == nullptr || name == nullptr)
    {
        free(name);
        free(value);
        return;
    }
    AppendOwnedAttribute(data, name, value);
}

void CXmlElement::AddText(const char* text, int position)
{
    if (data != nullptr && text != nullptr)
    {
        InsertOwnedText(data, CopyToHeap(text), position);
    }
}

void CXmlElement::AddTextOwned(char* text, int position)
{
    if (data == nullptr || text == nullptr)
    {
        free(text);
        return;
    }
    InsertOwnedText(data, text, position);
}

void CXmlElement::AddClear(const char* value, const char* openingMarker, const char* closingMarker,
                           int position)
{
    if (data != nullptr && value != nullptr)
    {
        InsertOwnedClear(data, CopyToHeap(value), openingMarker, closingMarker, position);
    }
}

void CXmlElement::AddClearOwned(char* value, const char* openingMarker, const char* closingMarker,
                                int position)
{
    if (data == nullptr || value == nullptr)
    {
        free(value);
        return;
    }
    InsertOwnedClear(data, value, openingMarker, closingMarker, position);
}

void CXmlElement::AdoptChild(const CXmlElement& element, int position)
{
    XmlElementData* child = element.data;
    if (data == nullptr || child == nullptr)
    {
        return;
    }
    // Adopting this element or one above it would make the tree a cycle.
    for (const XmlElementData* ancestor = data; ancestor != nullptr; ancestor = ancestor->parent)
    {
        if (ancestor == child)
        {
            return;
        }
    }
    ++child->referenceCount;  // the new parent's reference, taken before the old one goes
    if (child->parent != nullptr)
    {
        DetachChild(child);
    }
    InsertChild(data, child, position);
}

void CXmlElement::Rename(const char* name)
{
    if (data != nullptr && name != nullptr)
    {
        ReplaceString(data, data->name, CopyToHeap(name));
    }
}

void CXmlElement::RenameOwned(char* name)
{
    if (data == nullptr || name == nullptr)
    {
        free(name);
        return;
    }
    ReplaceString(data, data->name, name);
}

void CXmlElement::SetAttribute(int index, const char* name, const char* value)
{
    SetAttributeOwned(index, CopyToHeap(name), CopyToHeap(value));
}

void CXmlElement::SetAttributeOwned(int index, char* name, char* value)
{
    if (data == nullptr)
    {
        free(name);
        free(value);
        return;
    }
    if (index < 0 || index >= data->attributeCount)
    {
        AddAttributeOwned(name, value);
        return;
    }
    XmlAttribute& attribute = data->attributes[index];
    ReplaceString(data, attribute.value, value);
    if (name != nullptr && strcmp(name, attribute.name) != 0)
    {
        ReplaceString(data, attribute.name, name);
    }
    else
    {
        free(name);
    }
}

void CXmlElement::SetAttribute(const char* oldName, const char* name, const char* value)
{
    SetAttributeOwned(oldName, CopyToHeap(name), CopyToHeap(value));
}

void CXmlElement::SetAttributeOwned(const char* oldName, char* name, char* value)
{
    if (data == nullptr)
    {
        free(name);
        free(value);
        return;
    }
    int index = FindAttributeIndex(data, oldName);
    if (index < 0 && name == nullptr)
    {
        name = CopyToHeap(oldName);  // appended under the name it was looked for by
    }
    SetAttributeOwned(index, name, value);
}

void CXmlElement::SetText(int index, const char* text)
{
    SetTextOwned(index, CopyToHeap(text));
}

void CXmlElement::SetTextOwned(int index, char* text)
{
    if (data == nullptr || text == nullptr)
    {
        free(text);
        return;
    }
    if (index < 0 || index >= data->textCount)
    {
        InsertOwnedText(data, text, -1);
        return;
    }
    ReplaceString(data, data->texts[index], text);
}

void CXmlElement::SetText(const char* oldText, const char* text)
{
    SetTextOwned(oldText, CopyToHeap(text));
}

void CXmlElement::SetTextOwned(const char* oldText, char* text)
{
    SetTextOwned(data != nullptr ? FindTextByIdentity(data, oldText) : -1, text);
}

void CXmlElement::SetClear(int index, const char* value)
{
    SetClearOwned(index, CopyToHeap(value));
}

void CXmlElement::SetClearOwned(int index, char* value)
{
    if (data == nullptr || value == nullptr)
    {
        free(value);
        return;
    }
    if (index < 0 || index >= data->clearCount)
    {
        InsertOwnedClear(data, value, nullptr, nullptr, -1);
        return;
    }
    ReplaceString(data, data->clears[index].value, value);
}

void CXmlElement::SetClear(const char* oldValue, const char* value)
{
    SetClearOwned(oldValue, CopyToHeap(value));
}

void CXmlElement::SetClearOwned(const char* oldValue, char* value)
{
    SetClearOwned(data != nullptr ? FindClearByIdentity(data, oldValue) : -1, value);
}

void CXmlElement::RemoveAttribute(int index)
{
    if (data == nullptr || index < 0 || index >= data->attributeCount)
    {
        return;
    }
    FreeOwnedString(data, data->attributes[index].name);
    FreeOwnedString(data, data->attributes[index].value);
    RemoveAt(data->attributes, data->attributeCount, index);
}

void CXmlElement::RemoveAttribute(const char* name)
{
    if (data != nullptr)
    {
        RemoveAttribute(FindAttributeIndex(data, name));
    }
}

void CXmlElement::RemoveText(int index)
{
    if (data == nullptr || index < 0 || index >= data->textCount)
    {
        return;
    }
    FreeOwnedString(data, data->texts[index]);
    RemoveOrderEntry(data, XML_ITEM_TEXT, index);
    RemoveAt(data->texts, data->textCount, index);
}

void CXmlElement::RemoveText(const char* text)
{
    if (data != nullptr)
    {
        RemoveText(FindTextByIdentity(data, text));
    }
}

void CXmlElement::RemoveClear(int index)
{
    if (data == nullptr || index < 0 || index >= data->clearCount)
    {
        return;
    }
    FreeOwnedString(data, data->clears[index].value);
    RemoveOrderEntry(data, XML_ITEM_CLEAR, index);
    RemoveAt(data->clears, data->clearCount, index);
}

void CXmlElement::RemoveClear(const char* value)
{
    if (data != nullptr)
    {
        RemoveClear(FindClearByIdentity(data, value));
    }
}

namespace
{
int ClampedPosition(const XmlElementData* record, XmlItemKind kind, int index, int count)
{
    if (record == nullptr || count == 0)
    {
        return -1;
    }
    index = index < 0 ? 0 : index >= count ? count - 1 : index;
    return PositionInOrder(record, kind, index);
}
}  // namespace

int CXmlElement::PositionOfText(int index) const
{
    return ClampedPosition(data, XML_ITEM_TEXT, index, TextCount());
}

int CXmlElement::PositionOfClear(int index) const
{
    return ClampedPosition(data, XML_ITEM_CLEAR, index, ClearCount());
}

int CXmlElement::PositionOfChild(int index) const
{
    return ClampedPosition(data, XML_ITEM_CHILD, index, ChildCount());
}

int CXmlElement::PositionOfChild(const char* name, int n) const
{
    CXmlElement child = FindNthChild(name, n);
    return child.IsNull() ? -1 : PositionOfChild(child);
}

int CXmlElement::PositionOfChild(const CXmlElement& element) const
{
    for (int i = 0; data != nullptr && i < data->childCount; ++i)
    {
        if (data->children[i] == element.data)
        {
            return PositionInOrder(data, XML_ITEM_CHILD, i);
        }
    }
    return -1;
}

//-------------------------------------------------------------------------------------------------
