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

#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <variant>

#include "LuExceptions.h"
#include "LuObject.h"

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
    // General float format with "." whatever the locale (LuStrUtils FloatToStoredText).
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
    // Takes the subtree apart iteratively, so that no depth of nesting can exhaust the stack.
    ~TXmlNode() override;

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
//
// Each persistent class publishes one property table: its base class's table followed by its own
// entries in declaration order. XML and JSON saving and loading, Assign and IsEqual are walks over
// that table; no class writes serialisation code of its own unless it needs more than the rules.

using TJsonObject = nlohmann::ordered_json;

// Kinds of published properties. The kinds after tkInt64 cannot be persisted: using one raises an
// assertion error whose message is the property's type name.
enum class TTypeKind {
    tkInteger,
    tkChar,
    tkWChar,
    tkEnumeration,
    tkFloat,
    tkString,
    tkSet,
    tkClass,
    tkMethod,
    tkWString,
    tkInt64,
    tkVariant,
    tkArray,
    tkRecord,
    tkInterface,
    tkDynArray,
    tkUnknown
};
enum class TFloatType { ftSingle, ftDouble, ftExtended, ftComp, ftCurr };

// An enumeration: its type name and its value names in ordinal order.
struct TEnumTypeInfo {
    std::u16string Name;
    std::vector<std::u16string> Names;
    // Ordinal of a value name matched ignoring ASCII letter case, or -1.
    int IndexOfName(std::u16string_view name) const;
};
extern const TEnumTypeInfo BooleanTypeInfo;  // "False", "True"

// Every class whose objects can be the value of an object property: each knows its class name,
// which documents carry and assignment errors show.
class TPersistent : public TObject {
public:
    virtual std::u16string ClassName() const = 0;
};

class TPropTable;

// An object that publishes a property table. A plain TPublished is saved and loaded with the
// default element rules when it is the value of an object property.
class TPublished : public TPersistent {
public:
    virtual const TPropTable& Props() const = 0;
};

// A value read from or written to a property: ordinals (integers, characters, enumeration
// ordinals, set bits, Int64), floats, UTF-16 text, 8-bit text, or an object (may be null).
using TPropValue = std::variant<std::monostate, int64_t, long double, std::u16string, std::string, TPersistent*>;

struct TPropInfo {
    std::u16string Name;
    TTypeKind Kind = TTypeKind::tkUnknown;
    std::u16string TypeName;                  // "Integer", "TDateTime", "TGotoUrlMode", ...
    const TEnumTypeInfo* EnumType = nullptr;  // enumerations; the element type of a set
    TFloatType FloatType = TFloatType::ftDouble;
    std::function<TPropValue(const TPublished&)> Get;         // empty: no read access
    std::function<void(TPublished&, const TPropValue&)> Set;  // empty: no write access

    bool Readable() const { return bool(Get); }
    bool Writable() const { return bool(Set); }
};

class TPropTable {
public:
    TPropTable() = default;
    // A table that starts with the base class's entries.
    explicit TPropTable(const TPropTable* base)
    {
        if (base) FProps = base->FProps;
    }

    const std::vector<TPropInfo>& Props() const { return FProps; }
    // The entry of that name, ignoring ASCII letter case, or null.
    const TPropInfo* Find(std::u16string_view name) const;

    TPropTable& Add(TPropInfo info)
    {
        FProps.push_back(std::move(info));
        return *this;
    }

