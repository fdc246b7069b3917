// The registry script that turns one tree into another: the rows of a
// compare written as they come - "[-key]" for keys only the first side
// has, the whole tree of keys only the second has, "name"=- for values to
// delete and value lines for values to set. Window-free.
#pragma once

#include "operations/RegExport.h"
#include "operations/TreeCompare.h"

#include <string>

// Compares from with to (sub-keys and data included) and writes to output the
// script that makes from into to; key paths are from's. The totals say what
// was found and what could not be read; keys whose names a script cannot
// hold are in output.Report.
CompareTotals WriteDifference(const CompareSide& from, const CompareSide& to, const zv::StopToken& stop,
                              CExportOutput& output);

// The same into a registry script file. False when the file could not be
// written (error says why); a difference that is not complete (unreadable
// keys, names a script cannot hold, a cancel) still writes the file, and
// totals and report say what is missing.
bool ExportDifference(const CompareSide& from, const CompareSide& to, const std::wstring& filePath,
                      const zv::StopToken& stop, CompareTotals& totals, ExportReport& report);
