def record_function(f_detail: object | None, subpath: object | None = 'exportfiles', filename: object | None = 'unknown') -> None:
    """
    record_function(f_detail, subpath='exportfiles', filename='unknown') -> None

    Write the call record f_detail (a dict) to export/debug/p_<filename>.pkl and its
    'parameters' to export/debug/m_<filename>.mat under the current directory.
    """

def load_pickle_function(filename: object | None) -> object:
    """
    load_pickle_function(filename) -> dict

    Read a call record from a pickle file, print its summary and return it.
    """
