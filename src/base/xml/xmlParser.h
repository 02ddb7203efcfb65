/// \file
/// Reads XML documents into a tree of reference-counted elements and answers the lookups the model
/// reader makes. Lenient: unmatched end tags close elements upward, names compare without case.
#ifndef KYREL_XMLPARSER_H
#define KYREL_XMLPARSER_H

#include <cstddef>

/// The errors and warnings of the parser, the writer and the Base64 codec; XmlErrorMessage gives
/// the text of each. The numbers are part of the interface and never change.
enum XmlError : int
{
    XML_ERROR_NONE = 0,
    XML_WARNING_UNMATCHED_END_TAG = 1,
    XML_ERROR_NO_XML_DATA = 2,
    XML_ERROR_FIRST_TOKEN_NOT_START_TAG = 3,
    XML_ERROR_MISSING_START_TAG_NAME = 4,
    XML_ERROR_MISSING_END_TAG_NAME = 5,
    XML_ERROR_UNMATCHED_QUOTE = 6,
    XML_ERROR_UNMATCHED_END_TAG = 7,
    XML_ERROR_UNMATCHED_CLEAR_TAG_END = 8,
    XML_ERROR_UNEXPECTED_TOKEN = 9,
    XML_ERROR_INVALID_TAG = 10,
    XML_ERROR_NO_ELEMENTS = 11,
    XML_ERROR_FILE_NOT_FOUND = 12,
    XML_ERROR_FIRST_TAG_NOT_FOUND = 13,
    XML_ERROR_UNKNOWN_ENTITY = 14,
    XML_ERROR_CHARACTER_CONVERSION = 15,
    XML_ERROR_CANNOT_OPEN_FOR_WRITING = 16,
    XML_ERROR_CANNOT_WRITE = 17,
    XML_WARNING_BASE64_LENGTH = 18,
    XML_ERROR_BASE64_ILLEGAL_CHARACTER = 19,
    XML_WARNING_BASE64_TRUNCATED = 20,
    XML_ERROR_BASE64_BUFFER_TOO_SMALL = 21
};

/// How the parser steps through characters: whole UTF-8 sequences, or one byte each.
enum XmlCharEncoding
{
    XML_CHARS_UTF8 = 0,
    XML_CHARS_SINGLE_BYTE = 1
};

/// Kinds of content item; the order array stores index * 4 + kind for children, texts and clears.
enum XmlItemKind
{
    XML_ITEM_CHILD = 0,
    XML_ITEM_ATTRIBUTE = 1,
    XML_ITEM_TEXT = 2,
    XML_ITEM_CLEAR = 3,
    XML_ITEM_NONE = 4
};

/// One attribute of an element; both strings belong to the element's record.
struct XmlAttribute
{
    char* name;   ///< as written, case kept
    char* value;  ///< none for an attribute written without '='
};

/// A section copied through unparsed (CDATA, comments, DOCTYPE and the like).
struct XmlClearItem
{
    char* value;                ///< the raw bytes between the markers
    const char* openingMarker;  ///< points into the fixed clear-tag table, not owned
    const char* closingMarker;  ///< as openingMarker
};

/// How a parse went: the XmlError, and for a non-zero one the line and column (from 1) where it
/// was found; both stay 0 when no position applies.
struct XmlParseResult
{
    XmlError errorCode;  ///< XML_ERROR_NONE on success
    int line;            ///< from 1; 0 when no position applies
    int column;          ///< from 1; 0 when no position applies
};

/// One element record. Its layout belongs to the parser; callers hold it through CXmlElement.
struct XmlElementData;
struct XmlItem;

/// A handle to one element record, or the empty handle. Copies share the record; every query is
/// safe on the empty handle and then answers empty, none or zero.
class CXmlElement
{
public:
    CXmlElement() : data(nullptr) {}
    /// Takes one new reference to the record.
    explicit CXmlElement(XmlElementData* record);
    /// A copy takes one more reference to the same record; a move hands the reference over and
    /// leaves the source empty. The last handle to go frees the record.
    ///@{
    CXmlElement(const CXmlElement& other);
    CXmlElement(CXmlElement&& other) noexcept;
    CXmlElement& operator=(const CXmlElement& other);
    CXmlElement& operator=(CXmlElement&& other) noexcept;
    ///@}
    ~CXmlElement();

