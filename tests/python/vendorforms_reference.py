"""The vendor forms written out in plain Python, one method per vendor form, as
the tests' independent reference for `vantrelpid.vendorforms` (and the
benchmark's baseline). Nothing here reads the extension's tables."""

ECS700 = (r"$u(s) = \frac{\mathrm{MVRange}}{\mathrm{SPRange}} \cdot \frac{100}{\mathrm{PB}} \cdot "
          r"\left(1 + \frac{1}{\mathrm{TI} \cdot s} + \frac{\mathrm{TD} \cdot s}{1 + \frac{\mathrm{TD}}{\mathrm{KD}} "
          r"\cdot s} \right) \cdot \left[\mathrm{SPT}(s) - y(s)\right]$")
GUODIAN = (r"$u(s) = \mathrm{PidGain} \cdot \left(1 + \frac{1}{\mathrm{ResetTime} \cdot s} + \mathrm{DGain} "
           r"\cdot s\right) \cdot \left[\mathrm{SPT}(s) - y(s)\right]$")
MATLAB_PARALLEL = (r"$\mathrm{P} + \mathrm{I} \cdot \frac{1}{s} + \frac{\mathrm{D} \cdot \mathrm{N}}"
                   r"{1 + \mathrm{N} \cdot \frac{1}{s}}$")
MATLAB_IDEAL = (r"$\mathrm{P} \cdot \left[1 + \mathrm{I} \cdot \frac{1}{s} + \frac{\mathrm{D} \cdot \mathrm{N}}"
                r"{1 + \frac{\mathrm{N}}{s}}\right]$")
MATLAB_EQUATION = "P + I * (1/s) + D * N / (1 + N * (1/s))"

# display name -> (method name, PID form code), in the table's order
TABLE = {
    "ABB Bailey classical": ("Bailey_classical", "Int B"),
    "ABB Bailey non-int": ("Bailey_non_int", "Nonint B"),
    "DeltaV Series PID on E": ("DeltaV_Series_PID_on_E", "Int A"),
    "DeltaV Series PI on E, D on PV": ("DeltaV_Series_PID_on_E", "Int B"),
    "DeltaV Series I on E, PD on PV": ("DeltaV_Series_PID_on_E", "Int C"),
    "DeltaV Standard PID on E": ("DeltaV_Standard_PID_on_E", "Nonint A"),
    "DeltaV Standard PI on E, D on PV": ("DeltaV_Standard_PID_on_E", "Nonint B"),
    "DeltaV Standard I on E, PD on PV": ("DeltaV_Standard_PID_on_E", "Nonint C"),
    "Honeywell int A": ("Honeywell_int_A", "Int A"),
    "Honeywell int B": ("Honeywell_int_A", "Int B"),
    "Honeywell int C": ("Honeywell_int_A", "Int C"),
    "Honeywell non-int A": ("Honeywell_nonint_A", "Nonint A"),
    "Honeywell non-int B": ("Honeywell_nonint_A", "Nonint B"),
    "Honeywell non-int C": ("Honeywell_nonint_A", "Nonint C"),
    "Yokogawa Centum I-PD": ("Yokogawa_Centum_PID", "Nonint C"),
    "Yokogawa Centum PID": ("Yokogawa_Centum_PID", "Nonint A"),
    "Yokogawa Centum PI-D": ("Yokogawa_Centum_PID", "Nonint B"),
    "Siemens S7-200": ("Siemens_S7_200", "Nonint A"),
    "Foxboro int": ("Foxboro_int", "Fox Int"),
    "Foxboro non-int": ("Foxboro_non_int", "Fox Nonint"),
    "Supcon Standard": ("Supcon_Standard", "Nonint A"),
    "Supcon FW247": ("Supcon_FW247", "Nonint C"),
    "Supcon D On PV": ("Supcon_Standard", "Nonint B"),
    "Supcon ECS-700": ("Supcon_ECS700", "Nonint A"),
    "GuoDianZhiShen NT-Plus": ("GuoDianZhiShen_NT_PLUS", "Nonint A"),
    "Interacting A": ("Interacting_A", "Int A"),
    "Interacting B": ("Interacting_A", "Int B"),
    "Interacting C": ("Interacting_A", "Int C"),
    "Non-interacting A": ("Non_interacting_A", "Nonint A"),
    "Non-interacting B": ("Non_interacting_A", "Nonint B"),
    "Non-interacting C": ("Non_interacting_A", "Nonint C"),
    "Matlab Parallel(Discrete)": ("Matlab_Parallel", "Nonint A"),
    "Matlab Ideal(Discrete)": ("Matlab_Ideal", "Nonint A"),
}


def F(x):
    return format(x, ".3f")


def minutes(t1, t2, unit):
    """The minute rule: (t1, t2, unit piece)."""
    if unit.lower().startswith("s"):
        t1, t2, unit = t1 / 60, t2 / 60, "m"
    return t1, t2, " %s" % unit


