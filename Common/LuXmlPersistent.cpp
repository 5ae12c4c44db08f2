// Persistent objects in XML: the default element rules, lists, Assign, IsEqual and the file and
// stream operations, all walking the classes' property tables.
#include <filesystem>
#include <typeinfo>

#include "LuStrUtils.h"
#include "LuStreams.h"
#include "LuXmlPersistentRules.h"
#include "LuXmlUtils.h"

namespace {
constexpr const char* Unit = "Common\\LuXmlUtils";
}

const TEnumTypeInfo BooleanTypeInfo{u"Boolean", {u"False", u"True"}};

int TEnumTypeInfo::IndexOfName(std::u16string_view name) const
{
    for (size_t i = 0; i < Names.size(); ++i)
        if (Names[i].size() == name.size() && LowerCaseAscii(Names[i]) == LowerCaseAscii(name)) return int(i);
    return -1;
}

const TPropInfo* TPropTable::Find(std::u16string_view name) const
{
    const std::u16string wanted = LowerCaseAscii(name);
    for (const TPropInfo& p : FProps)
        if (LowerCaseAscii(p.Name) == wanted) return &p;
    return nullptr;
}

// ---- Scalar values as text ----------------------------------------------------------------

namespace PropRules {

std::u16string AnsiToText(const std::string& s) { return Utf8ToUtf16(s); }
std::string TextToAnsi(const std::u16string& s) { return Utf16ToUtf8(s); }

std::u16string EnumName(const TPropInfo& p, int64_t ordinal)
{
    if (p.EnumType && ordinal >= 0 && ordinal < int64_t(p.EnumType->Names.size()))
        return p.EnumType->Names[size_t(ordinal)];
    return IntToStr(ordinal);
}

int64_t EnumOrdinal(const TPropInfo& p, std::u16string_view name)
{
    const int i = p.EnumType ? p.EnumType->IndexOfName(name) : -1;
    return i < 0 ? 0 : i;
}

std::u16string SetToText(const TPropInfo& p, int64_t bits)
{
    std::u16string text;
    const size_t n = p.EnumType ? std::min<size_t>(p.EnumType->Names.size(), 32) : 0;
    for (size_t i = 0; i < n; ++i) {
        if (!(uint64_t(bits) & (uint64_t(1) << i))) continue;
        if (!text.empty()) text += u',';
        text += p.EnumType->Names[i];
    }
    return text;
}

int64_t TextToSet(const TPropInfo& p, std::u16string_view text)
{
    size_t i = 0;
    while (i < text.size() && text[i] == u' ') ++i;
    if (i < text.size() && text[i] == u'[') ++i;
    uint32_t bits = 0;
    auto isSeparator = [](char16_t c) { return c == u',' || c == u' ' || c == u']'; };
    while (i < text.size()) {
        while (i < text.size() && isSeparator(text[i])) ++i;
        const size_t start = i;
        while (i < text.size() && !isSeparator(text[i])) ++i;
        if (start == i) break;
        const std::u16string_view name = text.substr(start, i - start);
        const int ordinal = p.EnumType ? p.EnumType->IndexOfName(name) : -1;
        if (ordinal < 0 || ordinal >= 32)
            throw EPropertyConvertError(Format(u"Invalid property element: %s", {std::u16string(name)}));
        bits |= uint32_t(1) << ordinal;
    }
    return bits;
}

[[noreturn]] void UnsupportedKind(const TPropInfo& p, int line)
{
    RaiseAssertion(p.TypeName.empty() ? u"Unknown" : p.TypeName, Unit, line);
}

bool IsScalar(TTypeKind k)
{
    switch (k) {
        case TTypeKind::tkInteger:
        case TTypeKind::tkChar:
        case TTypeKind::tkWChar:
        case TTypeKind::tkEnumeration:
        case TTypeKind::tkFloat:
        case TTypeKind::tkString:
        case TTypeKind::tkSet:
        case TTypeKind::tkWString:
        case TTypeKind::tkInt64: return true;
        default: return false;
    }
}

long double StoredFloat(const TPropInfo& p, long double v)
{
    return p.FloatType == TFloatType::ftSingle ? (long double)(float)v : v;
}

}  // namespace PropRules

