"""The machine from Python against varnox-tool, across states, pickles and
recordings, and what it refuses."""

import pickle
import struct
import zlib
import re
import subprocess

import numpy
import pytest

import varnox

# Holds as varnox-tool takes them: key (name or number), from, until.
HOLD_SCRIPTS = [
    [],
    [("CALC", 10, 15), ("7", 20, 25), ("*", 30, 35), ("8", 40, 45), ("=", 50, 55)],
    [("MEMO", 10, 16), ("H", 20, 21), ("I", 21, 30), ("LEFT", 40, 45), (35, 50, 80)],
    [("CHAR", 5, 10), ("DOWN", 12, 40), ("PRINT", 45, 90)],
]


def run_with_holds(machine, holds, ticks):
    """The tool's --hold runs, made of presses and releases between runs."""
    events = sorted([(start, 1, key) for key, start, _ in holds] + [(end, 0, key) for key, _, end in holds])
    for tick, down, key in events:
        machine.run(ticks=tick - machine.run_ticks)
        if key == "PRINT":
            machine.print_switch(bool(down))
        elif down:
            machine.press(key)
        else:
            machine.release()
    machine.run(ticks=ticks - machine.run_ticks)


def read_pbm(data):
    numbers = data.split(b"\n", 2)
    width, height = map(int, numbers[1].split())
    return numpy.array([c - 48 for c in numbers[2] if c in b"01"], dtype=numpy.uint8).reshape(height, width)


@pytest.mark.parametrize("holds", HOLD_SCRIPTS)
def test_runs_as_the_tool_runs(kit_folder, tool, holds):
    ticks = 120
    machine = varnox.Machine(kit_folder)  # read before the tool saves its memory there
    run_with_holds(machine, holds, ticks)
    # The tool reads a number as the key's number: the digits' faces go by theirs.
    numbered = [(varnox.Machine.key_number(key) if str(key).isdigit() else key, start, end) for key, start, end in holds]
    arguments = [f"--hold={key}@{start}-{end}" for key, start, end in numbered]
    line = subprocess.run([tool, "run", f"--ticks={ticks}", "--screen=screen.pbm", *arguments],
                          cwd=kit_folder, check=True, capture_output=True, text=True).stdout
    state = dict(re.findall(r"(\w+)=(\w+)", line))
    assert int(state["PC"], 16) == machine.cpu.pc
    assert int(state["F"], 16) == machine.cpu.f
    assert int(state["STEPS"]) == machine.steps
    assert int(state["TICKS"]) == machine.run_ticks
    assert bytes(machine.ram) == (kit_folder / "ram.bin").read_bytes()
    assert numpy.array_equal(machine.screen, read_pbm((kit_folder / "screen.pbm").read_bytes()))


def test_types_a_calculation_and_reads_the_answer():
    machine = varnox.Machine()
    machine.tap("CALC")
    machine.type("2+3*4=")
    machine.run(ticks=50)
    rows = machine.screen_text().split("\n")
    assert len(rows) == 8 and all(len(row) == 16 for row in rows)
    assert rows[0].startswith("CALC")
    assert rows[2].strip() == "2+3*4" and rows[5].strip() == "14"


def test_a_pickle_and_a_state_go_on_as_the_machine_does():
    whole = varnox.Machine()
    whole.tap("MEMO")
    whole.type("AB")
    state = whole.save_state()
    copy = pickle.loads(pickle.dumps(whole))
    loaded = varnox.Machine()
    loaded.load_state(state)
    for machine in (whole, copy, loaded):
        # A load lets the keys go at its tick: the next press waits a tick.
        machine.run(ticks=1)
        machine.type("12+")
        machine.run(ticks=137)
    assert copy.save_state() == whole.save_state() == loaded.save_state()
    assert copy.screen_text() == whole.screen_text()


def test_the_screen_is_one_live_read_only_view():
    machine = varnox.Machine()
    screen = machine.screen
    start = machine.save_state()
    machine.tap("CALC")
    assert numpy.array_equal(screen, machine.screen) and screen.shape == (64, 96)
    calculator = screen.copy()
    machine.load_state(start)
    assert not numpy.array_equal(screen, calculator)
    machine.reset()
    assert screen.sum() == 0  # the display is off after the reset, until the firmware starts it
    with pytest.raises(ValueError):
        screen[0, 0] = 1


def test_a_recording_replays_to_the_same_machine(tmp_path):
    recorded = varnox.Machine()
    recorded.record(tmp_path / "run.vxr")
    recorded.tap("CALC")
    recorded.type("9-4=")
    with pytest.raises(RuntimeError, match="recording"):
        recorded.write(0xC000, b"\1")
    recorded.stop_recording()
    replayed = varnox.Machine()
    assert replayed.replay(tmp_path / "run.vxr").ticks == recorded.run_ticks
    assert replayed.save_state() == recorded.save_state()


