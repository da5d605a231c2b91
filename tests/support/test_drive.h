#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

// Drive C: as the tests see it. Under Wine it is the test prefix's own drive;
// natively a temporary WINEPREFIX laid out like a new Wine prefix
// (users/Public, users/<name>/Temp, Program Files, windows, ProgramData), both
// with users/All Users a symbolic link to ProgramData, as Windows makes it.
namespace test_drive {

// Gives the test a clean drive: natively a fresh prefix; under Wine the
// folders the tests touch are removed and hidden folders come back.
void UseFreshDrive();

// The host path of a Windows path on drive C:, spelled as given.
std::filesystem::path HostPathOf(const std::string &windowsPath);

void WriteBytes(const std::string &windowsPath, const std::string &bytes);
std::string ReadBytes(const std::string &windowsPath);
bool Exists(const std::string &windowsPath);
void MakeFolder(const std::string &windowsPath);

// Moves a folder (or a link to one) out of the way until the next
// UseFreshDrive or ShowHiddenFolders.
void HideFolder(const std::string &windowsPath);

// Puts the hidden folders back, in place of whatever took their names.
void ShowHiddenFolders();

// True in a Windows test run by Wine for the root user, where Wine's file
// access checks are the host's and root passes them.
bool UnderWineAsRoot();

// Opens a file without sharing, as a program holding it locked would.
HANDLE HoldWithoutSharing(const std::string &windowsPath);

}  // namespace test_drive
