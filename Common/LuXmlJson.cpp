// The JSON form of persistent objects: one member per published property, lists as an "Items"
// array whose objects carry a "ClassName" member.
#include <nlohmann/json.hpp>

#include "LuStrUtils.h"
#include "LuStreams.h"
#include "LuXmlPersistentRules.h"
#include "LuXmlUtils.h"

using namespace PropRules;

namespace {

std::string Key(const std::u16string& name) { return Utf16ToUtf8(name); }

// The member as text, by the library's conversions: strings as they are, other scalars as their
// JSON text (true, 12, 1.5).
std::u16string MemberText(const TJsonObject& m)
{
    if (m.is_string()) return Utf8ToUtf16(m.get<std::string>());
    if (m.is_null()) return {};
    return Utf8ToUtf16(m.dump());
}

bool MemberInteger(const TJsonObject& m, int64_t& value)
{
    if (m.is_number_integer()) {
        value = m.get<int64_t>();
        return true;
    }
    if (m.is_number_float()) {
        const double d = m.get<double>();
        if (!(d >= -9.2e18 && d <= 9.2e18)) return false;
        value = int64_t(d);
        return true;
    }
    if (m.is_boolean()) {
        value = m.get<bool>() ? 1 : 0;
        return true;
    }
    if (m.is_string()) return TryStrToInt64(Utf8ToUtf16(m.get<std::string>()), value);
    return false;
}

bool MemberFloat(const TJsonObject& m, long double& value)
{
    if (m.is_number()) {
        value = m.get<double>();
        return true;
    }
    // A string holds the text the XML form would, read by the same rules whatever the locale.
    if (m.is_string()) return TryStoredTextToFloat(Utf8ToUtf16(m.get<std::string>()), value);
    return false;
}

}  // namespace

void TXmlPersistent::SavePropertiesJson(const TPublished& object, TJsonObject& json, int context)
{
    if (!json.is_object()) json = TJsonObject::object();
    for (const TPropInfo& p : object.Props().Props()) {
        if (!p.Readable() || p.Kind == TTypeKind::tkMethod) continue;
        const std::string key = Key(p.Name);
        if (p.Kind == TTypeKind::tkClass) {
            if (auto* persistent = dynamic_cast<TXmlPersistent*>(std::get<TPersistent*>(p.Get(object)))) {
                json[key] = TJsonObject::object();
                persistent->SaveToJson(json[key], context);
            }
            continue;
        }
        if (!IsScalar(p.Kind)) UnsupportedKind(p, __LINE__);
        const TPropValue v = p.Get(object);
        switch (p.Kind) {
            case TTypeKind::tkInteger:
            case TTypeKind::tkChar:
            case TTypeKind::tkWChar: json[key] = int64_t(int32_t(uint32_t(std::get<int64_t>(v)))); break;
            case TTypeKind::tkInt64: json[key] = std::get<int64_t>(v); break;
            case TTypeKind::tkEnumeration: json[key] = Utf16ToUtf8(EnumName(p, std::get<int64_t>(v))); break;
            case TTypeKind::tkSet: json[key] = Utf16ToUtf8(SetToText(p, std::get<int64_t>(v))); break;
            case TTypeKind::tkFloat: json[key] = double(std::get<long double>(v)); break;
            case TTypeKind::tkString: json[key] = Utf16ToUtf8(AnsiToText(std::get<std::string>(v))); break;
            case TTypeKind::tkWString: json[key] = Utf16ToUtf8(std::get<std::u16string>(v)); break;
            default: break;
        }
    }
}

void TXmlPersistent::LoadPropertiesJson(TPublished& object, const TJsonObject& json, int context)
{
    if (!json.is_object()) return;
    for (const TPropInfo& p : object.Props().Props()) {
        const auto it = json.find(Key(p.Name));
        if (it == json.end()) continue;
        const TJsonObject& m = *it;
        if (p.Kind == TTypeKind::tkClass) {
            if (!p.Readable()) continue;
            if (auto* persistent = dynamic_cast<TXmlPersistent*>(std::get<TPersistent*>(p.Get(object))))
                persistent->LoadFromJson(m, context);
            continue;
        }
        if (!p.Writable() || p.Kind == TTypeKind::tkMethod) continue;
        if (!IsScalar(p.Kind)) UnsupportedKind(p, __LINE__);
        switch (p.Kind) {
            case TTypeKind::tkInteger:
            case TTypeKind::tkChar:
            case TTypeKind::tkWChar:
            case TTypeKind::tkInt64: {
                int64_t i;
                if (MemberInteger(m, i))
                    p.Set(object, p.Kind == TTypeKind::tkInt64 ? i : int64_t(int32_t(uint32_t(i))));
                break;
            }
            case TTypeKind::tkEnumeration: {
                const std::u16string text = MemberText(m);
                if (!text.empty()) p.Set(object, EnumOrdinal(p, text));
                break;
            }
            case TTypeKind::tkSet: p.Set(object, TextToSet(p, MemberText(m))); break;
            case TTypeKind::tkFloat: {
                long double f;
                if (MemberFloat(m, f)) p.Set(object, StoredFloat(p, f));
                break;
            }
            case TTypeKind::tkString: p.Set(object, TextToAnsi(MemberText(m))); break;
            case TTypeKind::tkWString: p.Set(object, MemberText(m)); break;
            default: break;
        }
    }
}

void TXmlPersistent::SaveToJson(TJsonObject& json, int context) const { SavePropertiesJson(*this, json, context); }

void TXmlPersistent::LoadFromJson(const TJsonObject& json, int context) { LoadPropertiesJson(*this, json, context); }

void TXmlPersistent::SaveToJsonStream(TStream& stream, int context) const
{
    TJsonObject json = TJsonObject::object();
    SaveToJson(json, context);
    stream.WriteBytes(json.dump(2, ' ', /*ensure_ascii=*/true, nlohmann::detail::error_handler_t::replace));
}

void TXmlObjectList::SaveToJson(TJsonObject& json, int context) const
{
    SavePropertiesJson(*this, json, context);
    TJsonObject& items = json["Items"] = TJsonObject::array();
    for (const TXmlPersistentPtr& item : FItems) {
        TJsonObject entry = TJsonObject::object();
        item->SaveToJson(entry, context);
        entry["ClassName"] = Utf16ToUtf8(item->ClassName());
        items.push_back(std::move(entry));
    }
}

void TXmlObjectList::SaveToJsonStream(TStream& stream, int context) const
{
    TXmlPersistent::SaveToJsonStream(stream, context);
}

void TXmlObjectList::LoadFromJson(const TJsonObject& json, int context)
{
    LoadPropertiesJson(*this, json, context);
    Clear();
    if (!json.is_object()) return;
    const auto items = json.find("Items");
    if (items == json.end() || !items->is_array()) return;
    for (const TJsonObject& entry : *items) {
        std::u16string className;
        if (entry.is_object()) {
            const auto name = entry.find("ClassName");
            if (name != entry.end() && name->is_string()) className = Utf8ToUtf16(name->get<std::string>());
        }
        TXmlPersistentPtr item = CreateItem(className);
        if (!item) continue;
        item->LoadFromJson(entry, context);
        Add(std::move(item));
    }
}
