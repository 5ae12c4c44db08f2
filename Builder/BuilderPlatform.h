// The builder's few differences between Linux and Windows, as functions: BuilderPlatform_posix.cpp
// or BuilderPlatform_win.cpp defines them. No Windows header here.
#pragma once

#include <ctime>
#include <filesystem>
#include <string>

// The file's last-write time in the local time zone; the epoch's when the file cannot be read.
std::tm FileLastWriteLocalTime(const std::filesystem::path& file);
// A path of the script ("\"-separated, as on Windows) in the form this system's paths take.
std::u16string NativeScriptPath(std::u16string scriptPath);
// True when standard error is a terminal (progress lines are drawn only there).
bool StandardErrorIsTerminal();
