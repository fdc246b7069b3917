// Carrying a key's permissions to its copy when the key is renamed or moved
// (a rename or move is a copy and a delete): the owner and the access entries
// the key has of its own, so a key that was locked down stays locked down.
#pragma once

#include <windows.h>
#include <string>

// What a copy could not carry over.
struct SecurityCarry
{
    size_t failed = 0;
    std::wstring firstFailed; // the path of the first key whose permissions stayed behind
    std::wstring path;        // the source key being copied (kept by the copy)
    void Note(const std::wstring& path)
    {
        if (failed++ == 0)
            firstFailed = path;
    }
};

// The function the carry sets security with; tests replace it to make it fail.
using SetKeySecurityFunction = LONG(WINAPI*)(HKEY, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR);
extern SetKeySecurityFunction g_carrySetKeySecurity;

// Gives target (open with READ_CONTROL, WRITE_DAC and WRITE_OWNER) the owner
// of source (open with READ_CONTROL) and source's own access entries, before
// the entries target inherits from its new parent; a protected source list
// is carried as it is, protected. Nothing is written when source has neither
// entries of its own nor another owner. ERROR_SUCCESS, or the error.
LONG CarryKeySecurity(HKEY source, HKEY target);
