#!/usr/bin/python3
"""The module's run against varnox-tool run on the same work: steps per
second of Machine.run(ticks=N) over those of `varnox-tool run --ticks N`,
best of several alternating runs, and what a Machine costs to make and to
run 100 ticks, and in memory.

    PYTHONPATH=build/python bench/python-speed.py build/tools/varnox-tool [TICKS] [ROUNDS]
"""

import os
import re
import resource
import subprocess
import sys
import tempfile
import time

import varnox

tool = os.path.abspath(sys.argv[1])
ticks = int(sys.argv[2]) if len(sys.argv) > 2 else 3000
rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 5

with tempfile.TemporaryDirectory() as folder:
    subprocess.run([tool, "kit", folder], check=True, capture_output=True)
    best_tool = best_module = 0.0
    for _ in range(rounds):
        start = time.perf_counter()
        line = subprocess.run([tool, "run", "--no-save", f"--ticks={ticks}"], cwd=folder, check=True,
                              capture_output=True, text=True).stdout
        elapsed = time.perf_counter() - start
        steps = int(re.search(r"STEPS=(\d+)", line).group(1))
        best_tool = max(best_tool, steps / elapsed)

        start = time.perf_counter()
        machine = varnox.Machine(folder)
        result = machine.run(ticks=ticks)
        elapsed = time.perf_counter() - start
        assert result.steps == steps, (result.steps, steps)
        best_module = max(best_module, result.steps / elapsed)

print(f"varnox-tool run: {best_tool / 1e6:.2f} M steps/s; Machine.run: {best_module / 1e6:.2f} M steps/s; "
      f"ratio {best_module / best_tool:.3f} (best of {rounds}, {ticks} ticks)")

made = []
best = float("inf")
for _ in range(rounds * 4):
    start = time.perf_counter()
    machine = varnox.Machine()
    machine.run(ticks=100)
    best = min(best, time.perf_counter() - start)
print(f"Machine() and run(ticks=100): {best * 1000:.1f} ms (best of {rounds * 4})")

before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
machines = [varnox.Machine() for _ in range(50)]
for machine in machines:
    machine.run(ticks=10)
after = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
print(f"memory: {(after - before) / 50:.0f} KB a Machine (50 made, peak resident size)")
