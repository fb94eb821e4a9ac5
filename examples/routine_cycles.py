#!/usr/bin/python3
"""How many processor cycles the firmware takes to evaluate a calculation:
from calc_enter, where the = key's work starts, to the main loop's next
turn, for a few calculations."""

import varnox

machine = varnox.Machine()
machine.tap("CALC")
started = []
taken = []


def enter(pc):
    started.append(machine.cycles)


def back_in_the_main_loop(pc):
    if len(started) > len(taken):
        taken.append(machine.cycles - started[-1])


machine.on_exec("calc_enter", enter)
machine.on_exec("main_loop", back_in_the_main_loop)
for calculation in ["1+1=", "123*456=", "1/3=", "2*(3+(4-1))/-5="]:
    machine.type(calculation)
    machine.tap("ESC")
    print(f"{calculation:18} {taken[-1]:7} cycles")
if len(taken) != 4 or not all(cycles > 0 for cycles in taken):
    raise SystemExit(f"routine_cycles: measured {taken}, not one count a calculation")