def test_a_state_of_other_roms_is_refused_unless_forced(kit_folder):
    rom = bytearray((kit_folder / "rom0.bin").read_bytes())
    rom[-1] ^= 0xFF
    (kit_folder / "rom0.bin").write_bytes(rom)
    other = varnox.Machine(kit_folder)
    state = varnox.Machine().save_state()
    with pytest.raises(ValueError, match=r"another instruction ROM \(rom0.bin\).*force=True"):
        other.load_state(state)
    other.load_state(state, force=True)
    assert other.save_state()[28:] == state[28:]


def test_memory_reads_and_writes_through_the_data_space():
    machine = varnox.Machine()
    machine.run(ticks=10)
    machine.write("v_calclen", 3)
    assert machine.read("v_calclen") == b"\3" and machine.read(machine.symbols["v_calclen"] | 0x8000) == b"\3"
    machine.write(0xC010, b"\x34\x12")
    assert machine.read_word(0xC010) == 0x1234 and machine.ram[0x10] == 0x34
    assert bytes(machine.read(0x0000, 4)) == bytes(machine.rom1[:4])
    assert machine.cpu.r == tuple(machine.registers)
    assert machine.symbols.name_at(machine.symbols["main_loop"]) == "main_loop"
    assert machine.symbols.line_at(machine.symbols["main_loop"]).endswith(".asm:" + machine.symbols.line_at(
        machine.symbols["main_loop"]).rsplit(":", 1)[1])


BAD_USES = [
    (lambda m: m.press("CALK"), ValueError, r"'CALK'.*CALC"),
    (lambda m: m.press(54), ValueError, "54"),
    (lambda m: m.tap(None), TypeError, "None"),
    (lambda m: m.type("2~3"), ValueError, r"'~' \(character 1"),
    (lambda m: m.read(0xFFFF, 2), ValueError, "65535"),
    (lambda m: m.write(0x0100, b"\0"), ValueError, "256 is ROM"),
    (lambda m: m.run(until="no_such_place"), KeyError, "no_such_place"),
    (lambda m: m.run(ticks=-1), ValueError, "ticks=-1"),
    (lambda m: m.run(), ValueError, "say how long"),
    (lambda m: m.on_exec(0x10000, print), ValueError, "0x10000"),
    (lambda m: m.load_state(b"not a state"), ValueError, "."),
    (lambda m: m.load_state("/no/such/file.vxs"), FileNotFoundError, "/no/such/file.vxs"),
    (lambda m: m.replay("/no/such/run.vxr"), ValueError, "/no/such/run.vxr"),
    (lambda m: m.save_memory(), RuntimeError, "no folder"),
    (lambda m: m.stop_recording(), RuntimeError, "nothing is being recorded"),
]


@pytest.mark.parametrize("use,error,text", BAD_USES)
def test_bad_uses_raise_naming_what_is_wrong(use, error, text):
    machine = varnox.Machine()
    before = machine.save_state()
    with pytest.raises(error, match=text):
        use(machine)
    assert machine.save_state() == before


def test_bad_folders_raise_naming_them(tmp_path):
    with pytest.raises(FileNotFoundError, match="missing"):
        varnox.Machine(tmp_path / "missing")
    (tmp_path / "empty").mkdir()
    with pytest.raises(FileNotFoundError, match="rom0.bin"):
        varnox.Machine(tmp_path / "empty")


def test_memory_is_saved_only_when_asked(kit_folder):
    machine = varnox.Machine(kit_folder)
    machine.tap("MEMO")
    assert not (kit_folder / "ram.bin").exists()
    machine.save_memory()
    assert (kit_folder / "ram.bin").read_bytes() == bytes(machine.ram)


def test_runs_end_as_asked():
    machine = varnox.Machine()
    counted = machine.run(steps=1000)
    assert (counted.reason, counted.steps, counted.pc, machine.run_ticks) == ("steps", 1000, machine.cpu.pc, counted.ticks)
    assert machine.step().steps == 1 and machine.steps == 1001
    assert machine.run(until="main_loop", ticks=500).reason == "until" and machine.cpu.pc == machine.symbols["main_loop"]
    assert machine.run(ticks=0) == ("ticks", 0, 0, machine.cpu.pc)
    machine.power(False)
    assert machine.run(ticks=10) == ("off", 0, 0, machine.cpu.pc)
    machine.power(True)
    before = machine.run_ticks
    assert machine.run(ticks=10).ticks == 10 and machine.run_ticks == before + 10


def test_the_screen_as_a_png_holds_its_dots(tmp_path):
    machine = varnox.Machine()
    machine.tap("CHAR")
    machine.screen_png(tmp_path / "screen.png", scale=2)
    data = (tmp_path / "screen.png").read_bytes()
    width, height = struct.unpack(">II", data[16:24])
    assert (width, height) == (192, 128)
    rows = zlib.decompress(data[data.index(b"IDAT") + 4:data.index(b"IEND") - 8])
    pixels = numpy.frombuffer(rows, dtype=numpy.uint8).reshape(height, width + 1)[:, 1:]
    assert numpy.array_equal(pixels[::2, ::2] == 0, machine.screen == 1)
    with pytest.raises(ValueError, match="scale=0"):
        machine.screen_png(tmp_path / "other.png", scale=0)