using namespace PropRules;

// ---- Default element rules ----------------------------------------------------------------

void TXmlPersistent::SaveProperties(const TPublished& object, TXmlNode& node, int context)
{
    for (const TPropInfo& p : object.Props().Props()) {
        if (!p.Readable() || p.Kind == TTypeKind::tkMethod) continue;
        if (p.Kind == TTypeKind::tkClass) {
            TPersistent* value = std::get<TPersistent*>(p.Get(object));
            if (auto* persistent = dynamic_cast<TXmlPersistent*>(value))
                persistent->SaveToNode(*node.ForceChild(p.Name), context);
            else if (auto* published = dynamic_cast<TPublished*>(value))
                SaveProperties(*published, *node.ForceChild(p.Name), context);
            continue;
        }
        if (!IsScalar(p.Kind)) UnsupportedKind(p, __LINE__);
        const TPropValue v = p.Get(object);
        TXmlAttribute* a = node.Attributes.Force(p.Name);
        switch (p.Kind) {
            case TTypeKind::tkInteger:
            case TTypeKind::tkChar:
            case TTypeKind::tkWChar: a->SetInteger(int32_t(uint32_t(std::get<int64_t>(v)))); break;
            case TTypeKind::tkInt64: a->SetInteger(std::get<int64_t>(v)); break;
            case TTypeKind::tkEnumeration: a->SetText(EnumName(p, std::get<int64_t>(v))); break;
            case TTypeKind::tkSet: a->SetText(SetToText(p, std::get<int64_t>(v))); break;
            case TTypeKind::tkString: a->SetText(AnsiToText(std::get<std::string>(v))); break;
            case TTypeKind::tkWString: a->SetText(std::get<std::u16string>(v)); break;
            case TTypeKind::tkFloat: try { a->SetFloat(std::get<long double>(v));
                } catch (const Exception&) {
                    // A value the float format cannot write is skipped; the save goes on.
                }
                break;
            default: break;
        }
    }
}

void TXmlPersistent::LoadProperties(TPublished& object, const TXmlNode& node, int context)
{
    for (const TPropInfo& p : object.Props().Props()) {
        if (p.Kind == TTypeKind::tkClass) {
            const TXmlNode* child = node.FindChild(p.Name);
            if (!child || !p.Readable()) continue;
            TPersistent* value = std::get<TPersistent*>(p.Get(object));
            if (auto* persistent = dynamic_cast<TXmlPersistent*>(value))
                persistent->LoadFromNode(*child, context);
            else if (auto* published = dynamic_cast<TPublished*>(value))
                LoadProperties(*published, *child, context);
            continue;
        }
        if (!p.Writable() || p.Kind == TTypeKind::tkMethod) continue;
        const TXmlAttribute* a = node.FindAttribute(p.Name);
        if (!a) continue;
        if (!IsScalar(p.Kind)) UnsupportedKind(p, __LINE__);
        const std::u16string text = a->GetText();
        switch (p.Kind) {
            case TTypeKind::tkInteger:
            case TTypeKind::tkChar:
            case TTypeKind::tkWChar: {
                int32_t i;
                if (TryStrToInt(text, i)) p.Set(object, int64_t(i));
                break;
            }
            case TTypeKind::tkInt64: {
                int64_t i;
                if (TryStrToInt64(text, i)) p.Set(object, i);
                break;
            }
            case TTypeKind::tkEnumeration:
                if (!text.empty()) p.Set(object, EnumOrdinal(p, text));
                break;
            case TTypeKind::tkSet: p.Set(object, TextToSet(p, text)); break;
            case TTypeKind::tkString: p.Set(object, TextToAnsi(text)); break;
            case TTypeKind::tkWString: p.Set(object, text); break;
            case TTypeKind::tkFloat: {
                long double f;
                if (TryStoredTextToFloat(text, f)) p.Set(object, StoredFloat(p, f));
                break;
            }
            default: break;
        }
    }
}

// ---- TXmlPersistent -----------------------------------------------------------------------

void TXmlPersistent::SaveToNode(TXmlNode& node, int context) const { SaveProperties(*this, node, context); }

void TXmlPersistent::LoadFromNode(const TXmlNode& node, int context) { LoadProperties(*this, node, context); }

