#pragma once
// Call records: the inputs of a routine written through the recorder of
// vantrelpid.callstash (imported on this path only) to
// export/debug/p_<function>.pkl and m_<function>.mat under the current
// directory, each file replaced whole or left as it was.
//
// The record is {module, version, file_name, function_name, parameters}:
// the extension module that holds the routine, the package's version as read
// when that module was loaded, the module's file, the routine's name, and the
// inputs by name. A parameter of None, which the MAT format cannot hold, is
// recorded as an empty 0 x 0 array in both files, so that the
// two agree and the MAT file loads; any other value is recorded as given.

#include <nanobind/nanobind.h>

namespace vantrelpid::py {

namespace nb = nanobind;

// Read the package's version string; call once when the module is loaded.
void load_package_version();

// Write the record of `function_name`, a routine of the extension module
// `module` ("vantrelpid.loopfit"), with its inputs `parameters`. Errors of
// the recorder (a folder that cannot be made, a value that cannot be
// written) reach the caller.
void record_call(const char* module, const char* function_name, const nb::dict& parameters);

}  // namespace vantrelpid::py
