// TSetupfn: the package codec and the path placeholders, with the process-wide folder values.
#pragma once

#include <string>

class TMemoryStream;

class TSetupfn {
public:
    TSetupfn() = delete;

    // ---- Codec: zlib stream (level 9) whose byte i is XORed with i mod 255 --------------------
    // Replaces the content of the stream by its encoded form; position 0 afterwards.
    static void EncodeStream(TMemoryStream& stream);
    // Replaces the content by its decoded form; position 0 afterwards. Raises EDecompressionError
    // "Error" on damaged data, leaving the unscrambled, still compressed bytes in the stream.
    static void DecodeStream(TMemoryStream& stream);
    // The XOR scrambling alone, in place over size bytes (its own inverse).
    static void ScrambleBytes(unsigned char* bytes, size_t size);

    // ---- Path placeholders --------------------------------------------------------------------
    // Replaces, ignoring case and in this order, {AppTitle} (the title), {pf}, {group}, {desktop},
    // {app} and {srcexe}, then collapses every "\\" to "\" in one left-to-right pass; a
    // leading pair (the start of a network path) stays.
    static std::u16string ExpandPath(const std::u16string& text, const std::u16string& title);

    // Process-wide folder values. ProgramFilesDir has no trailing backslash; DesktopDir,
    // CommonProgramsDir and AppDir have one (or are empty). All start empty; the Windows layer fills
    // the first three at start, the installer the others.
    static std::u16string ProgramFilesDir;
    static std::u16string DesktopDir;
    static std::u16string CommonProgramsDir;
    static std::u16string GroupName;
    static std::u16string AppDir;
    // Full path of the running installer executable ({srcexe}); command-line argument 0.
    static std::u16string SourceExe;
};
