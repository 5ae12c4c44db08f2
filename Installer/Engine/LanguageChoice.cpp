#include "LanguageChoice.h"

#include <cstdint>

#include "LocalTexts.h"
#include "LuStrUtils.h"
#include "SetupScript.h"

std::vector<std::u16string> AvailableLanguages(const TSetupBaseInfo& baseInfo)
{
    std::vector<std::u16string> result{std::u16string(LangCHS)};
    if (!baseInfo.AppTitleCHT.empty()) result.emplace_back(LangCHT);
    if (!baseInfo.AppTitleENG.empty()) result.emplace_back(LangENG);
    return result;
}

int IndexOfLanguage(const std::vector<std::u16string>& available, std::u16string_view code)
{
    for (size_t i = 0; i < available.size(); ++i)
        if (SameText(available[i], code)) return int(i);
    return -1;
}

int PreselectedLanguageIndex(const std::vector<std::u16string>& available, std::u16string_view systemLanguage)
{
    int index = IndexOfLanguage(available, systemLanguage);
    if (index < 0) index = IndexOfLanguage(available, LangENG);
    return index < 0 ? 0 : index;
}

std::u16string UnattendedLanguage(const std::vector<std::u16string>& available, std::u16string_view systemLanguage)
{
    // The offered code is taken, not the system's spelling of it: a system reporting "cht" still
    // runs in Traditional Chinese instead of falling to the "CHS" safety net below.
    const int index = IndexOfLanguage(available, systemLanguage);
    if (index >= 0) return available[size_t(index)];
    return std::u16string(IndexOfLanguage(available, LangENG) >= 0 ? LangENG : LangCHS);
}

std::optional<std::u16string> ChooseLanguage(const TSetupBaseInfo& baseInfo, TStartMode mode,
                                             std::u16string_view systemLanguage, const TAskLanguage& ask)
{
    std::u16string language(LangCHS);
    const std::vector<std::u16string> available = AvailableLanguages(baseInfo);
    if (available.size() > 1) {
        if (mode != TStartMode::smInteractive)
            language = UnattendedLanguage(available, systemLanguage);
        else if (!ask || !ask(available, language))
            return std::nullopt;
    }
    if (language != LangCHS && language != LangCHT && language != LangENG) language = LangCHS;
    return language;
}

std::u16string TitleOfLanguage(const TSetupBaseInfo& baseInfo, std::u16string_view language)
{
    std::u16string title;
    if (language == LangCHS)
        title = baseInfo.AppTitleCHS;
    else if (language == LangCHT)
        title = baseInfo.AppTitleCHT;
    else if (language == LangENG)
        title = baseInfo.AppTitleENG;
    return title.empty() ? baseInfo.AppTitleCHS : title;
}

std::u16string LicenseResIDOfLanguage(const TSetupBaseInfo& baseInfo, std::u16string_view language)
{
    if (language == LangCHS) return baseInfo.LicenseCHSResID;
    if (language == LangCHT) return baseInfo.LicenseCHTResID;
    return baseInfo.LicenseENGResID;
}

namespace {

std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian)
{
    // An odd last byte is half a character: dropped.
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        const auto b0 = uint8_t(bytes[2 * i]), b1 = uint8_t(bytes[2 * i + 1]);
        text[i] = bigEndian ? char16_t(b0 << 8 | b1) : char16_t(b1 << 8 | b0);
    }
    return text;
}

std::u16string DecodeLatin1(std::string_view bytes)
{
    std::u16string text(bytes.size(), u'\0');
    for (size_t i = 0; i < bytes.size(); ++i) text[i] = char16_t(uint8_t(bytes[i]));
    return text;
}

bool StartsWith(std::string_view bytes, std::string_view mark) { return bytes.substr(0, mark.size()) == mark; }

}  // namespace

std::u16string DecodeLicenseText(std::string_view bytes, const TAnsiDecoder& ansi)
{
    std::u16string text;
    if (StartsWith(bytes, "\xFF\xFE"))
        text = DecodeUtf16(bytes.substr(2), false);
    else if (StartsWith(bytes, "\xFE\xFF"))
        text = DecodeUtf16(bytes.substr(2), true);
    else if (StartsWith(bytes, "\xEF\xBB\xBF"))
        text = Utf8ToUtf16(bytes.substr(3));
    else
        text = ansi ? ansi(bytes) : DecodeLatin1(bytes);

    const size_t zero = text.find(u'\0');
    if (zero != std::u16string::npos) text.resize(zero);

    std::u16string result;
    result.reserve(text.size() + text.size() / 16);
    size_t lineStart = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c != u'\r' && c != u'\n' && c != u'\u2028') continue;
        result.append(text, lineStart, i - lineStart).append(u"\r\n");
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        lineStart = i + 1;
    }
    if (lineStart < text.size()) result.append(text, lineStart, std::u16string::npos).append(u"\r\n");
    return result;
}
