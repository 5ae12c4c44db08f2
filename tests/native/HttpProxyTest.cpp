// The proxy settings record: its defaults, copying, the XML form and the process-wide instance.
#include <gtest/gtest.h>

#include "LuHttpProxy.h"
#include "LuStreams.h"

namespace {

TLuHttpProxy Filled()
{
    TLuHttpProxy p;
    p.Address = u"proxy.example 代理";
    p.Checked = true;
    p.Password = u" pass word ";
    p.Port = 3128;
    p.UserName = u"user";
    return p;
}

void ExpectSame(const THttpProxyValues& expected, const TLuHttpProxy& actual) { EXPECT_EQ(expected, actual.Values()); }

TEST(HttpProxy, DefaultsAreDirectOnPort8080)
{
    const TLuHttpProxy p;
    EXPECT_EQ((THttpProxyValues{u"", false, u"", 8080, u""}), p.Values());
}

TEST(HttpProxy, PublishesTheFivePropertiesInOrder)
{
    std::vector<std::u16string> names;
    for (const TPropInfo& info : TLuHttpProxy::StaticProps().Props()) names.push_back(info.Name);
    EXPECT_EQ((std::vector<std::u16string>{u"Address", u"Checked", u"Password", u"Port", u"UserName"}), names);
}

TEST(HttpProxy, AssignAndCloneCopyAllFive)
{
    const TLuHttpProxy source = Filled();
    TLuHttpProxy target;
    target.Assign(&source);
    ExpectSame(source.Values(), target);
    EXPECT_TRUE(target.IsEqual(&source));
    ExpectSame(source.Values(), static_cast<TLuHttpProxy&>(*source.Clone()));

    // Back to the defaults: an unchecked, empty source overwrites every value.
    const TLuHttpProxy defaults;
    target.Assign(&defaults);
    ExpectSame(defaults.Values(), target);
}

TEST(HttpProxy, XmlRoundTrip)
{
    const TLuHttpProxy source = Filled();
    TMemoryStream stream;
    source.SaveToStream(stream);
    const std::string xml = stream.ToString();
    EXPECT_LT(xml.find("Address="), xml.find("Checked=\"True\"")) << xml;
    EXPECT_LT(xml.find("Checked="), xml.find("Port=\"3128\"")) << xml;

    stream.SetPosition(0);
    TLuHttpProxy loaded;
    loaded.LoadFromStream(stream);
    ExpectSame(source.Values(), loaded);
}

TEST(HttpProxy, ValuesConvertBothWays)
{
    const THttpProxyValues values{u"10.0.0.1", true, u"secret", 65535, u"name"};
    TLuHttpProxy p;
    p.SetValues(values);
    ExpectSame(values, p);
}

TEST(HttpProxy, GlobalSettingsAreOneInstance)
{
    TLuHttpProxy& global = GlobalHttpProxy();
    EXPECT_EQ(&global, &GlobalHttpProxy());
    const THttpProxyValues before = GlobalHttpProxyValues();

    const TLuHttpProxy filled = Filled();
    SetGlobalHttpProxyValues(filled.Values());
    ExpectSame(filled.Values(), GlobalHttpProxy());
    SetGlobalHttpProxyValues(before);
    EXPECT_EQ(before, GlobalHttpProxyValues());
}

}  // namespace
