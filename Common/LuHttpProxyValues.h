// The proxy settings as plain values, for code that cannot include LuXmlUtils.h (the dialogs,
// which include the UI toolkit). LuHttpProxy.h holds the persistent record and the conversions.
#pragma once

#include <string>

struct THttpProxyValues {
    std::u16string Address;
    bool Checked = false;
    std::u16string Password;
    int Port = 8080;
    std::u16string UserName;

    bool operator==(const THttpProxyValues& o) const
    {
        return Address == o.Address && Checked == o.Checked && Password == o.Password && Port == o.Port &&
               UserName == o.UserName;
    }
    bool operator!=(const THttpProxyValues& o) const { return !(*this == o); }
};

// The process-wide settings (GlobalHttpProxy()) read and replaced as plain values.
THttpProxyValues GlobalHttpProxyValues();
void SetGlobalHttpProxyValues(const THttpProxyValues& values);
