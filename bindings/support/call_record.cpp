#include "support/call_record.hpp"

#include <string>

#include "support/convert.hpp"

namespace vantrelpid::py {

using namespace nb::literals;

namespace {

// One copy per extension module, which links this library statically.
std::string& package_version() {
    static std::string version;
    return version;
}

}  // namespace

void load_package_version() {
    package_version() = nb::str(nb::module_::import_("vantrelpid").attr("__version__")).c_str();
}

void record_call(const char* module, const char* function_name, const nb::dict& parameters) {
    nb::dict recorded;
    for (auto [name, value] : parameters)
        recorded[name] = value.is_none() ? numpy().attr("empty")(nb::make_tuple(0, 0)) : nb::borrow(value);
    nb::dict record;
    record["module"] = module;
    record["version"] = nb::str(package_version().c_str(), package_version().size());
    record["file_name"] = nb::module_::import_(module).attr("__file__");
    record["function_name"] = function_name;
    record["parameters"] = recorded;
    nb::object record_function = nb::module_::import_("vantrelpid.callstash").attr("record_function");
    record_function(record, "subpath"_a = "matfiles", "filename"_a = function_name);
}

}  // namespace vantrelpid::py