    /// The engine-wide empty handle, for results that find nothing.
    static const CXmlElement& Empty();
    /// Wraps a record whose reference the caller hands over.
    static CXmlElement Adopt(XmlElementData* record);

    /// True for the empty handle: a missing element, or a failed parse.
    bool IsNull() const { return data == nullptr; }
    /// The tag name as written (null for the document root and the empty handle).
    const char* Name() const;
    /// The enclosing element; empty for the root.
    CXmlElement Parent() const;
    /// True for a `<?xml ...?>` style processing instruction kept as an element.
    bool IsDeclaration() const;
    /// Number of direct items of each kind; ItemCount is the sum of all four.
    ///@{
    int ChildCount() const;
    int TextCount() const;
    int AttributeCount() const;
    int ClearCount() const;
    int ItemCount() const;
    ///@}

    /// The index-th item of one kind, counted from 0 within that kind. An index out of range
    /// gives the empty handle, a null text, or an attribute or clear item of null strings.
    ///@{
    CXmlElement ChildAt(int index) const;
    const char* TextAt(int index) const;
    XmlAttribute AttributeAt(int index) const;
    XmlClearItem ClearAt(int index) const;
    ///@}
    /// Attributes first, then children, texts and clear sections in document order.
    XmlItem ItemAt(int index) const;

    /// First child at or after *cursor named `name` (no case); moves the cursor past a hit.
    CXmlElement FindChild(const char* name, int* cursor = nullptr) const;
    /// The n-th (from 0) child named `name` (no case); empty when there are fewer.
    CXmlElement FindNthChild(const char* name, int n) const;
    /// Value of the first matching attribute at or after *cursor; none also for a valueless one.
    const char* FindAttribute(const char* name, int* cursor = nullptr) const;
    /// True when an attribute of that name (no case) exists, with or without a value.
    bool HasAttribute(const char* name) const;
    /// First child at or after *cursor named `name` that has the attribute, with that value when
    /// attributeValue is given; moves the cursor past a hit.
    CXmlElement FindChildWithAttribute(const char* name, const char* attributeName,
                                       const char* attributeValue = nullptr,
                                       int* cursor = nullptr) const;

    // Editing. Each adding or updating operation copies the strings it is given; its ...Owned
    // form takes heap strings (malloc) and frees them later, also when the handle is empty and
    // nothing is added. `position` is an index in document order where the new item goes (-1:
    // at the end). Every edit does nothing on the empty handle.

    /// Adds a child element and returns its handle (empty when this handle is empty).
    ///@{
    CXmlElement AddChild(const char* name, bool isDeclaration = false, int position = -1);
    CXmlElement AddChildOwned(char* name, bool isDeclaration = false, int position = -1);
    ///@}
    /// Appends an attribute; a null value writes it without '='.
    ///@{
    void AddAttribute(const char* name, const char* value);
    void AddAttributeOwned(char* name, char* value);
    ///@}
    /// Adds a text item.
    ///@{
    void AddText(const char* text, int position = -1);
    void AddTextOwned(char* text, int position = -1);
    ///@}
    /// Markers default to "<![CDATA[" and "]]>"; they are not copied and must outlive the element.
    ///@{
    void AddClear(const char* value, const char* openingMarker = nullptr,
                  const char* closingMarker = nullptr, int position = -1);
    void AddClearOwned(char* value, const char* openingMarker = nullptr,
                       const char* closingMarker = nullptr, int position = -1);
    ///@}
    /// Moves an element under this one; refused for this element itself and its ancestors.
    void AdoptChild(const CXmlElement& element, int position = -1);
    /// Replaces the element's name; a null name is ignored.
    ///@{
    void Rename(const char* name);
    void RenameOwned(char* name);
    ///@}
    /// Replaces an attribute's value, and its name unless that is null. The attribute is picked
    /// by index or by its name (no case); one not found is appended instead.
    ///@{
    void SetAttribute(int index, const char* name, const char* value);
    void SetAttributeOwned(int index, char* name, char* value);
    void SetAttribute(const char* oldName, const char* name, const char* value);
    void SetAttributeOwned(const char* oldName, char* name, char* value);
    ///@}
    /// Replaces a text or a clear section's value, picked by index or by the stored string's
    /// identity (the pointer TextAt or ClearAt gave, not its content); one not found is appended.
    ///@{
    void SetText(int index, const char* text);
    void SetTextOwned(int index, char* text);
    void SetText(const char* oldText, const char* text);
    void SetTextOwned(const char* oldText, char* text);
    void SetClear(int index, const char* value);
    void SetClearOwned(int index, char* value);
    void SetClear(const char* oldValue, const char* value);
    void SetClearOwned(const char* oldValue, char* value);
    ///@}
    /// Removes one item, picked by index, by attribute name (no case) or by the stored string's
    /// identity; nothing happens when it is not there.
    ///@{
    void RemoveAttribute(int index);
    void RemoveAttribute(const char* name);
    void RemoveText(int index);
    void RemoveText(const char* text);
    void RemoveClear(int index);
    void RemoveClear(const char* value);
    ///@}

