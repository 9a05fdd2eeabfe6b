def segmask(SliceInd: object | None, k: object | None, N: object | None) -> tuple:
    """
    segmask(SliceInd, k, N) -> (SlIndk, SlSampk)

    Selected slices [first, last] (1-based, inclusive) of output k's record of N
    samples, the complement of its table of deselected stretches, and their sample
    numbers. Stretches shorter than 143 samples are dropped.
    """