    // Field-backed entries with read and write access. C is the declaring class.
    template <class C, class T>
    TPropTable& Integer(std::u16string name, T C::*field, std::u16string typeName = u"Integer")
    {
        return Add({std::move(name), TTypeKind::tkInteger, std::move(typeName), nullptr, TFloatType::ftDouble,
                    [field](const TPublished& o) -> TPropValue { return int64_t(Self<C>(o).*field); },
                    [field](TPublished& o, const TPropValue& v) { Self<C>(o).*field = T(std::get<int64_t>(v)); }});
    }
    template <class C>
    TPropTable& Int64(std::u16string name, int64_t C::*field)
    {
        return Add({std::move(name), TTypeKind::tkInt64, u"Int64", nullptr, TFloatType::ftDouble,
                    [field](const TPublished& o) -> TPropValue { return Self<C>(o).*field; },
                    [field](TPublished& o, const TPropValue& v) { Self<C>(o).*field = std::get<int64_t>(v); }});
    }
    template <class C, class E>
    TPropTable& Enum(std::u16string name, E C::*field, const TEnumTypeInfo& type)
    {
        return Add({std::move(name), TTypeKind::tkEnumeration, type.Name, &type, TFloatType::ftDouble,
                    [field](const TPublished& o) -> TPropValue { return int64_t(Self<C>(o).*field); },
                    [field](TPublished& o, const TPropValue& v) { Self<C>(o).*field = E(std::get<int64_t>(v)); }});
    }
    template <class C>
    TPropTable& Boolean(std::u16string name, bool C::*field)
    {
        return Enum(std::move(name), field, BooleanTypeInfo);
    }
    // A set of up to 32 values of an enumeration, held as bits (bit i: ordinal i).
    template <class C>
    TPropTable& Set(std::u16string name, uint32_t C::*field, const TEnumTypeInfo& elementType, std::u16string typeName)
    {
        return Add(
            {std::move(name), TTypeKind::tkSet, std::move(typeName), &elementType, TFloatType::ftDouble,
             [field](const TPublished& o) -> TPropValue { return int64_t(Self<C>(o).*field); },
             [field](TPublished& o, const TPropValue& v) { Self<C>(o).*field = uint32_t(std::get<int64_t>(v)); }});
    }
    template <class C>
    TPropTable& Float(std::u16string name, double C::*field, std::u16string typeName = u"Double")
    {
        return Add(
            {std::move(name), TTypeKind::tkFloat, std::move(typeName), nullptr, TFloatType::ftDouble,
             [field](const TPublished& o) -> TPropValue { return (long double)(Self<C>(o).*field); },
             [field](TPublished& o, const TPropValue& v) { Self<C>(o).*field = double(std::get<long double>(v)); }});
    }
    template <class C>
    TPropTable& WideString(std::u16string name, std::u16string C::*field)
    {
        return Add({std::move(name), TTypeKind::tkWString, u"WideString", nullptr, TFloatType::ftDouble,
                    [field](const TPublished& o) -> TPropValue { return Self<C>(o).*field; },
                    [field](TPublished& o, const TPropValue& v) { Self<C>(o).*field = std::get<std::u16string>(v); }});
    }
    template <class C>
    TPropTable& String(std::u16string name, std::string C::*field)
    {
        return Add({std::move(name), TTypeKind::tkString, u"AnsiString", nullptr, TFloatType::ftDouble,
                    [field](const TPublished& o) -> TPropValue { return Self<C>(o).*field; },
                    [field](TPublished& o, const TPropValue& v) { Self<C>(o).*field = std::get<std::string>(v); }});
    }
    // An owned sub-object; loading fills it in place and never replaces it.
    template <class C, class T>
    TPropTable& Object(std::u16string name, std::unique_ptr<T> C::*field)
    {
        return Add({std::move(name),
                    TTypeKind::tkClass,
                    u"TObject",
                    nullptr,
                    TFloatType::ftDouble,
                    [field](const TPublished& o) -> TPropValue {
                        return static_cast<TPersistent*>((Self<C>(o).*field).get());
                    },
                    {}});
    }

private:
    template <class C>
    static const C& Self(const TPublished& o)
    {
        return static_cast<const C&>(o);
    }
    template <class C>
    static C& Self(TPublished& o)
    {
        return static_cast<C&>(o);
    }

    std::vector<TPropInfo> FProps;
};

class TXmlPersistent;
using TXmlPersistentPtr = std::unique_ptr<TXmlPersistent>;

class TXmlPersistent : public TPublished {
public:
    // The base publishes no property.
    static const TPropTable& StaticProps();
    const TPropTable& Props() const override { return StaticProps(); }

