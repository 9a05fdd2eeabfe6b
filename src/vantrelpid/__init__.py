"""Process identification, closed-loop simulation and PID tuning.

The package is a set of compiled extension modules; import the one you need,
for example ``from vantrelpid.tools.segmask import segmask``.
"""

__version__ = "0.1.0"
