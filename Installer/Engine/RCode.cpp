#include "RCode.h"

#include "LuStrUtils.h"

std::u16string ExtractRCode(std::u16string_view installerPath)
{
    const std::u16string name = ExtractFileNameNoExt(installerPath);
    const size_t underscore = name.find(u'_');
    if (underscore == std::u16string::npos) return std::u16string();
    size_t end = underscore + 1;
    while (end < name.size() && name[end] >= u'0' && name[end] <= u'9') ++end;
    return name.substr(underscore + 1, end - underscore - 1);
}

std::u16string AppendRCode(const std::u16string& url, std::u16string_view installerPath)
{
    const std::u16string digits = ExtractRCode(installerPath);
    if (digits.empty()) return url;
    const size_t hash = url.find(u'#');
    std::u16string result = url.substr(0, hash);
    result += result.find(u'?') == std::u16string::npos ? u'?' : u'&';
    result += u"rcode=" + digits;
    if (hash != std::u16string::npos) result += url.substr(hash);
    return result;
}
