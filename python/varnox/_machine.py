"""The Machine class: one calculator, its keys, screen, memory, states,
hooks and recordings."""

import collections
import dataclasses
import hashlib
import os
import warnings

from . import _core
from ._png import png_bytes, write_whole


class _Stop:
    __slots__ = ()

    def __repr__(self):
        return "varnox.STOP"


#: Returned by a hook, ends the run after the step (or run tick) it fired on.
STOP = _Stop()

#: An emulated hour of run ticks: how long a run that waits for steps= or
#: until= runs at most, unless ticks= says otherwise.
_SEARCH_TICKS = 360000
_MAX_STEPS = 2**31 - 1

RunResult = collections.namedtuple("RunResult", "reason ticks steps pc")
RunResult.__doc__ = """Why and where a run ended.

reason: "ticks" (all the ticks ran), "steps" (the step count was reached),
"until" (PC reached the address), "hook" (a hook returned STOP) or "off"
(the calculator is switched off: nothing ran). ticks and steps: what this
run made; pc: where the processor is now."""


@dataclasses.dataclass(frozen=True)
class Cpu:
    """The processor's registers and flags as they stood when read."""

    pc: int
    f: int
    flags: dict
    ix: int
    iy: int
    iz: int
    v0: int
    v1: int
    v2: int
    v3: int
    sp: int
    as_: int
    ko: int
    ki: int
    ie: int
    if_: int
    halted: bool
    r: tuple  # the 128 bytes of the register file, r[0]..r[127]


class Hook:
    """A hook set on a Machine; `remove()` takes it off."""

    def __init__(self, core, handle, what):
        self._core = core
        self._handle = handle
        self._what = what

    def remove(self):
        """Takes the hook off; False when it was off already."""
        return self._core.remove_hook(self._handle)

    def __repr__(self):
        return f"<varnox hook {self._what}>"


class Symbols:
    """The names of rom.sym: `symbols["name"]` is its address,
    `name_at(address)` the name there, `line_at(address)` the source line
    ("calc.asm:12") of an instruction word."""

    def __init__(self, rows, lines, messages):
        self.messages = list(messages)
        self._by_name = {}
        self._code = {}
        self._data = {}
        for space, address, name in rows:
            self._by_name[name] = (space, address)
            (self._code if space == "code" else self._data).setdefault(address, name)
        self._lines = {address: f"{file}:{line}" for address, file, line in lines}
        self._places = {place: address for address, place in reversed(list(self._lines.items()))}

    def __getitem__(self, name):
        try:
            return self._by_name[name][1]
        except KeyError:
            raise KeyError(f"rom.sym has no symbol {name!r}") from None

    def __contains__(self, name):
        return name in self._by_name

    def __iter__(self):
        return iter(self._by_name)

    def __len__(self):
        return len(self._by_name)

    def space(self, name):
        """"code" or "data"."""
        return self._by_name[name][0] if name in self._by_name else self[name]

    def name_at(self, address, space="code"):
        """The first name of the address, or None."""
        return (self._code if space == "code" else self._data).get(address)

    def line_at(self, address):
        """The source line ("FILE:LINE") the instruction word came from, or None."""
        return self._lines.get(address)

    def address_of_line(self, place):
        """The first instruction word of the source line "FILE:LINE"."""
        try:
            return self._places[place]
        except KeyError:
            raise KeyError(f"rom.sym places no code at {place!r}") from None


def _key_number(key, what):
    if isinstance(key, bool) or not isinstance(key, (int, str)):
        raise TypeError(f"{what}: a key is a name (\"CALC\") or a number 1..53, not {key!r}")
    if isinstance(key, int):
        if not 1 <= key <= 53:
            raise ValueError(f"{what}: key {key} is outside 1..53")
        return key
    number = _core.key_named(key)
    if number:
        return number
    close = _core.close_key_names(key)
    hint = f"; did you mean {', '.join(close)}?" if close else "; the keys are named by their faces, e.g. CALC, 7, =, LEFT"
    raise ValueError(f"{what}: no key is named {key!r}{hint}")


