// The update hints through which the document tells its views what changed,
// and what the hints that carry something carry.
#pragma once

#include "app/framework/View.h"

#include <string>
#include <utility>

enum UpdateHint : long
{
    kHintRegistryChanged = 1, // a change monitor saw changes below its root
    kHintLocationChanged = 2, // the current location changed
    kHintRefresh = 3,         // rebuild everything
    kHintNumberFormat = 4,    // value texts must be redone
    kHintSelectValue = 5,     // select a value
    kHintClearMarks = 6,      // clear cut and drop marks
    kHintValuesChanged = 7,   // the current key's values changed
};

// kHintRegistryChanged: the root key below which the registry changed.
class RegistryChangedHint : public CUpdateHint
{
  public:
    explicit RegistryChangedHint(std::wstring rootName) : root(std::move(rootName)) {}
    std::wstring root;
};

// kHintSelectValue: the name of the value to select.
class SelectValueHint : public CUpdateHint
{
  public:
    explicit SelectValueHint(std::wstring valueName) : name(std::move(valueName)) {}
    std::wstring name;
};