void TXmlPersistent::SaveToStream(TStream& stream, int context) const
{
    TXmlDocument doc(ClassName());
    SaveToNode(*doc.Root, context);
    doc.SaveToStream(stream);
}

void TXmlPersistent::LoadFromStream(TStream& stream, int context)
{
    TXmlDocument doc;
    doc.LoadFromStream(stream);
    if (doc.Root) LoadFromNode(*doc.Root, context);
}

void TXmlPersistent::LoadFromFile(const std::u16string& fileName, int context)
{
    TFileStream file(fileName, fmOpenRead);
    LoadFromStream(file, context);
}

void TXmlPersistent::SaveToFile(const std::u16string& fileName, int context) const
{
    const std::filesystem::path dir = std::filesystem::path(fileName).parent_path();
    std::error_code ec;
    if (dir.empty() || (!std::filesystem::is_directory(dir, ec) && !std::filesystem::create_directories(dir, ec)))
        throw EInOutError(u"Unable to create directory");
    TFileStream file(fileName, fmCreate);
    SaveToStream(file, context);
    file.Close();
}

void TXmlPersistent::CopyFrom(const TXmlPersistent& source)
{
    TMemoryStream stream;
    source.SaveToStream(stream, 0);
    stream.SetPosition(0);
    LoadFromStream(stream, 0);
}

TXmlPersistentPtr TXmlPersistent::Clone() const
{
    TXmlPersistentPtr copy = Create();
    LU_ASSERT(copy->ClassName() == ClassName(), Unit);
    copy->Assign(this);
    return copy;
}

namespace {

// Converts a source property's value into the form the receiving property holds.
TPropValue ConvertValue(const TPropInfo& from, const TPropValue& v, const TPropInfo& to)
{
    auto asText = [&]() -> std::u16string {
        switch (from.Kind) {
            case TTypeKind::tkEnumeration: return EnumName(from, std::get<int64_t>(v));
            case TTypeKind::tkSet: return SetToText(from, std::get<int64_t>(v));
            case TTypeKind::tkString: return AnsiToText(std::get<std::string>(v));
            case TTypeKind::tkWString: return std::get<std::u16string>(v);
            case TTypeKind::tkFloat: return FloatToStoredText(std::get<long double>(v));
            default: return IntToStr(std::get<int64_t>(v));
        }
    };
    auto asNumber = [&]() -> long double {
        if (std::holds_alternative<int64_t>(v)) return (long double)std::get<int64_t>(v);
        if (std::holds_alternative<long double>(v)) return std::get<long double>(v);
        long double f = 0;
        TryStoredTextToFloat(asText(), f);
        return f;
    };
    switch (to.Kind) {
        case TTypeKind::tkEnumeration:
            return from.Kind == TTypeKind::tkEnumeration || from.Kind == TTypeKind::tkString ||
                           from.Kind == TTypeKind::tkWString
                       ? TPropValue(EnumOrdinal(to, asText()))
                       : TPropValue(int64_t(asNumber()));
        case TTypeKind::tkSet:
            return from.Kind == TTypeKind::tkSet && from.EnumType == to.EnumType ? v
                                                                                 : TPropValue(TextToSet(to, asText()));
        case TTypeKind::tkString: return TextToAnsi(asText());
        case TTypeKind::tkWString: return asText();
        case TTypeKind::tkFloat: return StoredFloat(to, asNumber());
        default:
            if (std::holds_alternative<int64_t>(v)) return v;
            return int64_t(asNumber());
    }
}

}  // namespace

