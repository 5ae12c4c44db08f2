#include "LuHttpProxy.h"

LU_PROPERTIES(TLuHttpProxy)
{
    using C = TLuHttpProxy;
    return TPropTable(&TXmlPersistent::StaticProps())
        .WideString(u"Address", &C::Address)
        .Boolean(u"Checked", &C::Checked)
        .WideString(u"Password", &C::Password)
        .Integer(u"Port", &C::Port)
        .WideString(u"UserName", &C::UserName);
}

THttpProxyValues TLuHttpProxy::Values() const { return {Address, Checked, Password, Port, UserName}; }

void TLuHttpProxy::SetValues(const THttpProxyValues& values)
{
    Address = values.Address;
    Checked = values.Checked;
    Password = values.Password;
    Port = values.Port;
    UserName = values.UserName;
}

TLuHttpProxy& GlobalHttpProxy()
{
    // Never destroyed: requests made while the process ends still find it.
    static TLuHttpProxy* const settings = new TLuHttpProxy;
    return *settings;
}

THttpProxyValues GlobalHttpProxyValues() { return GlobalHttpProxy().Values(); }

void SetGlobalHttpProxyValues(const THttpProxyValues& values) { GlobalHttpProxy().SetValues(values); }
