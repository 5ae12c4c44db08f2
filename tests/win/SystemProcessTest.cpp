// Running programs: exit codes, and the output of console programs relayed to ours.
#include <gtest/gtest.h>

#include "LuStrUtils.h"
#include "LuSysUtilsWin.h"
#include "WinTestSupport.h"

namespace {

std::string Letters(int count)
{
    std::string bytes;
    for (int i = 0; i < count; ++i) bytes += char('a' + i % 26);
    return bytes;
}

TEST(RunAndWait, ReturnsTheExitCodeOfTheProgram)
{
    for (DWORD code : {0u, 1u, 42u, 259u})
        EXPECT_EQ(TLuWinfn::RunAndWait(HelperCommand(u"exit " + IntToStr(code))), code);
}

TEST(RunAndWait, ReturnsOneAtOnceForAProgramThatDoesNotExist)
{
    const DWORD start = GetTickCount();
    EXPECT_EQ(TLuWinfn::RunAndWait(u"\"" + TestExeDir() + u"no-such-program.exe\" /x"), 1u);
    EXPECT_LT(GetTickCount() - start, 5000u);
}

TEST(RunConsole, RelaysEveryByteTheChildWritesAndReturnsItsExitCode)
{
    const struct {
        const char* Name;
        std::u16string Arguments;
        std::string Output;
        DWORD Code;
    } cases[] = {
        {"a line", u"out 0 OK\\r\\n", "OK\r\n", 0},
        // No line end: the last byte of a chunk is output like any other.
        {"no line end", u"out 3 Hello", "Hello", 3},
        {"nothing", u"out 5", "", 5},
        {"two pieces, 700 ms apart", u"out 0 first, ~700 second\\r\\n", "first,second\r\n", 0},
        // More than one read's worth, written just before the child ends.
        {"5000 bytes at the end", u"out 7 #5000", Letters(5000), 7},
        {"100000 bytes", u"out 0 #100000", Letters(100000), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        DWORD code = 99;
        const std::string output = CaptureStdOut([&] { code = TLuWinfn::RunConsole(HelperCommand(c.Arguments)); });
        EXPECT_EQ(code, c.Code);
        EXPECT_EQ(output.size(), c.Output.size());
        EXPECT_TRUE(output == c.Output) << output.substr(0, 200);
    }
}

TEST(RunConsole, ReturnsOneForAProgramThatDoesNotExist)
{
    DWORD code = 99;
    const std::string output =
        CaptureStdOut([&] { code = TLuWinfn::RunConsole(u"\"" + TestExeDir() + u"no-such-program.exe\""); });
    EXPECT_EQ(code, 1u);
    EXPECT_EQ(output, "");
}

TEST(WriteStdOut, WritesTheTextAndALineEndAndNothingWithoutAnOutput)
{
    EXPECT_EQ(CaptureStdOut([] { TLuSysfnWin::WriteStdOut(u"abc"); }), "abc\r\n");
    EXPECT_EQ(CaptureStdOut([] { TLuSysfnWin::WriteStdOut(u""); }), "\r\n");

    const HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
    for (HANDLE none : {HANDLE(nullptr), INVALID_HANDLE_VALUE}) {
        SetStdHandle(STD_OUTPUT_HANDLE, none);
        TLuSysfnWin::WriteStdOut(u"nowhere");
    }
    SetStdHandle(STD_OUTPUT_HANDLE, saved);
}

}  // namespace
