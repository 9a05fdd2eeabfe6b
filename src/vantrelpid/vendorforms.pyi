class VendorForms:
    """
    VendorForms()

    The 33 vendor display names of controller types, their PID form codes and
    the vendors' parameter forms. `adapters` maps each display name to the
    bound form method of this object.
    """

    def __init__(self) -> None: ...

    def get_controller_type(self, dcstype: object | None) -> object:
        """
        get_controller_type(dcstype) -> str

        The PID form code of a display name (exactly a str); an unknown name
        raises ValueError.
        """

    def Bailey_classical(self, p: object | None, i: object | None, d: object | None, np: object | None, ni: object | None, nd: object | None, oprange: object | None, sprange: object | None, piOnly: object | None, unit: object | None) -> dict:
        """
        One vendor's parameter form of a PID controller given as interacting
        (p, i, d) and non-interacting (np, ni, nd) gain, integral and derivative
        time: the vendor's names pname, iname, dname and the texts pv, iv, dv
        (three decimals, with the unit), plus pidequ and latex for the forms that
        have a formula. oprange and sprange are the output and set-point spans of
        the range-scaled forms; a truthy piOnly gives the zero derivative text.
        """

    def Bailey_non_int(self, p: object | None, i: object | None, d: object | None, np: object | None, ni: object | None, nd: object | None, oprange: object | None, sprange: object | None, piOnly: object | None, unit: object | None) -> dict:
        """
        One vendor's parameter form of a PID controller given as interacting
        (p, i, d) and non-interacting (np, ni, nd) gain, integral and derivative
        time: the vendor's names pname, iname, dname and the texts pv, iv, dv
        (three decimals, with the unit), plus pidequ and latex for the forms that
        have a formula. oprange and sprange are the output and set-point spans of
        the range-scaled forms; a truthy piOnly gives the zero derivative text.
        """

    def DeltaV_Series_PID_on_E(self, p: object | None, i: object | None, d: object | None, np: object | None, ni: object | None, nd: object | None, oprange: object | None, sprange: object | None, piOnly: object | None, unit: object | None) -> dict:
        """
        One vendor's parameter form of a PID controller given as interacting
        (p, i, d) and non-interacting (np, ni, nd) gain, integral and derivative
        time: the vendor's names pname, iname, dname and the texts pv, iv, dv
        (three decimals, with the unit), plus pidequ and latex for the forms that
        have a formula. oprange and sprange are the output and set-point spans of
        the range-scaled forms; a truthy piOnly gives the zero derivative text.
        """

    def DeltaV_Standard_PID_on_E(self, p: object | None, i: object | None, d: object | None, np: object | None, ni: object | None, nd: object | None, oprange: object | None, sprange: object | None, piOnly: object | None, unit: object | None) -> dict:
        """
        One vendor's parameter form of a PID controller given as interacting
        (p, i, d) and non-interacting (np, ni, nd) gain, integral and derivative
        time: the vendor's names pname, iname, dname and the texts pv, iv, dv
        (three decimals, with the unit), plus pidequ and latex for the forms that
        have a formula. oprange and sprange are the output and set-point spans of
        the range-scaled forms; a truthy piOnly gives the zero derivative text.
        """

    def Honeywell_int_A(self, p: object | None, i: object | None, d: object | None, np: object | None, ni: object | None, nd: object | None, oprange: object | None, sprange: object | None, piOnly: object | None, unit: object | None) -> dict:
        """
        One vendor's parameter form of a PID controller given as interacting
        (p, i, d) and non-interacting (np, ni, nd) gain, integral and derivative
        time: the vendor's names pname, iname, dname and the texts pv, iv, dv
        (three decimals, with the unit), plus pidequ and latex for the forms that
        have a formula. oprange and sprange are the output and set-point spans of
        the range-scaled forms; a truthy piOnly gives the zero derivative text.
        """

    def Honeywell_nonint_A(self, p: object | None, i: object | None, d: object | None, np: object | None, ni: object | None, nd: object | None, oprange: object | None, sprange: object | None, piOnly: object | None, unit: object | None) -> dict:
        """
        One vendor's parameter form of a PID controller given as interacting
        (p, i, d) and non-interacting (np, ni, nd) gain, integral and derivative
        time: the vendor's names pname, iname, dname and the texts pv, iv, dv
        (three decimals, with the unit), plus pidequ and latex for the forms that
        have a formula. oprange and sprange are the output and set-point spans of
        the range-scaled forms; a truthy piOnly gives the zero derivative text.
        """

    def Yokogawa_Centum_PID(self, p: object | None, i: object | None, d: object | None, np: object | None, ni: object | None, nd: object | None, oprange: object | None, sprange: object | None, piOnly: object | None, unit: object | None) -> dict:
        """
        One vendor's parameter form of a PID controller given as interacting
        (p, i, d) and non-interacting (np, ni, nd) gain, integral and derivative
        time: the vendor's names pname, iname, dname and the texts pv, iv, dv
        (three decimals, with the unit), plus pidequ and latex for the forms that
        have a formula. oprange and sprange are the output and set-point spans of
        the range-scaled forms; a truthy piOnly gives the zero derivative text.
        """

    def Siemens_S7_200(self, p: object | None, i: object | None, d: object | None, np: object | None, ni: object | None, nd: object | None, oprange: object | None, sprange: object | None, piOnly: object | None, unit: object | None) -> dict:
        """
        One vendor's parameter form of a PID controller given as interacting
        (p, i, d) and non-interacting (np, ni, nd) gain, integral and derivative
        time: the vendor's names pname, iname, dname and the texts pv, iv, dv
        (three decimals, with the unit), plus pidequ and latex for the forms that
        have a formula. oprange and sprange are the output and set-point spans of
        the range-scaled forms; a truthy piOnly gives the zero derivative text.
        """

    def Interacting_A(self, p: object | None, i: object | None, d: object | None, np: object | None, ni: object | None, nd: object | None, oprange: object | None, sprange: object | None, piOnly: object | None, unit: object | None) -> dict:
        """
        One vendor's parameter form of a PID controller given as interacting
        (p, i, d) and non-interacting (np, ni, nd) gain, integral and derivative
        time: the vendor's names pname, iname, dname and the texts pv, iv, dv
        (three decimals, with the unit), plus pidequ and latex for the forms that
        have a formula. oprange and sprange are the output and set-point spans of
        the range-scaled forms; a truthy piOnly gives the zero derivative text.
        """

    def Non_interacting_A(self, p: object | None, i: object | None, d: object | None, np: object | None, ni: object | None, nd: object | None, oprange: object | None, sprange: object | None, piOnly: object | None, unit: object | None) -> dict:
        """
        One vendor's parameter form of a PID controller given as interacting
        (p, i, d) and non-interacting (np, ni, nd) gain, integral and derivative
        time: the vendor's names pname, iname, dname and the texts pv, iv, dv
        (three decimals, with the unit), plus pidequ and latex for the forms that
        have a formula. oprange and sprange are the output and set-point spans of
        the range-scaled forms; a truthy piOnly gives the zero derivative text.
        """

    def Foxboro_int(self, p: object | None, i: object | None, d: object | None, np: object | None, ni: object | None, nd: object | None, oprange: object | None, sprange: object | None, piOnly: object | None, unit: object | None) -> dict:
        """
        One vendor's parameter form of a PID controller given as interacting
        (p, i, d) and non-interacting (np, ni, nd) gain, integral and derivative
        time: the vendor's names pname, iname, dname and the texts pv, iv, dv
        (three decimals, with the unit), plus pidequ and latex for the forms that
        have a formula. oprange and sprange are the output and set-point spans of
        the range-scaled forms; a truthy piOnly gives the zero derivative text.
        """

    def Foxboro_non_int(self, p: object | None, i: object | None, d: object | None, np: object | None, ni: object | None, nd: object | None, oprange: object | None, sprange: object | None, piOnly: object | None, unit: object | None) -> dict:
        """
        One vendor's parameter form of a PID controller given as interacting
        (p, i, d) and non-interacting (np, ni, nd) gain, integral and derivative
        time: the vendor's names pname, iname, dname and the texts pv, iv, dv
        (three decimals, with the unit), plus pidequ and latex for the forms that
        have a formula. oprange and sprange are the output and set-point spans of
        the range-scaled forms; a truthy piOnly gives the zero derivative text.
        """

    def Supcon_Standard(self, p: object | None, i: object | None, d: object | None, np: object | None, ni: object | None, nd: object | None, oprange: object | None, sprange: object | None, piOnly: object | None, unit: object | None) -> dict:
        """
        One vendor's parameter form of a PID controller given as interacting
        (p, i, d) and non-interacting (np, ni, nd) gain, integral and derivative
        time: the vendor's names pname, iname, dname and the texts pv, iv, dv
        (three decimals, with the unit), plus pidequ and latex for the forms that
        have a formula. oprange and sprange are the output and set-point spans of
        the range-scaled forms; a truthy piOnly gives the zero derivative text.
        """

    def Supcon_ECS700(self, p: object | None, i: object | None, d: object | None, np: object | None, ni: object | None, nd: object | None, oprange: object | None, sprange: object | None, piOnly: object | None, unit: object | None) -> dict:
        """
        One vendor's parameter form of a PID controller given as interacting
        (p, i, d) and non-interacting (np, ni, nd) gain, integral and derivative
        time: the vendor's names pname, iname, dname and the texts pv, iv, dv
        (three decimals, with the unit), plus pidequ and latex for the forms that
        have a formula. oprange and sprange are the output and set-point spans of
        the range-scaled forms; a truthy piOnly gives the zero derivative text.
        """

    def GuoDianZhiShen_NT_PLUS(self, p: object | None, i: object | None, d: object | None, np: object | None, ni: object | None, nd: object | None, oprange: object | None, sprange: object | None, piOnly: object | None, unit: object | None) -> dict:
        """
        One vendor's parameter form of a PID controller given as interacting
        (p, i, d) and non-interacting (np, ni, nd) gain, integral and derivative
        time: the vendor's names pname, iname, dname and the texts pv, iv, dv
        (three decimals, with the unit), plus pidequ and latex for the forms that
        have a formula. oprange and sprange are the output and set-point spans of
        the range-scaled forms; a truthy piOnly gives the zero derivative text.
        """

    def Supcon_FW247(self, p: object | None, i: object | None, d: object | None, np: object | None, ni: object | None, nd: object | None, oprange: object | None, sprange: object | None, piOnly: object | None, unit: object | None) -> dict:
        """
        One vendor's parameter form of a PID controller given as interacting
        (p, i, d) and non-interacting (np, ni, nd) gain, integral and derivative
        time: the vendor's names pname, iname, dname and the texts pv, iv, dv
        (three decimals, with the unit), plus pidequ and latex for the forms that
        have a formula. oprange and sprange are the output and set-point spans of
        the range-scaled forms; a truthy piOnly gives the zero derivative text.
        """

    def Matlab_Parallel(self, p: object | None, i: object | None, d: object | None, np: object | None, ni: object | None, nd: object | None, oprange: object | None, sprange: object | None, piOnly: object | None, unit: object | None) -> dict:
        """
        One vendor's parameter form of a PID controller given as interacting
        (p, i, d) and non-interacting (np, ni, nd) gain, integral and derivative
        time: the vendor's names pname, iname, dname and the texts pv, iv, dv
        (three decimals, with the unit), plus pidequ and latex for the forms that
        have a formula. oprange and sprange are the output and set-point spans of
        the range-scaled forms; a truthy piOnly gives the zero derivative text.
        """

    def Matlab_Ideal(self, p: object | None, i: object | None, d: object | None, np: object | None, ni: object | None, nd: object | None, oprange: object | None, sprange: object | None, piOnly: object | None, unit: object | None) -> dict:
        """
        One vendor's parameter form of a PID controller given as interacting
        (p, i, d) and non-interacting (np, ni, nd) gain, integral and derivative
        time: the vendor's names pname, iname, dname and the texts pv, iv, dv
        (three decimals, with the unit), plus pidequ and latex for the forms that
        have a formula. oprange and sprange are the output and set-point spans of
        the range-scaled forms; a truthy piOnly gives the zero derivative text.
        """

    def calculate(self, dcstype: object | None, p: object | None, i: object | None, d: object | None, np: object | None, ni: object | None, nd: object | None, oprange: object | None, sprange: object | None, piOnly: object | None, unit: object | None) -> object:
        """
        calculate(dcstype, p, i, d, np, ni, nd, oprange, sprange, piOnly, unit) -> dict | None

        The vendor form of the display name dcstype, with pidstr (the three
        parameters as text) and latex (empty where the form has no formula)
        appended; None when dcstype is not a key of adapters. A truthy piOnly
        puts np, ni, nd in place of p, i, d.
        """
