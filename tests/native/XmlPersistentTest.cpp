// Persistent objects in XML: the default element rules over every property kind, lists, Assign,
// IsEqual, Clone, CopyFrom and the file operations.
#include <gtest/gtest.h>

#include <filesystem>

#include "LuStrUtils.h"
#include "LuStreams.h"
#include "PersistTestTypes.h"

namespace {

std::string SaveXml(const TXmlPersistent& o)
{
    TMemoryStream s;
    o.SaveToStream(s);
    return s.ToString();
}

void LoadXml(TXmlPersistent& o, const std::string& xml)
{
    TMemoryStream s(xml);
    o.LoadFromStream(s);
}

// The element of a one-element document "<X .../>" with the given attributes.
std::string Doc(const std::string& attributes) { return "<TKinds " + attributes + "/>"; }

template <class E>
std::u16string MessageOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const E& e) {
        return e.Message();
    }
    return u"(nothing raised)";
}

TKinds FilledKinds()
{
    TKinds k;
    k.Int = -5;
    k.Small = -3;
    k.Ch = 'Z';
    k.WCh = u'中';
    k.Colour = clBlue;
    k.Flag = false;
    k.Single = 0.1f;
    k.Date = 45000.5;
    k.Ansi = "plain";
    k.Colours = (1u << clRed) | (1u << clBlue);
    k.Text = u"文本\t\"<&>'\r\n";
    k.Big = -9000000000LL;
    return k;
}

}  // namespace

TEST(XmlPersistentSave, WritesEveryReadableScalarInTableOrder)
{
    const TKinds k = FilledKinds();
    EXPECT_EQ(SaveXml(k),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
              "<TKinds Int=\"-5\" Small=\"-3\" Colour=\"clBlue\" Flag=\"False\" Date=\"45000.5\" Ansi=\"plain\" "
              "Colours=\"clRed,clBlue\" Text=\"文本&#x09;&quot;&lt;&amp;&gt;&apos;&#x0D;&#x0A;\" Big=\"-9000000000\" "
              "Ch=\"90\" WCh=\"20013\" Single=\"0.100000001490116\" ReadOnlyValue=\"7\"/>\r\n");
}

TEST(XmlPersistentSave, NestedObjectsListsAndPlainObjects)
{
    TOwner o;
    o.Title = u"t";
    o.Child->Name = u"c";
    o.Point->X = 3;
    auto item = std::make_unique<TChild>();
    item->Name = u"i1";
    o.Children->Add(std::move(item));
    EXPECT_EQ(SaveXml(o), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                          "<TOwner Title=\"t\">\r\n"
                          "    <Child Name=\"c\"/>\r\n"
                          "    <Children>\r\n"
                          "        <Items>\r\n"
                          "            <TChild Name=\"i1\"/>\r\n"
                          "        </Items>\r\n"
                          "    </Children>\r\n"
                          "    <Point X=\"3\" Y=\"0\"/>\r\n"
                          "</TOwner>\r\n");
}

TEST(XmlPersistentSave, EmptyListStillWritesItems)
{
    TChildList list;
    EXPECT_EQ(SaveXml(list),
              "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<TChildList>\r\n    <Items/>\r\n</TChildList>\r\n");
}

TEST(XmlPersistentSave, SavingIntoAFilledElementUpdatesInPlace)
{
    TXmlNode node;
    node.SetName(u"X");
    node.Attributes.Force(u"Extra")->SetText(u"kept");
    node.Attributes.Force(u"Int")->SetText(u"old");
    TKinds k;
    k.Int = 42;
    k.SaveToNode(node);
    EXPECT_EQ(node.Attributes.Items(0)->RawName, "Extra");
    EXPECT_EQ(node.Attributes.Items(1)->RawValue, "42");
    EXPECT_EQ(node.Attributes.Count(), 14);
}

TEST(XmlPersistentLoad, RoundTripRestoresEveryWritableProperty)
{
    const TKinds k = FilledKinds();
    TKinds back;
    LoadXml(back, SaveXml(k));
    EXPECT_TRUE(back.IsEqual(&k));
    EXPECT_EQ(back.Text, k.Text);
    EXPECT_EQ(back.WCh, u'中');
    EXPECT_EQ(back.Single, 0.1f);
}

