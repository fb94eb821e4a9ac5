#!/usr/bin/python3
"""Presses random keys on the calculator page until a watch on the length
of the calculation fires, and keeps the state of that moment in a file, to
load in the window or with varnox-tool run --load-state.

    key_storm.py [SEED] [STATE_FILE]
"""

import random
import sys

import varnox

seed = int(sys.argv[1]) if len(sys.argv) > 1 else 1
state_file = sys.argv[2] if len(sys.argv) > 2 else "storm.vxs"
keys = ["7", "8", "9", "4", "5", "6", "1", "2", "3", "0", ".", "+", "-", "*", "/", "(", ")", "DEL"]

machine = varnox.Machine()
machine.tap("CALC")
fired = []


def long_calculation(address, old, new, pc, tick):
    if new >= 20:
        fired.append((tick, new, machine.symbols.line_at(pc)))
        return varnox.STOP


machine.on_write("v_calclen", long_calculation)
rng = random.Random(seed)
for press in range(1000):
    if machine.tap(rng.choice(keys), ticks=5, after=1).reason == "hook":
        break
    if fired:
        break
if not fired:
    raise SystemExit(f"key_storm: seed {seed}: the watch never fired in 1000 keys")
tick, length, line = fired[0]
with open(state_file, "wb") as out:
    out.write(machine.save_state())
print(f"seed {seed}: {length} characters at run tick {tick} (written at {line}); state in {state_file}")
