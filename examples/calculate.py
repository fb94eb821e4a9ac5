#!/usr/bin/python3
"""Types a calculation on the built-in kit and checks the answer on the screen."""

import varnox

machine = varnox.Machine()
machine.tap("CALC")              # the calculator page
machine.type("2+3*4=")          # as the PC keys type it
machine.run(ticks=50)            # half a second for the firmware to answer
text = machine.screen_text()
print(text)
answer = text.split("\n")[5].strip()
if answer != "14":
    raise SystemExit(f"calculate: the screen shows {answer!r} where 14 was expected")