struct ScalarCase {
    const char* attributes;
    int32_t intValue;
    TColour colour;
    bool flag;
};

TEST(XmlPersistentLoad, ScalarConversions)
{
    const ScalarCase cases[] = {
        {"Int=\"12\"", 12, clGreen, true},          {"Int=\"  -12\"", -12, clGreen, true},
        {"Int=\"$1F\"", 31, clGreen, true},         {"Int=\"0x10\"", 16, clGreen, true},
        {"Int=\"12abc\"", 99, clGreen, true},        // not a number: unchanged
        {"Int=\"12 \"", 99, clGreen, true},          // trailing blank: unchanged
        {"Int=\"99999999999\"", 99, clGreen, true},  // out of 32-bit range: unchanged
        {"Flag=\"TRUE\"", 99, clGreen, true},       {"Flag=\"false\"", 99, clGreen, false},
        {"Flag=\"yes\"", 99, clGreen, false},  // unknown name: ordinal 0
        {"Flag=\"\"", 99, clGreen, true},      // empty: unchanged
        {"Colour=\"CLBLUE\"", 99, clBlue, true},    {"Colour=\"purple\"", 99, clRed, true},
    };
    for (const ScalarCase& c : cases) {
        TKinds k;
        k.Int = 99;
        LoadXml(k, Doc(c.attributes));
        EXPECT_EQ(k.Int, c.intValue) << c.attributes;
        EXPECT_EQ(k.Colour, c.colour) << c.attributes;
        EXPECT_EQ(k.Flag, c.flag) << c.attributes;
    }
}

TEST(XmlPersistentLoad, IntegerWidthsAndSigned32BitText)
{
    TKinds k;
    k.Int = int32_t(0xFF00000Fu);
    k.Big = INT64_MIN;
    const std::string xml = SaveXml(k);
    EXPECT_NE(xml.find("Int=\"-16777201\""), std::string::npos);
    EXPECT_NE(xml.find("Big=\"-9223372036854775808\""), std::string::npos);
    TKinds back;
    LoadXml(back, xml);
    EXPECT_EQ(back.Int, int32_t(0xFF00000Fu));
    EXPECT_EQ(back.Big, INT64_MIN);
}

TEST(XmlPersistentLoad, FloatsAreStoredAlikeUnderEveryLocale)
{
    TKinds k;
    k.Date = 1.5;
    k.Single = 0.25f;
    const std::string written = SaveXml(k);
    SetDecimalSeparator(u',');
    TKinds other;
    LoadXml(other, written);
    const std::string withComma = SaveXml(k);
    TKinds fromComma;
    LoadXml(fromComma, Doc("Date=\"2,5E-5\" Single=\"0,5\""));
    TKinds junk;
    junk.Date = 7;
    LoadXml(junk, Doc("Date=\"1.000,5\""));
    SetDecimalSeparator(u'.');
    EXPECT_EQ(other.Date, 1.5);
    EXPECT_EQ(other.Single, 0.25f);
    EXPECT_EQ(withComma, written);
    EXPECT_DOUBLE_EQ(fromComma.Date, 2.5e-5);
    EXPECT_EQ(fromComma.Single, 0.5f);
    EXPECT_EQ(junk.Date, 7);
    // A file written where the separator is "," reads the same here.
    LoadXml(other, Doc("Date=\"2,5\""));
    EXPECT_EQ(other.Date, 2.5);
}

TEST(XmlPersistentLoad, Sets)
{
    struct {
        const char* text;
        uint32_t bits;
    } cases[] = {
        {"", 0},
        {"clGreen", 1u << clGreen},
        {"  [clRed, CLBLUE]", (1u << clRed) | (1u << clBlue)},
        {"clBlue,,clRed", (1u << clRed) | (1u << clBlue)},
    };
    for (const auto& c : cases) {
        TKinds k;
        k.Colours = 0xFF;
        LoadXml(k, Doc(std::string("Colours=\"") + c.text + "\""));
        EXPECT_EQ(k.Colours, c.bits) << c.text;
    }
}

