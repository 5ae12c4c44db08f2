// LuXmlUtils: a small XML document model (tree, forgiving one-pass parser, writer) and the
// binding of persistent objects to it, in XML and in JSON.
//
// Names and values live in the tree in markup form: the UTF-8, entity-escaped bytes exactly as
// they stand in the file. They are decoded only when a caller asks for text and encoded when a
// caller stores text; the parser stores them undecoded and the writer writes them back verbatim.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "LuExceptions.h"

class TStream;

// The one error of the parser and of XmlDecode: "XML 标签不匹配".
class EXmlException : public Exception {
public:
    EXmlException();
};

// Text to markup form: UTF-8 with tab, LF, CR, ", ', &, < and > replaced by entity references.
std::string XmlEncode(std::u16string_view text);
// Markup form to text: decodes UTF-8 and the references &lt; &gt; &amp; &quot; &apos; (any case),
// &#NNN; and &#xHHHH; (low 16 bits). Raises EXmlException for "&" without a later ";", an assertion
// for "&;" or an unknown name, EConvertError for bad digits.
std::u16string XmlDecode(std::string_view markup);

// Name comparison of markup forms, ignoring case (ASCII letters and the UTF-8 letters that
// UpperCaseChar folds).
bool XmlSameName(std::string_view a, std::string_view b);

// ---- Document tree ------------------------------------------------------------------------

class TXmlKey {
public:
    virtual ~TXmlKey() = default;
    void SetName(std::u16string_view name) { RawName = XmlEncode(name); }

    bool IsCData = false;
    std::string RawName;
    std::string RawValue;
};

class TXmlAttribute : public TXmlKey {
public:
    std::u16string GetText() const;
    void SetText(std::u16string_view text);
    void SetInteger(int64_t value);
    // General float format (LuStrUtils FloatToStrGeneral) with the locale's decimal separator.
    void SetFloat(long double value);
};

// An ordered list that owns its entries. Lookups by name compare the XmlEncode of the wanted name
// with each RawName ignoring case; the first match wins.
template <class T>
class TXmlKeyList {
public:
    int Count() const { return int(FItems.size()); }
    T* Items(int index) const { return FItems.at(size_t(index)).get(); }
    int IndexOf(std::u16string_view name) const
    {
        const std::string wanted = XmlEncode(name);
        for (size_t i = 0; i < FItems.size(); ++i)
            if (XmlSameName(FItems[i]->RawName, wanted)) return int(i);
        return -1;
    }
    T* Find(std::u16string_view name) const
    {
        const int i = IndexOf(name);
        return i < 0 ? nullptr : Items(i);
    }
    void Clear() { FItems.clear(); }
    T* Add(std::unique_ptr<T> item)
    {
        FItems.push_back(std::move(item));
        return FItems.back().get();
    }

protected:
    std::vector<std::unique_ptr<T>> FItems;
};

class TXmlAttributeList : public TXmlKeyList<TXmlAttribute> {
public:
    TXmlAttribute* Force(std::u16string_view name);
    // Clears the list, then reads name="value" pairs from tag[start...] (see the parser rules).
    void ParseAttributes(std::string_view tag, size_t start);
    // name="value" pairs separated by single spaces, in list order.
    std::string AttributesText() const;
};

class TXmlNode;

class TXmlNodeList : public TXmlKeyList<TXmlNode> {
public:
    TXmlNode* Force(std::u16string_view name, TXmlNode* parent);
};

class TXmlNode : public TXmlKey {
public:
    // Does not insert the node into the parent's Children; the caller does.
    explicit TXmlNode(TXmlNode* parent = nullptr) : Parent(parent) {}

    std::u16string GetName() const { return XmlDecode(RawName); }
    TXmlNode* AddChild(std::u16string_view name);
    TXmlNode* FindChild(std::u16string_view name) const { return Children.Find(name); }
    TXmlNode* ForceChild(std::u16string_view name);
    TXmlAttribute* FindAttribute(std::u16string_view name) const { return Attributes.Find(name); }

    // Fills name and attributes from a whole start tag, "<" to ">" inclusive.
    void ParseTag(std::string_view tag);
    std::string TagText() const;
    void WriteTo(std::vector<std::string>& lines, bool formatted, const std::string& indent) const;

    TXmlAttributeList Attributes;
    TXmlNodeList Children;
    TXmlNode* Parent = nullptr;
};

class TXmlDocument {
public:
    TXmlDocument();
    explicit TXmlDocument(std::u16string_view rootName);

    // Parses UTF-8 bytes; the previous tree is destroyed first. After a failed parse Root holds
    // what was built before the error.
    void LoadFromBuffer(const char* data, size_t count);
    // Parses from the stream's position to its end.
    void LoadFromStream(TStream& stream);
    std::string SaveToString() const;
    // Writes SaveToString at the stream's position, without a byte-order mark.
    void SaveToStream(TStream& stream) const;

    bool Formatted = true;
    bool WriteDeclaration = true;
    std::unique_ptr<TXmlNode> Root;
};

// ---- Persistent objects -------------------------------------------------------------------