class Machine:
    """One calculator, run from a script.

    Machine(folder=None): the machine files in `folder` (rom0.bin, rom1.bin,
    charset.bin, varnox.ini, ram.bin, register.bin, rom.sym), or with none
    the built-in kit. Nothing is written unless asked (`save_memory()`).

    Time: `run(ticks=N)` runs N run ticks of 10 ms, as fast as the host
    allows; `run(steps=N)` and `run(until="name")` stop at a step count or
    an address; `step()` makes one step. `run_ticks`, `steps` and `cycles`
    count since the start.

    Keys: `tap("CALC")`, `type("12+3=")`, `press(7)` and `release()`; keys
    are named by their faces or numbered 1..53.

    Screen: `screen` (a live read-only numpy array of 64 x 96 dots, 1 black),
    `screen_text()`, `screen_png(path)`, `screen_hash()`.

    Memory: `read`, `read_word`, `write`; numpy views `rom0`, `rom1`, `ram`,
    `registers`; `cpu`; `symbols`.

    States: `save_state()`, `load_state(data)`; a Machine pickles.

    Hooks: `on_exec`, `on_write`, `on_tick`; a hook returning `varnox.STOP`
    ends the run.

    Recordings: `record(path)`, `stop_recording()`, `replay(path)`.

    One Machine is for one thread at a time; the interpreter is free for
    others while a Machine without hooks runs.
    """

    def __init__(self, folder=None):
        if folder is not None:
            folder = os.fspath(folder)
            if not os.path.isdir(folder):
                raise FileNotFoundError(f"Machine: {folder} is not a folder of machine files")
        core = _core.Machine(folder)
        if not core.has_program:
            raise FileNotFoundError(f"Machine: nothing to run without rom0.bin in {folder}: "
                                    + "; ".join(core.load_messages))
        self._start(core)

    def _start(self, core):
        self._core = core
        self._symbols = None
        #: What loading the files said about each that was wrong.
        self.messages = list(core.load_messages)
        for message in self.messages:
            warnings.warn(message, stacklevel=3)

    def __repr__(self):
        where = self.folder or "the built-in kit"
        return f"<varnox.Machine of {where} at run tick {self.run_ticks}, PC {self.cpu.pc:04X}>"

    @property
    def folder(self):
        """The folder of the machine files, or None for files in memory."""
        folder = self._core.folder
        return None if folder is None else os.fspath(folder)

    # ---- Running ----

    def run(self, ticks=None, steps=None, until=None):
        """Runs up to `ticks` run ticks of 10 ms; stops sooner after `steps`
        steps or when PC reaches `until` (an address, a code name of
        rom.sym or "FILE:LINE"), and when a hook returns STOP. With steps or
        until alone it runs at most an emulated hour. A stop ends its run
        tick: the rest of the tick's time is not run. Returns a RunResult."""
        if ticks is None and steps is None and until is None:
            raise ValueError("run: say how long: ticks=N, steps=N or until=ADDRESS")
        if ticks is None:
            ticks = _SEARCH_TICKS
        if not isinstance(ticks, int) or ticks < 0:
            raise ValueError(f"run: ticks={ticks!r} is not a count of run ticks (0 or more)")
        if steps is not None and (not isinstance(steps, int) or not 1 <= steps <= _MAX_STEPS):
            raise ValueError(f"run: steps={steps!r} is not a count of steps (1..{_MAX_STEPS})")
        target = None if until is None else self._code_address(until, "run")
        return RunResult(*self._core.run(ticks, steps, target))

    def step(self):
        """One processor step, in a run tick of its own (see `run`)."""
        return self.run(ticks=1, steps=1)

    def reset(self):
        """The reset: the processor and display as at power-on; memory stays."""
        self._core.reset()

    def power(self, on=True):
        """The power switch; either way the power-on reset. A calculator
        switched off runs nothing."""
        self._core.power(bool(on))

    @property
    def powered(self):
        return self._core.powered

    def print_switch(self, hd=True):
        """The print switch: HD (True) or N."""
        self._core.print_switch(bool(hd))

    @property
    def run_ticks(self):
        """Run ticks since the start."""
        return self._core.run_ticks

    @property
    def steps(self):
        """Processor steps since the start."""
        return self._core.steps

    @property
    def cycles(self):
        """Processor cycles since the start."""
        return self._core.cycles

    # ---- Keys ----

    def press(self, key):
        """Holds a key (a name such as "CALC" or a number 1..53) until
        `release()`; every press lasts at least 5 run ticks."""
        self._core.press(_key_number(key, "press"))

    def release(self):
        """Lets the key go."""
        self._core.release()

    def tap(self, key, ticks=5, after=5):
        """Presses the key, runs `ticks` run ticks, lets it go and runs
        `after` more."""
        number = _key_number(key, "tap")
        self._core.press(number)
        self.run(ticks=ticks)
        self._core.release()
        return self.run(ticks=after)

    def type(self, text, ticks=5, after=5):
        """Types the characters as the window's PC keys do ("12+3*4="):
        each held `ticks` run ticks, then `after` more with no key."""
        for at, character in enumerate(text):
            if not self._core.key_of_character(character):
                raise ValueError(f"type: no key types {character!r} (character {at} of {text!r})")
        result = None
        for character in text:
            self._core.type_character(character)
            self.run(ticks=ticks)
            self._core.release()
            result = self.run(ticks=after)
        return result

    @staticmethod
    def key_number(key):
        """The number 1..53 of a key given by name ("CALC", "7") or number."""
        return _key_number(key, "key_number")

    @staticmethod
    def key_names():
        """Every name a key goes by."""
        return list(_core.key_names())

    # ---- The screen ----

    @property
    def screen(self):
        """The display: a read-only numpy array (64, 96) of 0/1, 1 a black
        dot, kept up to date by the machine."""
        return self._core.screen

    def screen_text(self):
        """The display read back as text, 8 rows of 16 characters: each cell
        matched against the machine's character set; "?" where none matches."""
        return "\n".join(self._core.screen_text())

    def screen_hash(self):
        """A hash of the dots, to compare screens."""
        return hashlib.sha256(self.screen.tobytes()).hexdigest()

    def screen_png(self, path, scale=4):
        """Writes the display as a PNG, `scale` pixels a dot (1..32)."""
        if not isinstance(scale, int) or not 1 <= scale <= 32:
            raise ValueError(f"screen_png: scale={scale!r} is outside 1..32")
        write_whole(path, png_bytes(self.screen, scale))

    # ---- Memory ----

    @property
    def rom0(self):
        """The instruction ROM (read-only numpy view)."""
        return self._core.rom0

    @property
    def rom1(self):
        """The data ROM (read-only numpy view)."""
        return self._core.rom1

    @property
    def ram(self):
        """RAM (a read-only numpy view; `write` changes it)."""
        return self._core.ram

    @property
    def registers(self):
        """The register file, r0..r127 (read-only numpy view)."""
        return self._core.registers

    def read(self, address, count=1):
        """`count` bytes of the data address space from `address` (a number
        or a data name of rom.sym)."""
        return self._core.read(self._data_address(address, "read"), count)

    def read_word(self, address):
        """The 16-bit word at the address, low byte first."""
        low, high = self.read(address, 2)
        return low | high << 8

    def write(self, address, data):
        """Stores bytes (or one byte given as an int) into RAM from
        `address`; refused while recording."""
        if isinstance(data, int):
            data = bytes([data])
        self._core.write(self._data_address(address, "write"), bytes(data))

    @property
    def cpu(self):
        """The registers and flags as they stand."""
        fields = self._core.cpu_state()
        return Cpu(pc=fields["pc"], f=fields["f"], flags=fields["flags"], ix=fields["ix"], iy=fields["iy"],
                   iz=fields["iz"], v0=fields["v0"], v1=fields["v1"], v2=fields["v2"], v3=fields["v3"],
                   sp=fields["sp"], as_=fields["as"], ko=fields["ko"], ki=fields["ki"], ie=fields["ie"],
                   if_=fields["if"], halted=fields["halted"], r=tuple(self.registers.tolist()))

    @property
    def symbols(self):
        """The names and source lines of rom.sym."""
        if self._symbols is None:
            self._symbols = Symbols(*self._core.symbols())
        return self._symbols

    def _code_address(self, place, what):
        if isinstance(place, int) and not isinstance(place, bool):
            if not 0 <= place <= 0xFFFF:
                raise ValueError(f"{what}: address {place:#x} is outside 0..0xFFFF")
            return place
        if not isinstance(place, str):
            raise TypeError(f"{what}: an address is a number, a name or FILE:LINE, not {place!r}")
        if place in self.symbols:
            return self.symbols[place]
        if ":" in place:
            return self.symbols.address_of_line(place)
        raise KeyError(f"{what}: rom.sym has no symbol {place!r}")

    def _data_address(self, address, what):
        if isinstance(address, str):
            return self._code_address(address, what)
        return address

    # ---- States ----

    def save_state(self):
        """The machine as it stands, as the bytes of a .vxs file."""
        return self._core.save_state()

    def load_state(self, data, force=False):
        """Puts the machine where a state left it: the bytes of a .vxs file
        (or its path). A state of other ROMs is refused unless `force`."""
        if isinstance(data, (str, os.PathLike)):
            with open(data, "rb") as state:
                data = state.read()
        self._core.load_state(bytes(data), bool(force))

    def __getstate__(self):
        return {"files": self._core.files(), "state": self._core.save_state()}

    def __setstate__(self, pickled):
        self._start(_core.Machine(pickled["files"]))
        self._core.load_state(pickled["state"], False)

    # ---- Hooks ----

    def on_exec(self, address, fn):
        """Calls fn(pc) before the instruction at the address (a number, a
        code name or FILE:LINE) runs. Returns a Hook."""
        target = self._code_address(address, "on_exec")
        return Hook(self._core, self._core.add_exec_hook(target, fn, STOP), f"on_exec {target:04X}")

    def on_write(self, where, fn):
        """Calls fn(address, old, new, pc, tick) after each store into the
        bytes `where` names: an address or data name, a (first, last) pair
        or a range. Returns a Hook."""
        if isinstance(where, range):
            if where.step != 1 or not where:
                raise ValueError(f"on_write: {where!r} is not a range of addresses one by one")
            first, last = where.start, where.stop - 1
        elif isinstance(where, tuple):
            first, last = (self._data_address(end, "on_write") for end in where)
        else:
            first = last = self._data_address(where, "on_write")
        return Hook(self._core, self._core.add_write_hook(first, last, fn, STOP), f"on_write {first:04X}-{last:04X}")

    def on_tick(self, fn):
        """Calls fn(run_tick) after each run tick. Returns a Hook."""
        return Hook(self._core, self._core.add_tick_hook(fn, STOP), "on_tick")

    # ---- Recordings and files ----

    def record(self, path):
        """Records the inputs from now on into `path` (a .vxr file), written
        by `stop_recording()`."""
        self._core.record(os.fspath(path))

    def stop_recording(self):
        """Writes the recording; returns its path."""
        return os.fspath(self._core.stop_recording())

    def replay(self, path):
        """Plays a recording from its start to its end; returns the RunResult."""
        return RunResult(*self._core.replay(os.fspath(path)))

    def save_memory(self):
        """Writes ram.bin and register.bin into the machine's folder."""
        if self.folder is None:
            raise RuntimeError("save_memory: this machine has no folder (the built-in kit, or unpickled)")
        return self._core.save_memory()
