// Which language the installer speaks, the product title in it, and the licence text of it.
// Portable: the Windows layer supplies the system language (GetUserLangAbbrev), the dialog and the
// ANSI code page.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "StartupRules.h"

class TSetupBaseInfo;

// The languages a package offers, in this order: "CHS" always, "CHT" when AppTitleCHT is set,
// "ENG" when AppTitleENG is set.
std::vector<std::u16string> AvailableLanguages(const TSetupBaseInfo& baseInfo);

// Position of the code in the list, ignoring case; -1 when it is not there.
int IndexOfLanguage(const std::vector<std::u16string>& available, std::u16string_view code);

// The entry the language dialog selects first: the system language, else "ENG", else the first.
int PreselectedLanguageIndex(const std::vector<std::u16string>& available, std::u16string_view systemLanguage);

// The language of an unattended run: the offered language that matches the system language
// (ignoring case), else "ENG" when offered, else "CHS".
std::u16string UnattendedLanguage(const std::vector<std::u16string>& available, std::u16string_view systemLanguage);

// Asks the user for a language among the offered ones (the language dialog). Returns false when the
// user cancels; on true, language holds the chosen code.
using TAskLanguage = std::function<bool(const std::vector<std::u16string>& available, std::u16string& language)>;

// The language of the run. A package that offers only "CHS" runs in it without asking; otherwise an
// unattended run follows the system language and an interactive one asks. Empty when the user
// cancelled the dialog (the installer then ends). The result is always one of the three codes.
std::optional<std::u16string> ChooseLanguage(const TSetupBaseInfo& baseInfo, TStartMode mode,
                                             std::u16string_view systemLanguage, const TAskLanguage& ask);

// The product title in the language; AppTitleCHS when that one is empty.
std::u16string TitleOfLanguage(const TSetupBaseInfo& baseInfo, std::u16string_view language);

// Name of the licence resource of the language ("CHS", "CHT", English for anything else); empty
// when the package has no licence in it, and the licence controls are then hidden.
std::u16string LicenseResIDOfLanguage(const TSetupBaseInfo& baseInfo, std::u16string_view language);

// Turns bytes of the system's ANSI code page into text.
using TAnsiDecoder = std::function<std::u16string(std::string_view bytes)>;

// The licence text from the resource's bytes. A byte-order mark selects UTF-16 LE (FF FE), UTF-16 BE
// (FE FF) or UTF-8 (EF BB BF) and is dropped; without one the bytes are ANSI text (ansi; Latin-1 when
// none is given). The text ends at its first zero character; it is split into lines at CR LF, CR,
// LF and U+2028 and every line, the last included, ends in CR LF.
std::u16string DecodeLicenseText(std::string_view bytes, const TAnsiDecoder& ansi = nullptr);