    /// Positions in document order; indexes past the end are clamped, absent items give -1.
    ///@{
    int PositionOfText(int index) const;
    int PositionOfClear(int index) const;
    int PositionOfChild(int index) const;
    int PositionOfChild(const char* name, int n) const;
    int PositionOfChild(const CXmlElement& element) const;
    ///@}

    /// The tree as text in a new malloc'ed string (never none for a real element; *length may be
    /// none). format 0: unformatted; otherwise indented with tabs, one item a line.
    char* Serialize(int format, int* length = nullptr) const;
    /// Writes the tree with an XML header; returns XML_ERROR_NONE, XML_ERROR_CANNOT_OPEN_FOR_WRITING
    /// or XML_ERROR_CANNOT_WRITE.
    XmlError SaveToFile(const char* path, const char* encoding = nullptr, int format = 1) const;

    /// The record itself (null for the empty handle), for the parser's own code; the handle
    /// keeps its reference.
    XmlElementData* Data() const { return data; }

private:
    XmlElementData* data;
};

/// One item of an element in document order (CXmlElement::ItemAt): only the field its kind
/// names is filled; kind is XML_ITEM_NONE past the end.
struct XmlItem
{
    XmlItemKind kind;        ///< which of the fields below holds the item
    CXmlElement child;       ///< XML_ITEM_CHILD
    XmlAttribute attribute;  ///< XML_ITEM_ATTRIBUTE
    const char* text;        ///< XML_ITEM_TEXT
    XmlClearItem clear;      ///< XML_ITEM_CLEAR
};

/// Parses a NUL-terminated text; it only has to live for the call. firstTag and result may be none.
CXmlElement ParseText(const char* text, const char* firstTag = nullptr,
                      XmlParseResult* result = nullptr);
/// Reads a whole file (UTF-8 with or without mark, single-byte, or UTF-16) and parses it.
CXmlElement ParseFileText(const char* path, const char* firstTag = nullptr,
                          XmlParseResult* result = nullptr);
/// Parses a file or ends the process with status 255 after reporting why on standard error.
CXmlElement LoadDocument(const char* path, const char* firstTag);

/// The character mode set by SetParserOptions.
XmlCharEncoding GetParserCharacterMode();
/// Whether count bytes of text read as UTF-8 or single-byte: a UTF-8 mark, or valid multi-byte
/// sequences throughout, mean UTF-8; UTF-16 text, very short text and broken sequences mean
/// single-byte. With useEncodingAttribute an `encoding=` value near the start decides for text
/// that is valid either way.
XmlCharEncoding GuessTextEncoding(const void* bytes, int count, bool useEncodingAttribute);
/// Engine-wide parser settings, kept until changed: whether files are tested for UTF-16 text
/// (on by default), and how characters are stepped through (UTF-8 by default).
void SetParserOptions(bool guessUtf16Text, XmlCharEncoding characterMode);
/// The fixed text of an error; "Unknown" for a value outside the table.
const char* XmlErrorMessage(XmlError error);

#endif
