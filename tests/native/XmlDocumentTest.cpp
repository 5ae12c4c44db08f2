// The XML document model: entity coding, name lookup, the parser's rules, the writer's layout,
// streams, hostile nesting depth and a fixed-seed mutation run over the parser.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "LuExceptions.h"
#include "LuStrUtils.h"
#include "LuStreams.h"
#include "LuXmlUtils.h"

namespace {

const std::string kMismatch = "XML 标签不匹配";
const std::string kAssertion = R"(^Assertion failure \(Common\\LuXmlUtils, line [0-9]+\)$)";
const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";

// What an action raised: the class (one of the documented ones) and the message as UTF-8.
struct Outcome {
    std::string Kind;  // "", "xml", "assert" or "convert"
    std::string Message;
};

Outcome Capture(const std::function<void()>& action)
{
    try {
        action();
        return {"", ""};
    } catch (const EXmlException& e) {
        return {"xml", e.what()};
    } catch (const EAssertionFailed& e) {
        return {"assert", e.what()};
    } catch (const EConvertError& e) {
        return {"convert", e.what()};
    }
}

// Checks the outcome against an expectation: "" (no error), "xml" (the mismatch message),
// "assert" (an assertion naming this unit) or a literal conversion message.
void ExpectOutcome(const Outcome& outcome, const std::string& expected, const std::string& context)
{
    SCOPED_TRACE(context);
    if (expected.empty()) {
        EXPECT_EQ(outcome.Kind, "") << outcome.Message;
    } else if (expected == "xml") {
        EXPECT_EQ(outcome.Kind, "xml");
        EXPECT_EQ(outcome.Message, kMismatch);
    } else if (expected == "assert") {
        EXPECT_EQ(outcome.Kind, "assert");
        EXPECT_TRUE(std::regex_match(outcome.Message, std::regex(kAssertion))) << outcome.Message;
    } else {
        EXPECT_EQ(outcome.Kind, "convert");
        EXPECT_EQ(outcome.Message, expected);
    }
}

// A compact picture of a tree: name, [attr=value ...], {value} or {!cdata}, (children).
std::string Dump(const TXmlNode* node)
{
    if (!node) return "none";
    std::string text = node->RawName;
    if (node->Attributes.Count() > 0) {
        text += '[';
        for (int i = 0; i < node->Attributes.Count(); ++i) {
            if (i) text += ' ';
            text += node->Attributes.Items(i)->RawName + '=' + node->Attributes.Items(i)->RawValue;
        }
        text += ']';
    }
    if (!node->RawValue.empty() || node->IsCData)
        text += std::string("{") + (node->IsCData ? "!" : "") + node->RawValue + '}';
    if (node->Children.Count() > 0) {
        text += '(';
        for (int i = 0; i < node->Children.Count(); ++i) {
            if (i) text += ' ';
            text += Dump(node->Children.Items(i));
        }
        text += ')';
    }
    return text;
}

void Load(TXmlDocument& doc, const std::string& text) { doc.LoadFromBuffer(text.data(), text.size()); }

// A stream that is not a TMemoryStream, to take the copying path of LoadFromStream.
class TStringStream : public TStream {
public:
    explicit TStringStream(std::string bytes) : FBytes(std::move(bytes)) {}
    int64_t Read(void* buffer, int64_t count) override
    {
        const int64_t n = std::max<int64_t>(0, std::min<int64_t>(count, int64_t(FBytes.size()) - FPos));
        if (n > 0) std::memcpy(buffer, FBytes.data() + FPos, size_t(n));
        FPos += n;
        return n;
    }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override
    {
        const int64_t base = origin == TSeekOrigin::soBeginning ? 0
                             : origin == TSeekOrigin::soCurrent ? FPos
                                                                : int64_t(FBytes.size());
        FPos = base + offset;
        return FPos;
    }
    void SetSize(int64_t) override {}

private:
    std::string FBytes;
    int64_t FPos = 0;
};

}  // namespace

// ---- Entity coding --------------------------------------------------------------------------

