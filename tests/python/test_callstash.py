import os
import pickle
import stat

import numpy as np
import pytest
import scipy.io

from vantrelpid.callstash import load_pickle_function, record_function

RECORD = {"module": "vantrelpid.loopfit", "version": "1.2.3", "file_name": "/somewhere/loopfit.so",
          "function_name": "loopfit", "parameters": {"U": np.arange(6.0).reshape(3, 2), "Tident": 2.0}}


def files(root):
    d = root / "export" / "debug"
    return {n: (d / n).read_bytes() for n in sorted(os.listdir(d))}


def test_pickle_and_mat_file_read_back_and_replaced(in_tmp_cwd, capsys):
    assert record_function(RECORD) is None
    d = in_tmp_cwd / "export" / "debug"
    back = pickle.loads((d / "p_unknown.pkl").read_bytes())
    np.testing.assert_equal(back, RECORD)
    assert list(back) == list(RECORD) and type(back) is dict
    mat = scipy.io.loadmat(d / "m_unknown.mat")
    np.testing.assert_array_equal(mat["U"], RECORD["parameters"]["U"])
    assert mat["Tident"].item() == 2.0
    os.umask(umask := os.umask(0))   # reads the process's umask
    assert all(stat.S_IMODE(os.stat(d / n).st_mode) == 0o666 & ~umask for n in ("p_unknown.pkl", "m_unknown.mat"))
    record_function({"parameters": {"b": np.zeros(3)}}, "matfiles", "unknown")   # the subpath has no effect
    assert list(files(in_tmp_cwd)) == ["m_unknown.mat", "p_unknown.pkl"]
    assert "b" in scipy.io.loadmat(d / "m_unknown.mat") and "U" not in scipy.io.loadmat(d / "m_unknown.mat")
    # load_pickle_function prints six lines, "Unknown" for what is missing.
    record_function(RECORD, filename="r")
    capsys.readouterr()
    assert load_pickle_function(str(d / "p_r.pkl")).keys() == RECORD.keys()
    np.testing.assert_array_equal(load_pickle_function(str(d / "p_unknown.pkl"))["parameters"]["b"], np.zeros(3))
    assert capsys.readouterr().out == "\n".join([
        "module: vantrelpid.loopfit", "version: 1.2.3", "file_name: /somewhere/loopfit.so", "line_number: Unknown",
        "function_name: loopfit", f"parameters: {RECORD['parameters']}", "module: Unknown", "version: Unknown",
        "file_name: Unknown", "line_number: Unknown", "function_name: Unknown", "parameters: {'b': array([0., 0., 0.])}", ""])


@pytest.mark.parametrize("bad, changed", [
    ({"parameters": {}, "f": lambda: 0}, []),        # the pickle fails
    ({"parameters": {"a": object()}}, ["p_x.pkl"]),  # the MAT writer fails after the pickle
    ({"module": "new"}, ["p_x.pkl"]),               # no parameters: KeyError after the pickle
])
def test_failed_write_leaves_earlier_files_and_no_temporary(in_tmp_cwd, bad, changed):
    record_function(RECORD, filename="x")
    before = files(in_tmp_cwd)
    with pytest.raises(KeyError if "module" in bad else Exception):
        record_function(bad, filename="x")
    after = files(in_tmp_cwd)
    assert list(after) == list(before) and [n for n in after if after[n] != before[n]] == changed


class SubDict(dict):
    pass


@pytest.mark.parametrize("args, message", [
    (([],), "f_detail must be of type dict, not list"),
    ((SubDict(),), "f_detail must be of type dict, not SubDict"),
    (({}, None), "subpath must be of type str, not NoneType"),
    (({}, "a", 3), "filename must be of type str, not int"),
])
def test_exact_argument_types(in_tmp_cwd, args, message):
    with pytest.raises(TypeError, match=f"^{message}$"):
        record_function(*args)
    assert not (in_tmp_cwd / "export").exists()


def test_load_type_checks(in_tmp_cwd, capsys):
    with pytest.raises(TypeError, match="^filename must be of type str, not PosixPath$"):
        load_pickle_function(in_tmp_cwd / "nothing.pkl")
    path = in_tmp_cwd / "s.pkl"
    path.write_bytes(pickle.dumps(SubDict({"module": "m"})))
    with pytest.raises(TypeError, match="dict, not SubDict"):   # after printing
        load_pickle_function(str(path))
    assert capsys.readouterr().out.splitlines()[0] == "module: m"
