import os
import pickle
import stat

import numpy as np
import pytest
import scipy.io

from vantrelpid.callstash import load_pickle_function, record_function


def record(**params):
    return {
        "module": "vantrelpid.loopfit",
        "version": "1.2.3",
        "file_name": "/somewhere/loopfit.so",
        "function_name": "loopfit",
        "parameters": params,
    }


def folder(root):
    return root / "export" / "debug"


class TestRecordFunction:
    def test_writes_pickle_and_mat_with_default_name(self, in_tmp_cwd):
        rec = record(U=np.arange(6.0).reshape(3, 2), Tident=2.0)
        assert record_function(rec) is None
        d = folder(in_tmp_cwd)
        assert sorted(os.listdir(d)) == ["m_unknown.mat", "p_unknown.pkl"]
        with open(d / "p_unknown.pkl", "rb") as f:
            back = pickle.load(f)
        assert back.keys() == rec.keys()
        np.testing.assert_array_equal(back["parameters"]["U"], rec["parameters"]["U"])
        mat = scipy.io.loadmat(d / "m_unknown.mat")
        np.testing.assert_array_equal(mat["U"], rec["parameters"]["U"])
        assert mat["Tident"].item() == 2.0

    def test_subpath_has_no_effect_and_files_are_replaced(self, in_tmp_cwd):
        record_function(record(a=np.ones(2)), "matfiles", "x")
        record_function(record(b=np.zeros(3)), filename="x")
        record_function(record(c=1.0), filename="other")
        d = folder(in_tmp_cwd)
        assert sorted(os.listdir(d)) == ["m_other.mat", "m_x.mat", "p_other.pkl", "p_x.pkl"]
        mat = scipy.io.loadmat(d / "m_x.mat")
        assert "b" in mat and "a" not in mat

    def test_empty_parameters_and_default_file_mode(self, in_tmp_cwd):
        record_function({"parameters": {}}, filename="e")
        d = folder(in_tmp_cwd)
        assert [k for k in scipy.io.loadmat(d / "m_e.mat") if not k.startswith("__")] == []
        umask = os.umask(0)
        os.umask(umask)
        for name in ("p_e.pkl", "m_e.mat"):
            assert stat.S_IMODE(os.stat(d / name).st_mode) == 0o666 & ~umask

    def test_missing_parameters_keeps_the_old_mat_file(self, in_tmp_cwd):
        record_function(record(a=np.ones(2)), filename="x")
        d = folder(in_tmp_cwd)
        old_mat = (d / "m_x.mat").read_bytes()
        with pytest.raises(KeyError, match="parameters"):
            record_function({"module": "new"}, filename="x")
        assert (d / "m_x.mat").read_bytes() == old_mat
        with open(d / "p_x.pkl", "rb") as f:
            assert pickle.load(f) == {"module": "new"}
        assert sorted(os.listdir(d)) == ["m_x.mat", "p_x.pkl"]

    @pytest.mark.parametrize("bad", [
        {"parameters": {}, "f": lambda: 0},          # the pickle fails
        {"parameters": {"a": object()}},             # the MAT writer fails
    ])
    def test_failed_write_leaves_earlier_files_and_no_temporary(self, in_tmp_cwd, bad):
        record_function(record(a=np.ones(2)), filename="x")
        d = folder(in_tmp_cwd)
        before = {n: (d / n).read_bytes() for n in os.listdir(d)}
        with pytest.raises(Exception):
            record_function(bad, filename="x")
        after = {n: (d / n).read_bytes() for n in os.listdir(d)}
        if "f" in bad:
            assert after == before
        else:  # the pickle was written, the MAT file is the old one
            assert after["m_x.mat"] == before["m_x.mat"] and set(after) == set(before)

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


class TestLoadPickleFunction:
    def test_prints_six_lines_and_returns_the_record(self, in_tmp_cwd, capsys):
        rec = record(x=np.arange(3))
        rec["extra"] = 5
        record_function(rec, filename="r")
        back = load_pickle_function(str(folder(in_tmp_cwd) / "p_r.pkl"))
        lines = capsys.readouterr().out.splitlines()
        assert lines == [
            "module: vantrelpid.loopfit",
            "version: 1.2.3",
            "file_name: /somewhere/loopfit.so",
            "line_number: Unknown",
            "function_name: loopfit",
            f"parameters: {rec['parameters']}",
        ]
        assert type(back) is dict and back["extra"] == 5

    def test_empty_record(self, in_tmp_cwd, capsys):
        path = in_tmp_cwd / "e.pkl"
        path.write_bytes(pickle.dumps({}))
        assert load_pickle_function(str(path)) == {}
        assert capsys.readouterr().out.splitlines() == [
            f"{k}: Unknown" for k in ("module", "version", "file_name", "line_number", "function_name", "parameters")
        ]

    def test_type_checks(self, in_tmp_cwd, capsys):
        with pytest.raises(TypeError, match="^filename must be of type str, not PosixPath$"):
            load_pickle_function(in_tmp_cwd / "nothing.pkl")
        sub = type("Sub", (dict,), {})
        path = in_tmp_cwd / "s.pkl"
        path.write_bytes(pickle.dumps(SubDict({"module": "m"})))
        with pytest.raises(TypeError, match="dict, not SubDict"):
            load_pickle_function(str(path))
        assert capsys.readouterr().out.splitlines()[0] == "module: m"
        path.write_bytes(pickle.dumps([1, 2]))
        with pytest.raises(AttributeError):
            load_pickle_function(str(path))
        assert capsys.readouterr().out == ""
        with pytest.raises(FileNotFoundError):
            load_pickle_function(str(in_tmp_cwd / "missing.pkl"))


class SubDict(dict):
    pass