TEST(XmlDocumentCoding, EncodeReplacesExactlyTheEightSpecialBytes)
{
    struct Case {
        std::u16string Text;
        std::string Markup;
    };
    const Case cases[] = {
        {u"", ""},
        {u"plain", "plain"},
        {u"a\tb", "a&#x09;b"},
        {u"line1\r\nline2", "line1&#x0D;&#x0A;line2"},
        {u"say \"hi\"", "say &quot;hi&quot;"},
        {u"it's", "it&apos;s"},
        {u"a<b>c&d", "a&lt;b&gt;c&amp;d"},
        // Other control characters and multi-byte sequences stay as they are.
        {u"\x01\x7f", "\x01\x7f"},
        {u"安装 é", "安装 é"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {u"&&", "&amp;&amp;"},
    };
    for (const auto& c : cases) EXPECT_EQ(XmlEncode(c.Text), c.Markup) << c.Markup;
}

TEST(XmlDocumentCoding, DecodeReferencesAndUtf8)
{
    struct Case {
        std::string Markup;
        std::u16string Text;
    };
    const Case cases[] = {
        {"", u""},
        {"plain", u"plain"},
        {"&lt;&gt;&amp;&quot;&apos;", u"<>&\"'"},
        {"&LT;&Amp;&QUOT;", u"<&\""},  // names ignore case
        {"&#65;&#x42;&#X43;", u"ABC"},
        {"&#x1F600;", u"\uF600"},  // low 16 bits only, no surrogate pair
        {"&#65601;", u"A"},        // 65601 = 0x10041
        {"&#x09;&#x0D;&#x0A;", u"\t\r\n"},
        {"&amp;lt;", u"&lt;"},  // decoded once, not twice
        {"x&amp;y;z", u"x&y;z"},
        {"安装&lt;", u"安装<"},
        {"a\xFF"
         "b",
         u"a\uFFFDb"},  // invalid UTF-8
    };
    for (const auto& c : cases) {
        const Outcome outcome = Capture([&] { EXPECT_EQ(XmlDecode(c.Markup), c.Text) << c.Markup; });
        ExpectOutcome(outcome, "", c.Markup);
    }
}

TEST(XmlDocumentCoding, DecodeErrors)
{
    struct Case {
        std::string Markup;
        std::string Expected;
    };
    const Case cases[] = {
        {"a & b", "xml"},  // no ";" anywhere later
        {"&", "xml"},
        {"&lt;&gt", "xml"},
        {"a & b;", "assert"},  // body " b" is no known name
        {"&;", "assert"},
        {"&nbsp;", "assert"},
        {"&ltx;", "assert"},
        {"&#;", "'' is not a valid integer value"},
        {"&#x;", "'$' is not a valid integer value"},
        {"&#xZZ;", "'$ZZ' is not a valid integer value"},
        {"&#1a;", "'1a' is not a valid integer value"},
        {"&#99999999999;", "'99999999999' is not a valid integer value"},
    };
    for (const auto& c : cases) ExpectOutcome(Capture([&] { XmlDecode(c.Markup); }), c.Expected, c.Markup);
}

TEST(XmlDocumentCoding, EncodeDecodeRoundTrip)
{
    const std::u16string text = u"\t<x a=\"1\" b='2'>&amp;\r\n安装 \U0001F600 \x01";
    EXPECT_EQ(XmlDecode(XmlEncode(text)), text);
}

TEST(XmlDocumentCoding, SameNameIgnoresCase)
{
    struct Case {
        std::string A, B;
        bool Same;
    };
    const Case cases[] = {
        {"Items", "items", true},   {"", "", true},
        {"Items", "Item", false},   {"a", "b", false},
        {"Größe", "GRÖSSE", false},  // per character: ß does not become SS
        {"größe", "GRÖßE", true},   {"Файл", "ФАЙЛ", true},
        {"安装", "安装", true},     {"\xFF", "\xFE", false},  // malformed bytes are compared as they are
        {"\xFF", "\xFF", true},     {"a\xC3", "A\xC3", true},
    };
    for (const auto& c : cases) EXPECT_EQ(XmlSameName(c.A, c.B), c.Same) << c.A << " / " << c.B;
}

// ---- Attributes and lookups -----------------------------------------------------------------

TEST(XmlDocumentAttribute, TextFollowsTheCDataFlag)
{
    TXmlAttribute a;
    a.SetText(u"<a & \"b\">");
    EXPECT_EQ(a.RawValue, "&lt;a &amp; &quot;b&quot;&gt;");
    EXPECT_EQ(a.GetText(), u"<a & \"b\">");

    // The same bytes read as an attribute decode once.
    a.RawValue = "&amp;lt;";
    EXPECT_EQ(a.GetText(), u"&lt;");

    a.IsCData = true;
    a.SetText(u"<安装 & >");
    EXPECT_EQ(a.RawValue, "<安装 & >");
    EXPECT_EQ(a.GetText(), u"<安装 & >");
    a.RawValue = "a & b";  // would raise if decoded as markup
    EXPECT_EQ(a.GetText(), u"a & b");
}

TEST(XmlDocumentAttribute, IntegersAndFloats)
{
    struct IntCase {
        int64_t Value;
        std::string Raw;
    };
    const IntCase ints[] = {{0, "0"},
                            {7, "7"},
                            {-42, "-42"},
                            {1000, "1000"},
                            {INT64_MAX, "9223372036854775807"},
                            {INT64_MIN, "-9223372036854775808"}};
    for (const auto& c : ints) {
        TXmlAttribute a;
        a.IsCData = true;
        a.SetInteger(c.Value);
        EXPECT_EQ(a.RawValue, c.Raw);
        EXPECT_FALSE(a.IsCData);
    }

    struct FloatCase {
        long double Value;
        std::string Raw;
    };
    const FloatCase floats[] = {{0.0L, "0"},     {1.5L, "1.5"},       {-2.25L, "-2.25"}, {0.5L, "0.5"},
                                {100.0L, "100"}, {1.5e-5L, "1.5E-5"}, {2e20L, "2E20"}};
    for (const auto& c : floats) {
        TXmlAttribute a;
        a.IsCData = true;
        a.SetFloat(c.Value);
        EXPECT_EQ(a.RawValue, c.Raw);
        EXPECT_FALSE(a.IsCData);
    }

    // A stored value: "." whatever the user's separator.
    const char16_t saved = DecimalSeparator();
    SetDecimalSeparator(u',');
    TXmlAttribute a;
    a.SetFloat(1.5L);
    SetDecimalSeparator(saved);
    EXPECT_EQ(a.RawValue, "1.5");
}

TEST(XmlDocumentLookup, FindForceAndAdd)
{
    TXmlDocument doc(u"Root");
    TXmlNode* root = doc.Root.get();
    EXPECT_EQ(root->RawName, "Root");
    EXPECT_EQ(root->Parent, nullptr);

    TXmlNode* items = root->AddChild(u"Items");
    TXmlNode* again = root->AddChild(u"Items");  // always a new element
    EXPECT_NE(items, again);
    EXPECT_EQ(root->Children.Count(), 2);
    EXPECT_EQ(items->Parent, root);

    // Case-insensitive, first match wins.
    EXPECT_EQ(root->FindChild(u"items"), items);
    EXPECT_EQ(root->Children.IndexOf(u"ITEMS"), 0);
    EXPECT_EQ(root->Children.IndexOf(u"Other"), -1);
    EXPECT_EQ(root->FindChild(u"Other"), nullptr);

    EXPECT_EQ(root->ForceChild(u"ITEMS"), items);
    TXmlNode* forced = root->ForceChild(u"Other");
    EXPECT_EQ(forced->RawName, "Other");
    EXPECT_EQ(forced->Parent, root);
    EXPECT_EQ(root->Children.Count(), 3);

    TXmlNode* viaList = root->Children.Force(u"Third", items);
    EXPECT_EQ(viaList->Parent, items);
    EXPECT_EQ(root->Children.Items(3), viaList);

    // Names are compared in markup form, so special characters are found too.
    TXmlNode* odd = root->AddChild(u"a<b");
    EXPECT_EQ(odd->RawName, "a&lt;b");
    EXPECT_EQ(odd->GetName(), u"a<b");
    EXPECT_EQ(root->FindChild(u"A<B"), odd);

    TXmlAttribute* x = root->Attributes.Force(u"X");
    x->SetInteger(1);
    EXPECT_EQ(root->Attributes.Force(u"x"), x);
    EXPECT_EQ(root->FindAttribute(u"x"), x);
    EXPECT_EQ(root->FindAttribute(u"y"), nullptr);
    EXPECT_EQ(root->Attributes.Count(), 1);
}

// ---- Start tags -----------------------------------------------------------------------------

TEST(XmlDocumentTag, ParseTag)
{
    struct Case {
        std::string Tag;
        std::string Dump;  // or an expected error
    };
    const Case cases[] = {
        {"<a>", "a"},
        {"<a/>", "a"},
        {"<a />", "a"},
        {"<a x=\"1\"/>", "a[x=1]"},
        {"<a x=\"1\" y=\"2\">", "a[x=1 y=2]"},
        {"<a  x = \"1\"   y=\"\" >", "a[x=1 y=]"},
        {"<a x='1'>", "a[x=1]"},
        {"<a x='1' y=\"2\">", "a[x=2]"},            // the first double quote after x's "=" opens its value
        {"<a x=\"it's\" y='2'>", "a[x=it's y=2]"},  // no double quote after y's "="
        {"<a x=\"&lt;&#65;\">", "a[x=&lt;&#65;]"},  // nothing is decoded
        {"<a x=\"1\"y=\"2\">", "a[x=1 y=2]"},
        {"<a x=\"a=b\">", "a[x=a=b]"},
        {"<a b c>", "a"},                // no "=": no attributes
        {"<a\tx=\"1\">", "a\tx=\"1\""},  // only a space ends the name
        {"<\ta\n>", "a"},                // trimmed
        {"<a/b>", "a/b"},
        {"<安装 名=\"值\">", "安装[名=值]"},
        {"<>", "assert"},
        {"< a>", "assert"},
        {"</>", "assert"},
        {"<a x=1>", "assert"},    // no opening delimiter
        {"<a x=\"1>", "assert"},  // no closing delimiter
        {"<a x='1>", "assert"},
        {"<a x=\"1\"=\"2\">", "assert"},  // empty attribute name
    };
    for (const auto& c : cases) {
        TXmlNode node;
        const Outcome outcome = Capture([&] { node.ParseTag(c.Tag); });
        if (c.Dump == "assert")
            ExpectOutcome(outcome, "assert", c.Tag);
        else {
            ExpectOutcome(outcome, "", c.Tag);
            EXPECT_EQ(Dump(&node), c.Dump) << c.Tag;
        }
    }
}

TEST(XmlDocumentTag, ParseAttributesClearsAndTagTextWritesBack)
{
    TXmlNode node;
    node.Attributes.Force(u"old");
    node.ParseTag("<a x=\"1\" y=\"&amp;\">");
    EXPECT_EQ(Dump(&node), "a[x=1 y=&amp;]");
    EXPECT_EQ(node.Attributes.AttributesText(), "x=\"1\" y=\"&amp;\"");
    EXPECT_EQ(node.TagText(), "a x=\"1\" y=\"&amp;\"");

    node.ParseTag("<b>");
    EXPECT_EQ(node.TagText(), "b");
    EXPECT_EQ(node.Attributes.Count(), 0);
}

// ---- Parser ---------------------------------------------------------------------------------

TEST(XmlDocumentParse, Documents)
{
    struct Case {
        std::string Input;
        std::string Dump;
    };
    const Case cases[] = {
        {"<a>text</a>", "a{text}"},
        {"<a><![CDATA[x<y]]></a>", "a{!x<y}"},
        {"<a><![CDATA[]]></a>", "a"},             // an empty section changes nothing
        {"<a>\r\n  <b/>\r\n</a>", "a{\r\n}(b)"},  // the last text run is the value
        {"<a>x<b/>y</a>", "a{y}(b)"},
        {"<a>&amp;lt;</a>", "a{&amp;lt;}"},
        {"<a></b>", "a"},  // end tag names are not compared
        {"<a/>", "a"},
        {"<a />", "a"},
        {"<a x=\"1\"/>", "a[x=1]"},
        {"<a x=\"1\"/><b/>", "b"},  // the second top-level element replaces the first
        {"", "none"},
        {"no elements here", "none"},
        {"<?xml version=\"1.0\"?><!-- only a comment -->", "none"},
        {"\xEF\xBB\xBF<a/>", "a"},
        {"<?xml version=\"1.0\" encoding=\"latin1\"?>\r\n<a>\xC3\xA9</a>", "a{\xC3\xA9}"},
        {"<a><b/><!-- <c/> --><c/></a>", "a(b c)"},
        {"<a><!DOCTYPE x --><b/></a>", "a(b)"},
        {"<a><![CDATA[x]]></a>text after", "a{!x}"},
        {"<![CDATA[x]]><a/>", "a"},
        {"<a><b><c>", "a(b(c))"},  // still open at the end: accepted
        {"<a><b/><c x='1'>v</c></a>", "a(b c[x=1]{v})"},
        {"<a>\n<b>1</b>\n<b>2</b>\n</a>", "a{\n}(b{1} b{2})"},
        {"<a><b></b/><c/>", "c"},  // "/>" on an end tag closes once more
    };
    for (const auto& c : cases) {
        TXmlDocument doc;
        const Outcome outcome = Capture([&] { Load(doc, c.Input); });
        ExpectOutcome(outcome, "", c.Input);
        EXPECT_EQ(Dump(doc.Root.get()), c.Dump) << c.Input;
    }
}

TEST(XmlDocumentParse, ParentLinksFollowTheNesting)
{
    TXmlDocument doc;
    Load(doc, "<a><b><c/></b><d/></a>");
    TXmlNode* a = doc.Root.get();
    TXmlNode* b = a->Children.Items(0);
    EXPECT_EQ(a->Parent, nullptr);
    EXPECT_EQ(b->Parent, a);
    EXPECT_EQ(b->Children.Items(0)->Parent, b);
    EXPECT_EQ(a->Children.Items(1)->Parent, a);
}

TEST(XmlDocumentParse, Errors)
{
    struct Case {
        std::string Input;
        std::string Expected;
        std::string PartialTree;  // what Root holds after the error
    };
    const Case cases[] = {
        {"<a", "xml", "none"},
        {"<a><b", "xml", "a"},
        {"<a><![CDATA[x", "xml", "a"},
        {"<a><![CDATA[x]]", "xml", "a"},
        {"<!DOCTYPE x>", "xml", "none"},
        {"<a><!-- x > y", "xml", "a"},
        {"</a>", "xml", "none"},
        {"<a/></a>", "xml", "a"},
        {"<a></a></a>", "xml", "a"},
        {"<?pi/>", "xml", "none"},
        {"<a><b/><c", "xml", "a(b)"},
        {"<>", "assert", "none"},
        {"<a>< b/>", "assert", "a"},
        {"<a><b x=1/></a>", "assert", "a"},
        {"<a><b x=\"1\"/><c>&#xZZ;</c></a>", "", "a(b[x=1] c{&#xZZ;})"},  // values stay undecoded
    };
    for (const auto& c : cases) {
        TXmlDocument doc;
        ExpectOutcome(Capture([&] { Load(doc, c.Input); }), c.Expected, c.Input);
        EXPECT_EQ(Dump(doc.Root.get()), c.PartialTree) << c.Input;
    }
}

TEST(XmlDocumentParse, LoadReplacesThePreviousTree)
{
    TXmlDocument doc(u"Old");
    Load(doc, "<a/>");
    EXPECT_EQ(Dump(doc.Root.get()), "a");
    Load(doc, "   ");
    EXPECT_EQ(doc.Root, nullptr);
    Load(doc, "<b/>");
    EXPECT_THROW(Load(doc, "<c><d"), EXmlException);
    EXPECT_EQ(Dump(doc.Root.get()), "c");
}

TEST(XmlDocumentParse, SearchesStayInsideTheBuffer)
{
    // Each prefix of a document is parsed from a buffer of exactly that size (a fresh heap block,
    // so the sanitizers see any read past its end).
    const std::string text = "\xEF\xBB\xBF<?xml version=\"1.0\"?><!-- c --><a x=\"1\" y='2'>t<![CDATA[d]]><b/></a>";
    for (size_t n = 0; n <= text.size(); ++n) {
        std::vector<char> buffer(text.begin(), text.begin() + std::ptrdiff_t(n));
        TXmlDocument doc;
        const Outcome outcome = Capture([&] { doc.LoadFromBuffer(buffer.data(), buffer.size()); });
        EXPECT_TRUE(outcome.Kind == "" || outcome.Kind == "xml" || outcome.Kind == "assert")
            << n << ": " << outcome.Message;
    }
}

// ---- Writer ---------------------------------------------------------------------------------

TEST(XmlDocumentSave, LayoutOfLinesAndIndentation)
{
    TXmlDocument empty(u"TAny");
    EXPECT_EQ(empty.SaveToString(), kDeclaration + "\r\n<TAny/>\r\n");

    TXmlDocument doc(u"TSetupScript");
    doc.Root->Attributes.Force(u"Name")->SetText(u"A & B");
    doc.Root->Attributes.Force(u"Count")->SetInteger(2);
    TXmlNode* items = doc.Root->AddChild(u"Items");
    items->AddChild(u"TItem")->Attributes.Force(u"Path")->SetText(u"C:\\x");
    TXmlNode* valued = items->AddChild(u"Value");
    valued->RawValue = "v&amp;";
    TXmlNode* cdata = items->AddChild(u"Data");
    cdata->RawValue = "x<y";
    cdata->IsCData = true;
    doc.Root->RawValue = "rv";

    const std::string expected = kDeclaration + "\r\n"
                                                "<TSetupScript Name=\"A &amp; B\" Count=\"2\">rv\r\n"
                                                "    <Items>\r\n"
                                                "        <TItem Path=\"C:\\x\"/>\r\n"
                                                "        <Value>v&amp;</Value>\r\n"
                                                "        <Data><![CDATA[x<y]]></Data>\r\n"
                                                "    </Items>\r\n"
                                                "</TSetupScript>\r\n";
    EXPECT_EQ(doc.SaveToString(), expected);

    doc.Formatted = false;
    doc.WriteDeclaration = false;
    EXPECT_EQ(doc.SaveToString(), "<TSetupScript Name=\"A &amp; B\" Count=\"2\">rv<Items><TItem Path=\"C:\\x\"/>"
                                  "<Value>v&amp;</Value><Data><![CDATA[x<y]]></Data></Items></TSetupScript>");

    std::vector<std::string> lines;
    items->WriteTo(lines, true, "  ");
    EXPECT_EQ(lines.front(), "  <Items>");
    EXPECT_EQ(lines[1], "      <TItem Path=\"C:\\x\"/>");
    EXPECT_EQ(lines.back(), "  </Items>");
}

TEST(XmlDocumentSave, DocumentWithoutRootSavesTheDeclarationOnly)
{
    TXmlDocument doc;
    Load(doc, "no element");
    EXPECT_EQ(doc.SaveToString(), kDeclaration + "\r\n");
    doc.WriteDeclaration = false;
    EXPECT_EQ(doc.SaveToString(), "");
}

TEST(XmlDocumentSave, RoundTrips)
{
    // An attribute value with line breaks and quotes survives a save and reload unchanged.
    const std::u16string text = u"line 1\r\nline 2\n\t\"q\" 'a' <&> 安装";
    TXmlDocument doc(u"Root");
    doc.Root->Attributes.Force(u"Text")->SetText(text);
    TXmlNode* data = doc.Root->AddChild(u"Data");
    data->RawValue = "]] > x<y";
    data->IsCData = true;
    doc.Root->AddChild(u"Empty");

    const std::string saved = doc.SaveToString();
    TXmlDocument loaded;
    Load(loaded, saved);
    EXPECT_EQ(loaded.Root->FindAttribute(u"text")->GetText(), text);
    EXPECT_EQ(Dump(loaded.Root->FindChild(u"Data")), "Data{!]] > x<y}");
    EXPECT_EQ(Dump(loaded.Root->FindChild(u"Empty")), "Empty");
}

// ---- Streams --------------------------------------------------------------------------------

TEST(XmlDocumentStream, LoadFromTheCurrentPosition)
{
    const std::string text = "<skip/><a x=\"1\"/>";
    {
        TMemoryStream stream(text);
        TXmlDocument doc;
        doc.LoadFromStream(stream);
        EXPECT_EQ(Dump(doc.Root.get()), "a[x=1]");  // both elements read, the second wins
    }
    {
        TMemoryStream stream(text);
        stream.SetPosition(7);
        TXmlDocument doc;
        doc.LoadFromStream(stream);
        EXPECT_EQ(Dump(doc.Root.get()), "a[x=1]");
        EXPECT_EQ(stream.Position(), int64_t(text.size()));
    }
    {
        TStringStream stream("<b/>" + text);
        stream.SetPosition(4);
        TXmlDocument doc;
        doc.LoadFromStream(stream);
        EXPECT_EQ(Dump(doc.Root.get()), "a[x=1]");
    }
    {
        TMemoryStream stream;
        TXmlDocument doc;
        doc.LoadFromStream(stream);
        EXPECT_EQ(doc.Root, nullptr);
    }
    {
        TMemoryStream stream(std::string("<a"));
        TXmlDocument doc;
        EXPECT_THROW(doc.LoadFromStream(stream), EXmlException);
    }
}

TEST(XmlDocumentStream, SaveWritesAtThePositionWithoutByteOrderMark)
{
    TXmlDocument doc(u"A");
    TMemoryStream stream(std::string("head"));
    stream.Seek(0, TSeekOrigin::soEnd);
    doc.SaveToStream(stream);
    EXPECT_EQ(stream.ToString(), "head" + doc.SaveToString());
    EXPECT_EQ(stream.ToString().substr(4, 5), "<?xml");
}

// ---- Hostile depth --------------------------------------------------------------------------

namespace {
constexpr int kDeep = 200000;

// Levels along the last child at each level.
int Depth(const TXmlNode* node)
{
    int depth = 0;
    for (; node; node = node->Children.Count() ? node->Children.Items(node->Children.Count() - 1) : nullptr) ++depth;
    return depth;
}
}  // namespace

TEST(XmlDocumentDeep, ParseSaveAndDestroyDeepNesting)
{
    std::string open, close;
    for (int i = 0; i < kDeep; ++i) open += "<a>";
    for (int i = 0; i < kDeep; ++i) close += "</a>";
    const std::string text = open + "x" + close;
    {
        TXmlDocument doc;
        Load(doc, text);
        EXPECT_EQ(Depth(doc.Root.get()), kDeep);
        doc.Formatted = false;
        doc.WriteDeclaration = false;
        // The innermost element has a value; each one around it has one child and no value.
        std::string expected;
        for (int i = 0; i < kDeep - 1; ++i) expected += "<a>";
        expected += "<a>x</a>";
        for (int i = 0; i < kDeep - 1; ++i) expected += "</a>";
        EXPECT_EQ(doc.SaveToString(), expected);
        // Loading again destroys the deep tree first.
        Load(doc, "<b/>");
        EXPECT_EQ(Dump(doc.Root.get()), "b");
    }
    {
        // Unclosed to the end, then dropped with the document.
        TXmlDocument doc;
        Load(doc, open);
        EXPECT_EQ(Depth(doc.Root.get()), kDeep);
    }
    {
        // A deep tree built through the API, with a second branch at every level.
        auto root = std::make_unique<TXmlNode>();
        TXmlNode* node = root.get();
        for (int i = 0; i < kDeep; ++i) {
            node->AddChild(u"leaf");
            node = node->AddChild(u"n");
        }
        EXPECT_EQ(Depth(root.get()), kDeep + 1);
        root.reset();
    }
}

TEST(XmlDocumentDeep, FormattedIndentationAtDepth)
{
    constexpr int depth = 1000;
    std::string text;
    for (int i = 0; i < depth; ++i) text += "<a>";
    TXmlDocument doc;
    Load(doc, text);
    const std::string saved = doc.SaveToString();
    // The innermost element sits 4 spaces per level deep, and the outermost closes last.
    const std::string inner = "\r\n" + std::string(size_t(depth - 1) * 4, ' ') + "<a/>\r\n";
    EXPECT_NE(saved.find(inner), std::string::npos);
    EXPECT_EQ(saved.substr(saved.size() - 6), "</a>\r\n");
    TXmlDocument reloaded;
    Load(reloaded, saved);
    EXPECT_EQ(Depth(reloaded.Root.get()), depth);
}

// ---- Mutation run ---------------------------------------------------------------------------

TEST(XmlDocumentFuzz, RandomMutationsNeverCrash)
{
    const std::string seed = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                             "<!-- setup -->\r\n"
                             "<TSetupScript Name=\"A &amp; B\" Path='C:\\x' Count=\"2\">\r\n"
                             "    <Items>\r\n"
                             "        <TItem Text=\"&#65;&#x42;&lt;&quot;\" Empty=\"\"/>\r\n"
                             "        <Data><![CDATA[x<y]]></Data>\r\n"
                             "        <安装 名=\"值\">v&amp;</安装>\r\n"
                             "    </Items>\r\n"
                             "</TSetupScript>\r\n";
    const std::string alphabet = "<>/!?[]-=\"'& ;#xX\t\r\nCDATA\xC3\xFF";
    std::mt19937 random(20240611u);
    const auto pick = [&](size_t n) { return size_t(random() % std::max<size_t>(n, 1)); };

    for (int round = 0; round < 20000; ++round) {
        std::string text = seed;
        const int edits = 1 + int(pick(6));
        for (int e = 0; e < edits; ++e) {
            const size_t at = pick(text.size() + 1);
            switch (pick(5)) {
                case 0: text.insert(at, 1, alphabet[pick(alphabet.size())]); break;
                case 1:
                    if (at < text.size()) text.erase(at, 1 + pick(8));
                    break;
                case 2:
                    if (at < text.size()) text[at] = char(random());
                    break;
                case 3: text.insert(at, text.substr(pick(text.size()), pick(24))); break;
                default: text.resize(at); break;
            }
        }
        std::vector<char> buffer(text.begin(), text.end());
        TXmlDocument doc;
        const Outcome parsed = Capture([&] { doc.LoadFromBuffer(buffer.data(), buffer.size()); });
        ASSERT_TRUE(parsed.Kind == "" || parsed.Kind == "xml" || parsed.Kind == "assert")
            << parsed.Kind << ": " << parsed.Message << "\n"
            << text;
        // Whatever was built can be saved, decoded and parsed again.
        const std::string saved = doc.SaveToString();
        const Outcome reparsed = Capture([&] {
            TXmlDocument again;
            Load(again, saved);
            if (doc.Root)
                for (int i = 0; i < doc.Root->Attributes.Count(); ++i) doc.Root->Attributes.Items(i)->GetText();
        });
        ASSERT_TRUE(reparsed.Kind == "" || reparsed.Kind == "xml" || reparsed.Kind == "assert" ||
                    reparsed.Kind == "convert")
            << reparsed.Kind << ": " << reparsed.Message << "\n"
            << text;
    }
}