TEST(XmlPersistentLoad, UnknownSetElementStopsTheLoadAfterEarlierProperties)
{
    TKinds k;
    const std::u16string message =
        MessageOf<EPropertyConvertError>([&] { LoadXml(k, Doc("Int=\"5\" Colours=\"clRed,clPink\" Text=\"late\"")); });
    EXPECT_EQ(message, u"Invalid property element: clPink");
    EXPECT_EQ(k.Int, 5);     // before the set in table order
    EXPECT_EQ(k.Text, u"");  // after it
}

TEST(XmlPersistentLoad, AccessRules)
{
    TKinds k;
    LoadXml(k, Doc("ReadOnlyValue=\"1\" WriteOnlyValue=\"2\" OnChange=\"x\" Unknown=\"3\""));
    EXPECT_EQ(k.ReadOnlyValue, 7);   // read-only: saved, never loaded
    EXPECT_EQ(k.WriteOnlyValue, 2);  // write-only: loaded, never saved
    EXPECT_EQ(SaveXml(k).find("WriteOnlyValue"), std::string::npos);
    EXPECT_EQ(SaveXml(k).find("OnChange"), std::string::npos);
}

TEST(XmlPersistentLoad, MissingAttributesKeepConstructionDefaults)
{
    TKinds k;
    LoadXml(k, "<Anything/>");
    EXPECT_TRUE(k.IsEqual(std::make_unique<TKinds>().get()));
    EXPECT_EQ(k.Colour, clGreen);
    EXPECT_TRUE(k.Flag);
}

TEST(XmlPersistentLoad, RootNameIsNotExaminedAndNamesMatchIgnoringCase)
{
    TChild c;
    LoadXml(c, "<TOwner name=\"from another class\" Title=\"x\"/>");
    EXPECT_EQ(c.Name, u"from another class");
}

TEST(XmlPersistentLoad, SubObjectsAreFilledInPlace)
{
    TOwner o;
    TChild* child = o.Child.get();
    LoadXml(o, "<TOwner><child Name=\"n\"/><Point X=\"4\"/><Opaque/><Missing Name=\"m\"/></TOwner>");
    EXPECT_EQ(o.Child.get(), child);
    EXPECT_EQ(child->Name, u"n");
    EXPECT_EQ(o.Point->X, 4);
    EXPECT_EQ(o.Missing, nullptr);
}

TEST(XmlPersistentList, LoadRules)
{
    TOwner o;
    o.Children->Add(std::make_unique<TChild>());
    LoadXml(o, "<TOwner/>");  // list element absent: items stay
    EXPECT_EQ(o.Children->Count(), 1);

    LoadXml(o, "<TOwner><Children/></TOwner>");  // present and empty: emptied
    EXPECT_EQ(o.Children->Count(), 0);

    // Entries load as the list's item class whatever their names; without "Items" the list
    // element's own children are the entries.
    LoadXml(o, "<TOwner><Children><Items><Whatever Name=\"a\"/><TChild Name=\"b\"/></Items></Children></TOwner>");
    ASSERT_EQ(o.Children->Count(), 2);
    EXPECT_EQ(o.Children->Items(0)->Name, u"a");
    LoadXml(o, "<TOwner><Children><X Name=\"c\"/></Children></TOwner>");
    ASSERT_EQ(o.Children->Count(), 1);
    EXPECT_EQ(o.Children->Items(0)->Name, u"c");
}

TEST(XmlPersistentList, IndexingCountsNegativeIndicesFromTheEnd)
{
    TChildList list;
    for (const char16_t* name : {u"a", u"b", u"c"}) list.Add(std::make_unique<TChild>())->Name = name;
    EXPECT_EQ(list.Items(-1)->Name, u"c");
    EXPECT_EQ(list.Items(-3)->Name, u"a");
    EXPECT_EQ(MessageOf<EListError>([&] { list.Items(3); }), u"List index out of bounds (3)");
    EXPECT_EQ(MessageOf<EListError>([&] { list.Items(-4); }), u"List index out of bounds (-4)");
}

TEST(XmlPersistentList, ListWithoutCreateItemRaisesAbstractError)
{
    TAbstractList list;
    EXPECT_EQ(MessageOf<EAbstractError>([&] { LoadXml(list, "<L><Items><A/></Items></L>"); }), u"Abstract Error");
}

