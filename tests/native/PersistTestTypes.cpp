#include "PersistTestTypes.h"

const TEnumTypeInfo TColourInfo{u"TColour", {u"clRed", u"clGreen", u"clBlue"}};

const TPropTable& TPlainPoint::Props() const
{
    static const TPropTable table = TPropTable().Integer(u"X", &TPlainPoint::X).Integer(u"Y", &TPlainPoint::Y);
    return table;
}

LU_PROPERTIES(TKinds)
{
    using C = TKinds;
    TPropTable t(&TXmlPersistent::StaticProps());
    t.Integer(u"Int", &C::Int)
        .Integer(u"Small", &C::Small, u"ShortInt")
        .Enum(u"Colour", &C::Colour, TColourInfo)
        .Boolean(u"Flag", &C::Flag)
        .Float(u"Date", &C::Date, u"TDateTime")
        .String(u"Ansi", &C::Ansi)
        .Set(u"Colours", &C::Colours, TColourInfo, u"TColours")
        .WideString(u"Text", &C::Text)
        .Int64(u"Big", &C::Big);
    TPropInfo ch{u"Ch",
                 TTypeKind::tkChar,
                 u"AnsiChar",
                 nullptr,
                 TFloatType::ftDouble,
                 [](const TPublished& o) -> TPropValue { return int64_t(static_cast<const C&>(o).Ch); },
                 [](TPublished& o, const TPropValue& v) { static_cast<C&>(o).Ch = char(std::get<int64_t>(v)); }};
    TPropInfo wch{u"WCh",
                  TTypeKind::tkWChar,
                  u"WideChar",
                  nullptr,
                  TFloatType::ftDouble,
                  [](const TPublished& o) -> TPropValue { return int64_t(static_cast<const C&>(o).WCh); },
                  [](TPublished& o, const TPropValue& v) { static_cast<C&>(o).WCh = char16_t(std::get<int64_t>(v)); }};
    TPropInfo single{
        u"Single",
        TTypeKind::tkFloat,
        u"Single",
        nullptr,
        TFloatType::ftSingle,
        [](const TPublished& o) -> TPropValue { return (long double)static_cast<const C&>(o).Single; },
        [](TPublished& o, const TPropValue& v) { static_cast<C&>(o).Single = float(std::get<long double>(v)); }};
    TPropInfo readOnly{
        u"ReadOnlyValue",
        TTypeKind::tkInteger,
        u"Integer",
        nullptr,
        TFloatType::ftDouble,
        [](const TPublished& o) -> TPropValue { return int64_t(static_cast<const C&>(o).ReadOnlyValue); },
        {}};
    TPropInfo writeOnly{
        u"WriteOnlyValue",
        TTypeKind::tkInteger,
        u"Integer",
        nullptr,
        TFloatType::ftDouble,
        {},
        [](TPublished& o, const TPropValue& v) { static_cast<C&>(o).WriteOnlyValue = int32_t(std::get<int64_t>(v)); }};
    TPropInfo method{u"OnChange",
                     TTypeKind::tkMethod,
                     u"TNotifyEvent",
                     nullptr,
                     TFloatType::ftDouble,
                     [](const TPublished&) -> TPropValue { return std::monostate{}; },
                     [](TPublished&, const TPropValue&) {}};
    t.Add(ch).Add(wch).Add(single).Add(readOnly).Add(writeOnly).Add(method);
    return t;
}

LU_PROPERTIES(TChild) { return TPropTable(&TXmlPersistent::StaticProps()).WideString(u"Name", &TChild::Name); }

LU_PROPERTIES(TChildList) { return TPropTable(&TXmlObjectList::StaticProps()); }

TOwner::TOwner()
    : Child(std::make_unique<TChild>()), Children(std::make_unique<TChildList>()),
      Point(std::make_unique<TPlainPoint>()), Opaque(std::make_unique<TOpaque>())
{}

LU_PROPERTIES(TOwner)
{
    using C = TOwner;
    return TPropTable(&TXmlPersistent::StaticProps())
        .WideString(u"Title", &C::Title)
        .Object(u"Child", &C::Child)
        .Object(u"Children", &C::Children)
        .Object(u"Point", &C::Point)
        .Object(u"Opaque", &C::Opaque)
        .Object(u"Missing", &C::Missing);
}

LU_PROPERTIES(TWithRecord)
{
    TPropInfo record{u"Bounds",
                     TTypeKind::tkRecord,
                     u"TRect",
                     nullptr,
                     TFloatType::ftDouble,
                     [](const TPublished&) -> TPropValue { return std::monostate{}; },
                     [](TPublished&, const TPropValue&) {}};
    return TPropTable(&TXmlPersistent::StaticProps()).Integer(u"Before", &TWithRecord::Before).Add(record);
}

LU_PROPERTIES(TAbstractList) { return TPropTable(&TXmlObjectList::StaticProps()); }
