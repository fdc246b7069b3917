// Resource identifiers of zorvane.exe.
#pragma once

#define IDR_MAINFRAME 101
