// The update hints through which the document tells its views what changed.
#pragma once

enum UpdateHint : long
{
    kHintRegistryChanged = 1, // a change monitor saw changes below its root (hint object: the monitor)
    kHintLocationChanged = 2, // the current location changed
    kHintRefresh = 3,         // rebuild everything
    kHintNumberFormat = 4,    // value texts must be redone
    kHintSelectValue = 5,     // select a value (hint object: its name)
    kHintClearMarks = 6,      // clear cut and drop marks
    kHintValuesChanged = 7,   // the current key's values changed
};
