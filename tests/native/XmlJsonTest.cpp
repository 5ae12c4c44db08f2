// The JSON form of persistent objects.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "LuStrUtils.h"
#include "LuStreams.h"
#include "PersistTestTypes.h"

namespace {

TJsonObject SaveJson(const TXmlPersistent& o)
{
    TJsonObject j = TJsonObject::object();
    o.SaveToJson(j);
    return j;
}

}  // namespace

TEST(XmlJson, MembersAndTypes)
{
    TKinds k;
    k.Int = int32_t(0xFF00000Fu);
    k.Flag = true;
    k.Colours = 1u << clBlue;
    k.Date = 0.25;
    k.Text = u"中文";
    k.Big = 1LL << 40;
    const TJsonObject j = SaveJson(k);
    EXPECT_EQ(j["Int"], -16777201);
    EXPECT_EQ(j["Flag"], "True");  // enumeration names, never JSON booleans
    EXPECT_EQ(j["Colour"], "clGreen");
    EXPECT_EQ(j["Colours"], "clBlue");
    EXPECT_EQ(j["Date"], 0.25);
    EXPECT_EQ(j["Text"], "中文");
    EXPECT_EQ(j["Big"], 1LL << 40);
    EXPECT_EQ(j["Ch"], 97);
    EXPECT_EQ(j["ReadOnlyValue"], 7);
    EXPECT_FALSE(j.contains("WriteOnlyValue"));
    EXPECT_FALSE(j.contains("OnChange"));
}

TEST(XmlJson, RoundTripKeepsDoublePrecision)
{
    TKinds k;
    k.Date = 45123.123456789012345;  // more digits than the XML text keeps
    k.Text = u"tab\there \"q\" <&>";
    k.Colours = 7;
    TKinds back;
    back.LoadFromJson(SaveJson(k));
    EXPECT_TRUE(back.IsEqual(&k));
    EXPECT_EQ(back.Date, k.Date);
}

TEST(XmlJson, ReadingConversions)
{
    struct Case {
        const char* json;
        int32_t intValue;
        bool flag;
        TColour colour;
    } cases[] = {
        {R"({"Int": 5})", 5, true, clGreen},
        {R"({"Int": "12"})", 12, true, clGreen},   // the library's string-to-number conversion
        {R"({"Int": "abc"})", 99, true, clGreen},  // does not convert: unchanged
        {R"({"Int": [1]})", 99, true, clGreen},
        {R"({"Flag": false})", 99, false, clGreen},  // JSON literal goes through its text
        {R"({"Flag": "TRUE"})", 99, true, clGreen},
        {R"({"Flag": ""})", 99, true, clGreen},
        {R"({"Colour": "nope"})", 99, true, clRed},
        {R"({"Colour": "CLBLUE"})", 99, true, clBlue},
    };
    for (const Case& c : cases) {
        TKinds k;
        k.Int = 99;
        k.LoadFromJson(TJsonObject::parse(c.json));
        EXPECT_EQ(k.Int, c.intValue) << c.json;
        EXPECT_EQ(k.Flag, c.flag) << c.json;
        EXPECT_EQ(k.Colour, c.colour) << c.json;
    }
}

TEST(XmlJson, BadSetElementRaises)
{
    TKinds k;
    try {
        k.LoadFromJson(TJsonObject::parse(R"({"Colours": "clRed,clPink"})"));
        FAIL() << "nothing raised";
    } catch (const EPropertyConvertError& e) {
        EXPECT_EQ(e.Message(), u"Invalid property element: clPink");
    }
}

TEST(XmlJson, Lists)
{
    TOwner o;
    o.Children->Add(std::make_unique<TChild>())->Name = u"a";
    const TJsonObject j = SaveJson(o);
    ASSERT_TRUE(j["Children"]["Items"].is_array());
    EXPECT_EQ(j["Children"]["Items"][0]["ClassName"], "TChild");
    EXPECT_EQ(j["Children"]["Items"][0]["Name"], "a");
    EXPECT_FALSE(j.contains("Point"));  // a plain published object has no JSON form
    EXPECT_FALSE(j.contains("Opaque"));

    TOwner back;
    back.LoadFromJson(j);
    EXPECT_TRUE(back.Children->SameItems(o.Children.get()));

    // Items without "ClassName" still load; a list object without "Items" is emptied; a list
    // member missing from its owner leaves the list alone.
    back.LoadFromJson(TJsonObject::parse(R"({"Children": {"Items": [{"Name": "x"}, {"Name": "y"}]}})"));
    ASSERT_EQ(back.Children->Count(), 2);
    EXPECT_EQ(back.Children->Items(1)->Name, u"y");
    back.LoadFromJson(TJsonObject::parse(R"({"Title": "t"})"));
    EXPECT_EQ(back.Children->Count(), 2);
    back.LoadFromJson(TJsonObject::parse(R"({"Children": {}})"));
    EXPECT_EQ(back.Children->Count(), 0);
}

TEST(XmlJson, StreamTextIsAscii)
{
    TChild c;
    c.Name = u"简体中文 😀";
    TMemoryStream s;
    c.SaveToJsonStream(s);
    const std::string text = s.ToString();
    for (unsigned char ch : text) ASSERT_LT(ch, 0x80) << text;
    EXPECT_NE(text.find("\\u7b80"), std::string::npos) << text;
    TChild back;
    back.LoadFromJson(TJsonObject::parse(text));
    EXPECT_EQ(back.Name, c.Name);
}