    // Copies the properties that the source has under the receiver's property names. Raises
    // EAssignError "Cannot assign a %s to a %s" when the source is not persistent.
    virtual void Assign(const TPersistent* source);
    // A new, default object of the receiver's exact class.
    virtual TXmlPersistentPtr Create() const = 0;
    // Create, then Assign from the receiver.
    virtual TXmlPersistentPtr Clone() const;
    // The source saves itself to XML and the receiver loads that; the classes may differ.
    virtual void CopyFrom(const TXmlPersistent& source);
    // Same exact class and every property equal (strings case-sensitively); lists compare their
    // own properties only (SameItems compares the items).
    virtual bool IsEqual(const TPersistent* other) const;
    virtual void LoadFromJson(const TJsonObject& json, int context = 0);
    virtual void LoadFromFile(const std::u16string& fileName, int context = 0);
    virtual void LoadFromNode(const TXmlNode& node, int context = 0);
    virtual void LoadFromStream(TStream& stream, int context = 0);
    virtual void SaveToJson(TJsonObject& json, int context = 0) const;
    // Indented JSON text whose bytes are 7-bit ASCII (everything else \u-escaped).
    virtual void SaveToJsonStream(TStream& stream, int context = 0) const;
    // Creates the missing folders of the name first; a name without a folder part raises
    // EInOutError "Unable to create directory".
    virtual void SaveToFile(const std::u16string& fileName, int context = 0) const;
    virtual void SaveToNode(TXmlNode& node, int context = 0) const;
    virtual void SaveToStream(TStream& stream, int context = 0) const;

    // The default rules, usable for any published object (also a plain TPublished).
    static void SaveProperties(const TPublished& object, TXmlNode& node, int context);
    static void LoadProperties(TPublished& object, const TXmlNode& node, int context);
    static void SavePropertiesJson(const TPublished& object, TJsonObject& json, int context);
    static void LoadPropertiesJson(TPublished& object, const TJsonObject& json, int context);
};

// An ordered list that owns persistent items. Items are written as children of an "Items" element
// (XML) or of an "Items" array (JSON), each named after its item's class.
class TXmlObjectList : public TXmlPersistent {
public:
    void Assign(const TPersistent* source) override;
    void LoadFromJson(const TJsonObject& json, int context = 0) override;
    void LoadFromNode(const TXmlNode& node, int context = 0) override;
    void SaveToJson(TJsonObject& json, int context = 0) const override;
    void SaveToJsonStream(TStream& stream, int context = 0) const override;
    void SaveToNode(TXmlNode& node, int context = 0) const override;

    // A new, unowned item for an entry naming className, or null to skip the entry. Lists that do
    // not provide it raise EAbstractError "Abstract Error".
    virtual TXmlPersistentPtr CreateItem(std::u16string_view className);
    virtual void Clear() { FItems.clear(); }
    virtual bool SameItems(const TXmlObjectList* other) const;

    TXmlPersistent* Add(TXmlPersistentPtr item);
    int Count() const { return int(FItems.size()); }
    // A negative index counts from the end (-1 is the last item); others outside the list raise
    // EListError "List index out of bounds (%d)".
    TXmlPersistent* Items(int index) const;

private:
    std::vector<TXmlPersistentPtr> FItems;
};

// A list whose items are all of one class T, whatever name an entry carries.
template <class T>
class TXmlTypedList : public TXmlObjectList {
public:
    TXmlPersistentPtr CreateItem(std::u16string_view) override { return std::make_unique<T>(); }
    T* Items(int index) const { return static_cast<T*>(TXmlObjectList::Items(index)); }
    T* Add(std::unique_ptr<T> item) { return static_cast<T*>(TXmlObjectList::Add(std::move(item))); }
    using TXmlObjectList::Add;
};

// Declares the class name, the property table and Create of a persistent class. Define the table
// with LU_PROPERTIES(Class, Base) { return TPropTable(&Base::StaticProps()).WideString(...)...; }
#define LU_PERSISTENT(Class)                                                                                           \
public:                                                                                                                \
    std::u16string ClassName() const override { return u## #Class; }                                                   \
    const TPropTable& Props() const override { return StaticProps(); }                                                 \
    static const TPropTable& StaticProps();                                                                            \
    TXmlPersistentPtr Create() const override { return std::make_unique<Class>(); }                                    \
                                                                                                                       \
private:                                                                                                               \
    static TPropTable BuildProps();

#define LU_PROPERTIES(Class)                                                                                           \
    const TPropTable& Class::StaticProps()                                                                             \
    {                                                                                                                  \
        static const TPropTable table = BuildProps();                                                                  \
        return table;                                                                                                  \
    }                                                                                                                  \
    TPropTable Class::BuildProps()
