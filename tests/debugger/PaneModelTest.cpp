// The four panes without a window, under random use: any grid, any click,
// any text committed in any mode, with the memory gate in any state. Nothing
// may fail, and Enter may store only at its target.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <random>
#include <string>

#include "debugger/BinPane.h"
#include "debugger/ListPane.h"
#include "debugger/RegisterPanes.h"
#include "support/WriteCheck.h"

namespace varnox {
namespace {

TEST(PaneModels, RandomUseStoresOnlyAtTheTarget) {
    auto m = std::make_unique<Machine>();
    std::mt19937 random(12345);
    for (auto& byte : m->InstrRom) byte = static_cast<uint8_t>(random());
    for (auto& byte : m->DataRam) byte = static_cast<uint8_t>(random());
    DebugState state;
    ListPane list(*m, state);
    RegPane reg(*m, state);
    MainPane main(*m, state);
    BinPane bin(*m, state);
    const std::array<DebugPane*, 4> panes{&list, &reg, &main, &bin};
    const std::u16string alphabet = u"0123456789abcdefABCDEFgz ,.;&()+-rRiIhH\u00e9\u20ac";
    const auto pick = [&](int below) { return static_cast<int>(random() % static_cast<unsigned>(below)); };

    for (int i = 0; i < 20000; ++i) {
        DebugPane& pane = *panes[static_cast<size_t>(pick(4))];
        m->Cpu.IE = static_cast<uint8_t>(pick(256));
        const uint8_t ie = m->Cpu.IE;
        switch (pick(4)) {
            case 0: pane.SetGrid(pick(14) - 1, pick(80) - 1); break;
            case 1: {
                ScrollRange scroll;
                for (const PaneText& text : pane.Draw(scroll)) ASSERT_GE(text.Column, 0);
                ASSERT_LE(scroll.Minimum, scroll.Maximum);
                pane.SetTopFromPosition(scroll.Minimum + pick(scroll.Maximum - scroll.Minimum + 1));
                break;
            }
            case 2: pane.Click(pick(80) - 2, pick(14) - 2); break;
            default: {
                if (!pane.Owns(state.EditMode)) break;
                std::u16string text;
                for (int n = pick(70); n > 0; --n) text += alphabet[static_cast<size_t>(pick(static_cast<int>(alphabet.size())))];
                const test::Stores before = test::Snapshot(*m);
                const CommitResult result = pane.Commit(text);
                const auto strays =
                    test::Strays(test::Changes(before, *m), test::AllowedChanges(state.EditMode, state.EditTarget));
                ASSERT_TRUE(strays.empty()) << strays.front();
                ASSERT_LE(result.Close ? 0 : result.Caret, static_cast<int>(text.size()));
                state.EditMode = EditKind::None;
            }
        }
        ASSERT_EQ(m->Cpu.IE, ie);
        ASSERT_GE(state.BinTop, BinFirstAddress);
        ASSERT_LE(state.BinTop, BinEndAddress);  // at the end only for a pane of no rows
        ASSERT_GE(state.MainTop, 0);
        ASSERT_LE(state.MainTop, RegisterFileBytes);
    }
}

}  // namespace
}  // namespace varnox
