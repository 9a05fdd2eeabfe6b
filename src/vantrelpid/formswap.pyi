def formswap(PID: object | None, Type: object | None, export_file: object | None = False) -> list:
    """
    formswap(PID, Type, export_file=False) -> PIDn

    PID parameters [K, Ti, Td] converted between the non-interacting form
    K (1 + 1/(Ti s) + Td s) and the interacting form K (1 + 1/(Ti s))(1 + Td s).
    Type "nonint": PID is non-interacting; Td is first limited to Ti/4 and the
    result holds numpy floats. Type "int": PID is interacting; the result is
    Python's arithmetic on the given numbers ([1, 2, 2] gives [2.0, 4, 1.0]).
    PIDn is a new list. Raises ValueError "Number of PID parameters is not 3", then
    "Type unknown". With export_file true the call is first recorded to
    export/debug/p_formswap.pkl and m_formswap.mat.
    """
