// Names and numbers that fix the package format; shared by the builder and the installer.
#pragma once

#include <cstdint>

// Every package resource is an RT_RCDATA resource (type 10) of the package module.
constexpr uint16_t PackageResourceType = 10;

// Encoded setup script of a full setup.
constexpr const char* SetupScriptResID = "{54682D66-DEF6-4E5B-8AB5-70FFDF2C0E3A}";
// Encoded setup script of a mini setup.
constexpr const char* MiniSetupScriptResID = "{F907FF9D-0131-45D9-9469-A2CD78FB4793}";
// The payload: encoded file bodies, the encoded file table and its int32 little-endian length.
constexpr const char* FileDataResID = "{24B4534B-E580-4F42-BEAB-A2818FDE92C0}";