def plain(names, pv, iv, dv, piOnly, unit, extra=()):
    res = dict(zip(("pname", "iname", "dname"), names))
    res["pv"] = "%.3f" % pv
    res["iv"] = F(iv) + " " + str(unit)
    res.update(extra)
    res["dv"] = "0 %s" % unit if piOnly else F(dv) + " " + str(unit)
    return res


def scaled(x, oprange, sprange):
    return x * sprange / oprange


class ReferenceForms:
    def __init__(self):
        self.adapters = {name: getattr(self, method) for name, (method, _) in TABLE.items()}

    def get_controller_type(self, dcstype):
        if type(dcstype) is not str:
            raise TypeError("dcstype must be of type str")
        if dcstype not in self.adapters:
            raise ValueError("Controller type '" + dcstype + "' not supported.")
        return TABLE[dcstype][1]

    def Bailey_classical(self, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit):
        res = {"pname": "Kp", "iname": "Ki", "dname": "Kd"}
        i, d, u = minutes(i, d, unit)
        ki = 1 / i
        res["pv"] = "%.3f/K" % p
        res["iv"] = F(ki) + " " + u + " [reset/min]"
        res["dv"] = "0 %s [min]" % u if piOnly else F(d) + " " + u + " [min]"
        return res

    def Bailey_non_int(self, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit):
        res = {"pname": "Kp", "iname": "Ki", "dname": "Kd"}
        ni, nd, u = minutes(ni, nd, unit)
        ki, kd = np / ni, np * nd
        res["pv"] = "%.3f/K" % np
        res["iv"] = F(ki) + " " + u + " /K[reset/min]"
        res["dv"] = "0 %s /K[min]" % u if piOnly else F(kd) + " " + u + " /K[min]"
        return res

    def DeltaV_Series_PID_on_E(self, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit):
        return plain(("Gain", "Tr", "Td"), p, i, d, piOnly, unit)

    def DeltaV_Standard_PID_on_E(self, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit):
        return plain(("Gain", "Tr", "Td"), np, ni, nd, piOnly, unit)

    def Honeywell_int_A(self, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit):
        i, d, u = minutes(i, d, unit)
        return plain(("K", "T1", "T2"), scaled(p, oprange, sprange), 1 / i, d, piOnly, u)

    def Honeywell_nonint_A(self, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit):
        ni, nd, u = minutes(ni, nd, unit)
        return plain(("K", "T1", "T2"), scaled(np, oprange, sprange), ni, nd, piOnly, u)

    def Yokogawa_Centum_PID(self, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit):
        return plain(("PB", "TI", "TD"), 100 / scaled(np, oprange, sprange), ni, nd, piOnly, unit)

    def Siemens_S7_200(self, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit):
        return plain(("Kc", "Ti", "Td"), np, ni, nd, piOnly, unit)

    def Interacting_A(self, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit):
        return plain(("K", "Ti", "Td"), p, i, d, piOnly, unit)

    def Non_interacting_A(self, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit):
        return plain(("K", "Ti", "Td"), np, ni, nd, piOnly, unit)

    def Foxboro_int(self, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit):
        return plain(("PBAND", "INT", "DERIV"), 100 / scaled(p, oprange, sprange), i, d, piOnly, unit)

    def Foxboro_non_int(self, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit):
        return plain(("PBAND", "INT", "DERIV"), 100 / scaled(np, oprange, sprange), ni, nd, piOnly, unit)

    def Supcon_Standard(self, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit):
        return plain(("K", "Ti", "Td"), np / 2, abs(10 * ni / np), abs(10 * nd * np), piOnly, "0.1Sec")

    def Supcon_ECS700(self, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit):
        return plain(("PB", "TI", "TD"), 100 / scaled(np, oprange, sprange), ni, nd, piOnly, unit,
                     {"latex": ECS700})

    def GuoDianZhiShen_NT_PLUS(self, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit):
        return plain(("PidGain", "ResetTime", "DGain"), np, ni, nd, piOnly, unit, {"latex": GUODIAN})

    def Supcon_FW247(self, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit):
        return plain(("K", "Ti", "Td"), np, 10 * ni, 10 * nd, piOnly, unit)

    def Matlab_Parallel(self, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit):
        return plain(("P", "I", "D"), np, np / ni, np * nd, piOnly, unit,
                     {"pidequ": MATLAB_EQUATION, "latex": MATLAB_PARALLEL})

    def Matlab_Ideal(self, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit):
        return plain(("P", "I", "D"), np, 1 / ni, nd, piOnly, unit, {"latex": MATLAB_IDEAL})

    def calculate(self, dcstype, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit):
        if dcstype not in self.adapters:
            return None
        if piOnly:
            p, i, d = np, ni, nd
        res = self.adapters[dcstype](p, i, d, np, ni, nd, oprange, sprange, piOnly, unit)
        res["pidstr"] = str(res["pname"]) + " = " + str(res["pv"]) + " \n"
        res["pidstr"] += str(res["iname"]) + " = " + str(res["iv"]) + " \n"
        res["pidstr"] += str(res["dname"]) + " = " + str(res["dv"])
        if "latex" not in res:
            res["latex"] = ""
        return res

