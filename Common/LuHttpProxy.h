// The proxy settings of one run: the record that the proxy dialog edits and the process-wide copy
// that every HTTP request reads. Nothing stores them; every run starts with the defaults.
#pragma once

#include <string>

#include "LuHttpProxyValues.h"
#include "LuXmlUtils.h"

class TLuHttpProxy : public TXmlPersistent {
    LU_PERSISTENT(TLuHttpProxy)
public:
    TLuHttpProxy() = default;

    std::u16string Address;
    bool Checked = false;
    std::u16string Password;
    int Port = 8080;
    std::u16string UserName;

    // The five values without the persistent machinery, and back.
    THttpProxyValues Values() const;
    void SetValues(const THttpProxyValues& values);
};

// The process-wide settings, created with the defaults on the first call; callers never free them.
TLuHttpProxy& GlobalHttpProxy();