void TXmlPersistent::Assign(const TPersistent* source)
{
    const auto* src = dynamic_cast<const TXmlPersistent*>(source);
    if (!src)
        throw EAssignError(Format(u"Cannot assign a %s to a %s", {source ? source->ClassName() : u"nil", ClassName()}));
    for (const TPropInfo& p : Props().Props()) {
        if (p.Kind != TTypeKind::tkClass && !p.Writable()) continue;
        const TPropInfo* sp = src->Props().Find(p.Name);
        if (!sp || p.Kind == TTypeKind::tkMethod) continue;
        if (p.Kind == TTypeKind::tkClass) {
            if (sp->Kind != TTypeKind::tkClass || !sp->Readable() || !p.Readable()) continue;
            auto* mine = dynamic_cast<TXmlPersistent*>(std::get<TPersistent*>(p.Get(*this)));
            auto* theirs = dynamic_cast<TXmlPersistent*>(std::get<TPersistent*>(sp->Get(*src)));
            if (mine && theirs) mine->Assign(theirs);
            continue;
        }
        if (!IsScalar(p.Kind)) RaiseAssertion(u"Assertion failure", Unit, __LINE__);
        if (!sp->Readable() || sp->Kind == TTypeKind::tkMethod || sp->Kind == TTypeKind::tkClass) continue;
        if (!IsScalar(sp->Kind)) RaiseAssertion(u"Assertion failure", Unit, __LINE__);
        p.Set(*this, ConvertValue(*sp, sp->Get(*src), p));
    }
}

bool TXmlPersistent::IsEqual(const TPersistent* other) const
{
    if (!other || typeid(*other) != typeid(*this)) return false;
    const auto& o = static_cast<const TXmlPersistent&>(*other);
    for (const TPropInfo& p : Props().Props()) {
        if (p.Kind == TTypeKind::tkMethod) continue;
        if (p.Kind == TTypeKind::tkClass) {
            if (!p.Readable()) continue;
            auto* mine = dynamic_cast<TXmlPersistent*>(std::get<TPersistent*>(p.Get(*this)));
            auto* theirs = dynamic_cast<TXmlPersistent*>(std::get<TPersistent*>(p.Get(o)));
            if (mine && theirs && !mine->IsEqual(theirs)) return false;
            continue;
        }
        // A property that cannot be read back (write-only) has nothing to compare.
        if (!p.Writable() || !p.Readable()) continue;
        if (!IsScalar(p.Kind)) RaiseAssertion(u"Assertion failure", Unit, __LINE__);
        if (p.Get(*this) != p.Get(o)) return false;
    }
    return true;
}

// ---- TXmlObjectList -----------------------------------------------------------------------

TXmlPersistentPtr TXmlObjectList::CreateItem(std::u16string_view) { throw EAbstractError(u"Abstract Error"); }

TXmlPersistent* TXmlObjectList::Add(TXmlPersistentPtr item)
{
    FItems.push_back(std::move(item));
    return FItems.back().get();
}

TXmlPersistent* TXmlObjectList::Items(int index) const
{
    const int i = index < 0 ? index + Count() : index;
    if (i < 0 || i >= Count()) throw EListError(Format(u"List index out of bounds (%d)", {index}));
    return FItems[size_t(i)].get();
}

bool TXmlObjectList::SameItems(const TXmlObjectList* other) const
{
    if (!other || other->Count() != Count()) return false;
    for (int i = 0; i < Count(); ++i)
        if (!FItems[size_t(i)]->IsEqual(other->FItems[size_t(i)].get())) return false;
    return true;
}

void TXmlObjectList::Assign(const TPersistent* source)
{
    TXmlPersistent::Assign(source);
    const auto* list = dynamic_cast<const TXmlObjectList*>(source);
    if (!list || list == this) return;
    Clear();
    for (const TXmlPersistentPtr& item : list->FItems) Add(item->Clone());
}

void TXmlObjectList::SaveToNode(TXmlNode& node, int context) const
{
    SaveProperties(*this, node, context);
    TXmlNode* items = node.ForceChild(u"Items");
    items->Children.Clear();
    for (const TXmlPersistentPtr& item : FItems) item->SaveToNode(*items->AddChild(item->ClassName()), context);
}

void TXmlObjectList::LoadFromNode(const TXmlNode& node, int context)
{
    LoadProperties(*this, node, context);
    const TXmlNode* items = node.FindChild(u"Items");
    Clear();
    const TXmlNodeList& entries = items ? items->Children : node.Children;
    for (int i = 0; i < entries.Count(); ++i) {
        const TXmlNode* entry = entries.Items(i);
        TXmlPersistentPtr item = CreateItem(entry->GetName());
        if (!item) continue;
        item->LoadFromNode(*entry, context);
        Add(std::move(item));
    }
}

const TPropTable& TXmlPersistent::StaticProps()
{
    static const TPropTable table;
    return table;
}
