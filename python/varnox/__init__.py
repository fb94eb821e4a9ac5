"""Varnox for Python: the calculator's machine as a library.

    import varnox
    m = varnox.Machine()          # the built-in kit, in memory
    m.tap("CALC")                 # open the calculator
    m.type("2+3*4=")
    print(m.screen_text())

A Machine runs as fast as the host allows, never paced: `run(ticks=N)`
runs N run ticks of 10 ms of emulated time. See `help(varnox.Machine)` and
docs/python.md.
"""

from ._machine import STOP, Cpu, Hook, Machine, RunResult, Symbols

__all__ = ["Machine", "RunResult", "Hook", "Cpu", "Symbols", "STOP"]
