import os
import pickle
import stat

import numpy as np
import pytest
import scipy.io

from vantrelpid.callstash import load_pickle_function, record_function

KEYS = ("module", "version", "file_name", "line_number", "function_name", "parameters")


def record(**params):
    return {"module": "vantrelpid.loopfit", "version": "1.2.3", "file_name": "/somewhere/loopfit.so",
            "function_name": "loopfit", "parameters": params}


def files(root):
    d = root / "export" / "debug"
    return {n: (d / n).read_bytes() for n in sorted(os.listdir(d))}


class TestRecordFunction:
    def test_pickle_and_mat_file_read_back(self, in_tmp_cwd):
        rec = record(U=np.arange(6.0).reshape(3, 2), Tident=2.0)
        assert record_function(rec) is None
        d = in_tmp_cwd / "export" / "debug"
        assert list(files(in_tmp_cwd)) == ["m_unknown.mat", "p_unknown.pkl"]
        back = pickle.loads((d / "p_unknown.pkl").read_bytes())
        assert list(back) == list(rec)
        np.testing.assert_array_equal(back["parameters"]["U"], rec["parameters"]["U"])
        mat = scipy.io.loadmat(d / "m_unknown.mat")
        np.testing.assert_array_equal(mat["U"], rec["parameters"]["U"])
        assert mat["Tident"].item() == 2.0
        umask = os.umask(0)
        os.umask(umask)
        for name in ("p_unknown.pkl", "m_unknown.mat"):
            assert stat.S_IMODE(os.stat(d / name).st_mode) == 0o666 & ~umask

    def test_subpath_has_no_effect_and_files_are_replaced(self, in_tmp_cwd):
        record_function(record(a=np.ones(2)), "matfiles", "x")
        record_function(record(b=np.zeros(3)), filename="x")
        assert list(files(in_tmp_cwd)) == ["m_x.mat", "p_x.pkl"]
        mat = scipy.io.loadmat(in_tmp_cwd / "export" / "debug" / "m_x.mat")
        assert "b" in mat and "a" not in mat

    @pytest.mark.parametrize("bad, changed", [
        ({"parameters": {}, "f": lambda: 0}, []),        # the pickle fails
        ({"parameters": {"a": object()}}, ["p_x.pkl"]),  # the MAT writer fails after the pickle
        ({"module": "new"}, ["p_x.pkl"]),               # no parameters: KeyError after the pickle
    ])
    def test_failed_write_leaves_earlier_files_and_no_temporary(self, in_tmp_cwd, bad, changed):
        record_function(record(a=np.ones(2)), filename="x")
        before = files(in_tmp_cwd)
        with pytest.raises(KeyError if "module" in bad else Exception):
            record_function(bad, filename="x")
        after = files(in_tmp_cwd)
        assert list(after) == list(before)
        assert [n for n in after if after[n] != before[n]] == changed

    @pytest.mark.parametrize("args, message", [
        (([],), "f_detail must be of type dict, not list"),
        ((type("Sub", (dict,), {})(),), "f_detail must be of type dict, not Sub"),
        (({}, None), "subpath must be of type str, not NoneType"),
        (({}, "a", 3), "filename must be of type str, not int"),
    ])
    def test_exact_argument_types(self, in_tmp_cwd, args, message):
        with pytest.raises(TypeError, match=f"^{message}$"):
            record_function(*args)
        assert not (in_tmp_cwd / "export").exists()


class SubDict(dict):
    pass


class TestLoadPickleFunction:
    def test_prints_six_lines_and_returns_the_record(self, in_tmp_cwd, capsys):
        rec = record(x=np.arange(3))
        record_function(rec, filename="r")
        back = load_pickle_function(str(in_tmp_cwd / "export" / "debug" / "p_r.pkl"))
        assert capsys.readouterr().out.splitlines() == [
            "module: vantrelpid.loopfit", "version: 1.2.3", "file_name: /somewhere/loopfit.so",
            "line_number: Unknown", "function_name: loopfit", f"parameters: {rec['parameters']}"]
        assert type(back) is dict and list(back) == list(rec)
        (in_tmp_cwd / "e.pkl").write_bytes(pickle.dumps({}))
        assert load_pickle_function(str(in_tmp_cwd / "e.pkl")) == {}
        assert capsys.readouterr().out.splitlines() == [f"{k}: Unknown" for k in KEYS]

    def test_type_checks(self, in_tmp_cwd, capsys):
        with pytest.raises(TypeError, match="^filename must be of type str, not PosixPath$"):
            load_pickle_function(in_tmp_cwd / "nothing.pkl")
        path = in_tmp_cwd / "s.pkl"
        path.write_bytes(pickle.dumps(SubDict({"module": "m"})))
        with pytest.raises(TypeError, match="dict, not SubDict"):
            load_pickle_function(str(path))
        assert capsys.readouterr().out.splitlines()[0] == "module: m"
        path.write_bytes(pickle.dumps([1, 2]))
        with pytest.raises(AttributeError):
            load_pickle_function(str(path))
        with pytest.raises(FileNotFoundError):
            load_pickle_function(str(in_tmp_cwd / "missing.pkl"))
