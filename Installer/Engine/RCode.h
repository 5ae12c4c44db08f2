// The rcode: the campaign number a download site puts into the installer's file name
// ("Product_2041.exe"), passed on to the goto URL so that the site can count completed installs.
#pragma once

#include <string>
#include <string_view>

// The name development runs use in place of the installer's own file name.
inline constexpr std::u16string_view DevelopmentRCodeName = u"DevSetup_1000";

// The digits that begin the text after the first "_" of the file name (without folder and
// extension); empty when there is no "_" or no digit follows it.
std::u16string ExtractRCode(std::u16string_view installerPath);

// The URL with "rcode=<digits>" added as a query parameter ("?" or "&"), or unchanged when the file
// name carries no rcode. A fragment ("#...") stays at the end, after the query, where it belongs:
// a parameter inside it would never reach the server.
std::u16string AppendRCode(const std::u16string& url, std::u16string_view installerPath);
