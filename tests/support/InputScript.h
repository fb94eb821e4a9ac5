// Inputs at run ticks, as a user gives them to a front end: one script for
// the tests that drive the session and each adapter over it alike.
#pragma once

#include <vector>

#include "system/Session.h"  // with the key map's virtual-key codes

namespace varnox::test {

struct Input {
    enum Kind { MouseDown, MouseUp, KeyDown, Typed, KeyUp, Press, Print, Power, Reset } kind;
    long long tick;
    int value = 0;  // the key, virtual-key code or character; the print switch's place
};

// Opens the calculator by F2, enters 1 by the mouse, + and 2 typed, = by
// Enter (2 by its number where a front end takes numbers), moves the print
// switch, resets, switches off and on, then holds CALC by the mouse while
// a PC key comes and goes.
inline std::vector<Input> AllInputKinds(bool byNumber) {
    const Input two = byNumber ? Input{Input::Press, 40, 42} : Input{Input::Typed, 40, '2'};
    return {{Input::KeyDown, 3, VkF2}, {Input::KeyUp, 4},      {Input::MouseDown, 20, 41}, {Input::MouseUp, 20, 41},
            {Input::Typed, 30, '+'},   {Input::KeyUp, 31},     two,                        {Input::KeyUp, 52},
            {Input::KeyDown, 60, VkReturn}, {Input::KeyUp, 70}, {Input::Print, 80, 1},     {Input::Reset, 100},
            {Input::Power, 120, 0},    {Input::Power, 125, 1}, {Input::MouseDown, 140, 8}, {Input::Typed, 141, 'q'},
            {Input::KeyUp, 150},       {Input::MouseUp, 160, 8}, {Input::Print, 170, 0}};
}
constexpr long long AllInputKindsTicks = 200;

// To the session, or to an adapter that takes inputs by the session's names
// (the page's).
template <class Calculator>
void Give(Calculator& s, const Input& in) {
    switch (in.kind) {
        case Input::MouseDown: s.MouseDown(in.value); break;
        case Input::MouseUp: s.MouseUp(); break;
        case Input::KeyDown: s.KeyDown(in.value); break;
        case Input::Typed: s.KeyTyped(static_cast<char32_t>(in.value)); break;
        case Input::KeyUp: s.KeyUp(); break;
        case Input::Press: s.PressKey(in.value); break;
        case Input::Print: s.SetPrintSwitch(in.value != 0); break;
        case Input::Power: s.SetPower(in.value != 0); break;
        case Input::Reset: s.Reset(); break;
    }
}

// Runs `ticks` run ticks in events of `perEvent`, each input given before
// the event its tick falls in; `event` runs one event on `adapter`.
template <class Adapter, class Event>
void Drive(Adapter& adapter, const std::vector<Input>& inputs, long long ticks, long long perEvent, Event event) {
    for (long long at = 0; at < ticks; at += perEvent) {
        for (const Input& in : inputs) {
            if (in.tick >= at && in.tick < at + perEvent) Give(adapter, in);
        }
        event();
    }
}

}  // namespace varnox::test