TEST(XmlPersistentCopy, CloneAssignAndCopyFrom)
{
    TOwner o;
    o.Title = u"title";
    o.Child->Name = u"child";
    o.Children->Add(std::make_unique<TChild>())->Name = u"x";
    o.Children->Add(std::make_unique<TChild>())->Name = u"y";

    TXmlPersistentPtr copy = o.Clone();
    auto* c = dynamic_cast<TOwner*>(copy.get());
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(c->IsEqual(&o));
    EXPECT_TRUE(c->Children->SameItems(o.Children.get()));
    EXPECT_NE(c->Children->Items(0), o.Children->Items(0));  // deep copies
    c->Children->Items(1)->Name = u"Y";
    EXPECT_FALSE(c->Children->SameItems(o.Children.get()));  // strings compare case-sensitively
    c->Child->Name = u"other";
    EXPECT_FALSE(c->IsEqual(&o));

    // CopyFrom goes through XML, so classes may differ: matching names carry over.
    TChild fromOwner;
    TChild source;
    source.Name = u"n";
    TOwner target;
    target.CopyFrom(source);
    EXPECT_EQ(target.Title, u"");
    fromOwner.CopyFrom(source);
    EXPECT_EQ(fromOwner.Name, u"n");
}

TEST(XmlPersistentCopy, AssignErrorsAndEquality)
{
    TChild c;
    TOpaque opaque;
    EXPECT_EQ(MessageOf<EConvertError>([&] { c.Assign(nullptr); }), u"Cannot assign a nil to a TChild");
    EXPECT_EQ(MessageOf<EConvertError>([&] { c.Assign(&opaque); }), u"Cannot assign a TOpaque to a TChild");
    TOwner o;
    EXPECT_FALSE(c.IsEqual(&o));  // class must match exactly
    EXPECT_FALSE(c.IsEqual(nullptr));
    TKinds a = FilledKinds();
    TKinds b = FilledKinds();
    b.ReadOnlyValue = 1;  // not writable: not compared
    EXPECT_TRUE(a.IsEqual(&b));
    b.Single = 0.2f;
    EXPECT_FALSE(a.IsEqual(&b));
}

TEST(XmlPersistentErrors, UnsupportedKindNamesItsType)
{
    TWithRecord r;
    const std::u16string saveMessage = MessageOf<EAssertionFailed>([&] { SaveXml(r); });
    EXPECT_EQ(saveMessage.rfind(u"TRect (Common\\LuXmlUtils, line ", 0), 0u) << Utf16ToUtf8(saveMessage);
    LoadXml(r, "<R Before=\"1\"/>");  // no attribute of its name: nothing raised
    EXPECT_EQ(r.Before, 1);
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] { LoadXml(r, "<R Bounds=\"1\"/>"); }).rfind(u"TRect (", 0), 0u);
    TWithRecord other;
    EXPECT_EQ(MessageOf<EAssertionFailed>([&] {
                  other.Assign(&r);
              }).rfind(u"Assertion failure (Common\\LuXmlUtils, line ", 0),
              0u);
}

TEST(XmlPersistentErrors, MalformedDocumentLeavesObjectUntouched)
{
    TChild c;
    c.Name = u"keep";
    EXPECT_THROW(LoadXml(c, "<TChild Name=\"x\"></a></b>"), EXmlException);
    EXPECT_EQ(c.Name, u"keep");
}

class XmlPersistentFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() /
              ("xmlpersist-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::u16string PathOf(const std::string& rel) const { return (dir / rel).u16string(); }
    std::filesystem::path dir;
};

TEST_F(XmlPersistentFile, SaveCreatesMissingFoldersAndLoadReadsBack)
{
    TChild c;
    c.Name = u"名字";
    const std::u16string file = PathOf("a/b/c.xml");
    c.SaveToFile(file);
    TChild back;
    back.LoadFromFile(file);
    EXPECT_EQ(back.Name, u"名字");
}

TEST_F(XmlPersistentFile, Errors)
{
    TChild c;
    EXPECT_EQ(MessageOf<EInOutError>([&] { c.SaveToFile(u"bare.xml"); }), u"Unable to create directory");
    const std::u16string missing = PathOf("missing.xml");
    const std::u16string message = MessageOf<EFOpenError>([&] { c.LoadFromFile(missing); });
    EXPECT_EQ(message.rfind(u"Cannot open file \"" + missing + u"\". ", 0), 0u) << Utf16ToUtf8(message);
}
