// CGotoDlg: type or pick a location to go to; picks up a registry path from
// the clipboard when one is there.
#pragma once

#include "app/RecentStrings.h"
#include "app/framework/Dialog.h"

#include <string>

class CGotoDlg : public CDialog
{
  public:
    CGotoDlg();
    bool OnInitDialog() override;
    void OnOK() override;

    CRecentLocations Locations;
    std::wstring EnteredText;
};

// The part of a text from its first registry root word on (control
// characters left out); empty when it names no root.
std::wstring RegistryPathInText(const std::wstring& text);
