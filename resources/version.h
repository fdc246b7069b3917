// The program's version: the one place it is written. The version resource,
// the About box, the log, the manifest and the installer's file name all take
// it from here (the installer reads it back from the built program's version
// resource).
#pragma once

#define ZORVANE_VERSION_MAJOR 4
#define ZORVANE_VERSION_MINOR 9
#define ZORVANE_VERSION_BUILD 16
#define ZORVANE_VERSION_REVISION 1

#define ZORVANE_STRINGIZE_(x) #x
#define ZORVANE_STRINGIZE(x) ZORVANE_STRINGIZE_(x)
// "4.9.16.1" as one narrow string literal (adjacent literals, which both the
// resource compiler and C++ join).
#define ZORVANE_VERSION_TEXT                                                                                   \
    ZORVANE_STRINGIZE(ZORVANE_VERSION_MAJOR)                                                                   \
    "." ZORVANE_STRINGIZE(ZORVANE_VERSION_MINOR) "." ZORVANE_STRINGIZE(ZORVANE_VERSION_BUILD) "." ZORVANE_STRINGIZE( \
        ZORVANE_VERSION_REVISION)
