"""Hooks: what they see, the order they fire in, the runs they stop, and
the uses of a machine they refuse."""

import threading

import pytest

import varnox

RAM = (0xC000, 0xDFFF)


def test_writes_seen_replay_onto_the_start_to_the_end():
    machine = varnox.Machine()
    machine.run(ticks=30)
    start = bytearray(machine.ram)
    seen = []

    def wrote(address, old, new, pc, tick):
        assert machine.read(address) == bytes([new])
        seen.append((address, old, new, tick))

    machine.on_write(RAM, wrote)
    machine.tap("CALC")
    machine.type("12*3=")
    ram = start
    for address, old, new, _ in seen:
        assert ram[address - 0xC000] == old
        ram[address - 0xC000] = new
    assert ram == bytearray(machine.ram)
    assert [tick for *_, tick in seen] == sorted(tick for *_, tick in seen)


def test_exec_hooks_fire_in_order_and_stop_after_their_step():
    target = varnox.Machine().symbols["main_loop"]
    reached = varnox.Machine()
    until = reached.run(until="main_loop")
    calls = []
    hooked = varnox.Machine()
    hooked.on_exec(target, lambda pc: calls.append(("first", pc)))
    hooked.on_exec("main_loop", lambda pc: calls.append(("second", pc)) or varnox.STOP)
    stopped = hooked.run(ticks=1000)
    assert (until.reason, until.pc) == ("until", target)
    assert stopped.reason == "hook" and stopped.steps == until.steps + 1
    assert calls == [("first", target), ("second", target)]


def test_a_tick_hook_stops_after_its_tick_and_a_removed_hook_is_quiet():
    machine = varnox.Machine()
    ticks = []
    hook = machine.on_tick(lambda tick: ticks.append(tick) or (varnox.STOP if tick == 7 else None))
    assert machine.run(ticks=100) == (*machine.run(ticks=0)[:0], "hook", 7, machine.steps, machine.cpu.pc)
    assert ticks == list(range(1, 8))
    assert hook.remove() and not hook.remove()
    assert machine.run(ticks=5).reason == "ticks" and len(ticks) == 7


def test_a_hook_that_raises_ends_the_run_with_its_exception():
    machine = varnox.Machine()

    def broken(tick):
        raise ArithmeticError(f"broken at {tick}")

    machine.on_tick(broken)
    with pytest.raises(ArithmeticError, match="broken at 1"):
        machine.run(ticks=50)
    assert machine.run_ticks == 1


@pytest.mark.parametrize("call", ["run", "load_state", "reset", "step", "tap", "save_state"])
def test_running_from_inside_a_hook_raises(call):
    machine = varnox.Machine()
    state = machine.save_state()
    uses = {
        "run": lambda: machine.run(ticks=1),
        "load_state": lambda: machine.load_state(state),
        "reset": machine.reset,
        "step": machine.step,
        "tap": lambda: machine.tap("CALC"),
        "save_state": machine.save_state,
    }
    errors = []

    def hook(tick):
        try:
            uses[call]()
        except RuntimeError as error:
            errors.append(str(error))
        assert machine.read(0xC000, 1) is not None  # reading is fine
        return varnox.STOP

    machine.on_tick(hook)
    machine.run(ticks=10)
    assert len(errors) == 1 and "inside a hook" in errors[0]


def test_a_machine_used_from_two_threads_at_once_raises():
    machine = varnox.Machine()
    inside = threading.Event()
    go_on = threading.Event()

    def hold(tick):
        inside.set()
        go_on.wait(10)
        return varnox.STOP

    machine.on_tick(hold)
    runner = threading.Thread(target=machine.run, kwargs={"ticks": 5})
    runner.start()
    try:
        assert inside.wait(10)
        for use in (lambda: machine.read(0xC000), lambda: machine.run(ticks=1), machine.reset):
            with pytest.raises(RuntimeError, match="another thread"):
                use()
    finally:
        go_on.set()
        runner.join(10)
    assert machine.run_ticks == 1


def test_runs_without_hooks_let_other_threads_run():
    machines = [varnox.Machine() for _ in range(2)]
    threads = [threading.Thread(target=m.run, kwargs={"ticks": 200}) for m in machines]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join(60)
    assert machines[0].save_state() == machines[1].save_state()
