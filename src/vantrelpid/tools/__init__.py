"""Algorithm modules: data preparation, ARX estimation and model reduction."""
