// vantrelpid.callstash: call records written to, and read from, export/debug.
//
// A record is written as two files, p_<filename>.pkl (the whole record,
// pickled) and m_<filename>.mat (its `parameters`, as a level-5 MAT file).
// Each file is first written to a uniquely named temporary file in the same
// folder and then moved into place, so a failed write leaves the earlier
// record as it was and no temporary file behind.

#include "support/module.hpp"

namespace py = vantrelpid::py;

namespace {

// Write `target` through `write(file)` on a temporary file that is renamed
// over the target when the write succeeded and removed when it failed.
template <typename Write>
void write_replacing(nb::handle folder, nb::handle target, Write write) {
    nb::module_ os = nb::module_::import_("os");
    nb::object token = nb::module_::import_("secrets").attr("token_hex")(8);
    nb::str name = nb::str(".{}.{}.{}.tmp").format(target.attr("name"), os.attr("getpid")(), token);
    nb::object tmp = folder.attr("__truediv__")(name);
    // os.open applies the umask to 0o666, as a plain open() does.
    const long flags = nb::cast<long>(os.attr("O_WRONLY")) | nb::cast<long>(os.attr("O_CREAT")) |
                       nb::cast<long>(os.attr("O_EXCL"));
    nb::object fd = os.attr("open")(tmp, flags, 0666);
    nb::object file = os.attr("fdopen")(fd, "wb");
    try {
        write(file);
        file.attr("close")();
        os.attr("replace")(tmp, target);
    } catch (...) {
        // Keep the original error; cleaning up must not replace it.
        nb::error_scope scope;
        try {
            file.attr("close")();
        } catch (nb::python_error&) {
        }
        try {
            os.attr("unlink")(tmp);
        } catch (nb::python_error&) {
        }
        throw;
    }
}

void record_function(nb::handle f_detail, nb::handle subpath, nb::handle filename) {
    py::require_exact_type(f_detail, &PyDict_Type, "f_detail", "dict");
    py::require_exact_type(subpath, &PyUnicode_Type, "subpath", "str");
    py::require_exact_type(filename, &PyUnicode_Type, "filename", "str");

    nb::object cwd = nb::module_::import_("pathlib").attr("Path").attr("cwd")();
    nb::object folder = cwd.attr("__truediv__")("export").attr("__truediv__")("debug");
    folder.attr("mkdir")("parents"_a = true, "exist_ok"_a = true);

    nb::str name(filename);
    nb::object pickle_path = folder.attr("__truediv__")(nb::str("p_{}.pkl").format(name));
    nb::object dump = nb::module_::import_("pickle").attr("dump");
    write_replacing(folder, pickle_path, [&](nb::handle file) { dump(f_detail, file); });

    nb::object mat_path = folder.attr("__truediv__")(nb::str("m_{}.mat").format(name));
    nb::object savemat = nb::module_::import_("scipy.io").attr("savemat");
    nb::dict record = nb::borrow<nb::dict>(f_detail);
    nb::str key("parameters");
    if (!record.contains(key)) py::raise_key_error(key);
    nb::object parameters = record[key];
    write_replacing(folder, mat_path, [&](nb::handle file) { savemat(file, parameters, "format"_a = "5"); });
}

nb::object load_pickle_function(nb::handle filename) {
    py::require_exact_type(filename, &PyUnicode_Type, "filename", "str");
    nb::object builtins = nb::module_::import_("builtins");
    nb::object file = builtins.attr("open")(filename, "rb");
    nb::object record;
    try {
        record = nb::module_::import_("pickle").attr("load")(file);
    } catch (...) {
        nb::error_scope scope;
        file.attr("close")();
        throw;
    }
    file.attr("close")();

    static const char* const keys[] = {"module", "version", "file_name", "line_number", "function_name", "parameters"};
    nb::object print = builtins.attr("print");
    nb::object format = builtins.attr("format");
    for (const char* key : keys) {
        nb::object value = record.attr("get")(key, "Unknown");
        print(nb::str("{}: {}").format(nb::str(key), format(value, "")));
    }
    if (Py_TYPE(record.ptr()) != &PyDict_Type) py::raise_wrong_type("the loaded record", "dict", record);
    return record;
}

}  // namespace

NB_MODULE(callstash, m) {
    py::init_module(m);
    m.def("record_function", &record_function, "f_detail"_a, "subpath"_a = "exportfiles",
          "filename"_a = "unknown",
          "record_function(f_detail, subpath='exportfiles', filename='unknown') -> None\n\n"
          "Write the call record f_detail (a dict) to export/debug/p_<filename>.pkl and its\n"
          "'parameters' to export/debug/m_<filename>.mat under the current directory.");
    m.def("load_pickle_function", &load_pickle_function, "filename"_a,
          "load_pickle_function(filename) -> dict\n\n"
          "Read a call record from a pickle file, print its summary and return it.");
}
