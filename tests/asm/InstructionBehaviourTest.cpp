// Every mnemonic as a short program of assembly text, run on the machine,
// with its effect checked: the text the assembler reads and the listing
// prints must name what the processor does. Inputs are chosen so that any
// two mnemonics of a family give different results, so a name given to the
// wrong opcode shows up here.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>

#include "asm/SourceAsm.h"
#include "core/Cpu.h"
#include "core/Def.h"

namespace varnox {
namespace {

struct Case {
    const char* source;  // lines separated by '\n'
    const char* before;  // state set before the run
    const char* after;   // state expected after it; what is not named is not checked
    int steps = 0;       // 0: one step per source line
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.source; }

// State as "name=hex" words: rN (register), ix..sp and pc (16-bit), f as
// ie if ko ki, lcd (LcdControl), irqN (pending counter), mHHHH (data
// memory), dN (display nibble N), halted; and after the run cycles (the
// sum of the steps, decimal).
class State {
public:
    State(Machine& m) : m_(m) {}  // NOLINT

    void Set(std::string_view name, unsigned value) { Access(name, &value, nullptr); }

    unsigned Get(std::string_view name) {
        unsigned value = 0;
        Access(name, nullptr, &value);
        return value;
    }

private:
    template <typename T>
    void Field(T& field, const unsigned* set, unsigned* get) {
        if (set) field = static_cast<T>(*set);
        if (get) *get = static_cast<unsigned>(field);
    }

    void Access(std::string_view name, const unsigned* set, unsigned* get) {
        CpuState& cpu = m_.Cpu;
        static constexpr std::string_view IndexNames[8] = {"ix", "iy", "iz", "v3", "v2", "v1", "v0", "sp"};
        for (int n = 0; n < 8; ++n) {
            if (name != IndexNames[n]) continue;
            if (set) SetIndex(cpu, n, static_cast<uint16_t>(*set));
            if (get) *get = GetIndex(cpu, n);
            return;
        }
        const auto number = [&](size_t from, int base) { return std::stoi(std::string(name.substr(from)), nullptr, base); };
        if (name == "pc") return Field(cpu.PC, set, get);
        if (name == "f") return Field(cpu.F, set, get);
        if (name == "as") return Field(cpu.AS, set, get);
        if (name == "ie") return Field(cpu.IE, set, get);
        if (name == "if") return Field(cpu.IF, set, get);
        if (name == "ko") return Field(cpu.KO, set, get);
        if (name == "ki") return Field(cpu.KI, set, get);
        if (name == "lcd") return Field(m_.Lcd.LcdControl, set, get);
        if (name == "halted") return Field(cpu.Halted, set, get);
        if (name.starts_with("irq")) return Field(cpu.IrqPending.at(static_cast<size_t>(number(3, 10))), set, get);
        if (name.starts_with("r")) return Field(cpu.MainRegisterFile.at(static_cast<size_t>(number(1, 10))), set, get);
        if (name.starts_with("d")) return Field(m_.Lcd.DisplayRam.at(static_cast<size_t>(number(1, 10))), set, get);
        if (name.starts_with("m")) {
            uint8_t& byte = MemWriteUngated(m_, static_cast<uint16_t>(number(1, 16)));
            return Field(byte, set, get);
        }
        ADD_FAILURE() << "unknown state name " << name;
    }

    Machine& m_;
};

template <typename Visit>
void ForEachWord(const char* words, Visit&& visit) {
    std::istringstream in(words);
    std::string word;
    while (in >> word) {
        const size_t equals = word.find('=');
        ASSERT_NE(equals, std::string::npos) << word;
        visit(word.substr(0, equals), word.substr(equals + 1));
    }
}

void RunCase(const Case& c) {
    SCOPED_TRACE(c.source);
    const SourceImages images = AssembleSource(c.source);
    for (const SourceError& error : images.Errors) ADD_FAILURE() << FormatSourceError("case", error);
    if (!images.Errors.empty()) return;
    auto m = std::make_unique<Machine>();
    std::copy(images.Rom0.begin(), images.Rom0.end(), m->InstrRom.begin());
    std::copy(images.Rom1.begin(), images.Rom1.end(), m->DataRom.begin());
    State state(*m);
    ForEachWord(c.before, [&](const std::string& name, const std::string& value) {
        state.Set(name, static_cast<unsigned>(std::stoul(value, nullptr, 16)));
    });

    int steps = c.steps;
    if (steps == 0) {
        for (const char* p = c.source; *p; ++p) steps += *p == '\n';
        ++steps;
    }
    long cycles = 0;
    for (int i = 0; i < steps; ++i) cycles += CpuStep(*m);

    ForEachWord(c.after, [&](const std::string& name, const std::string& value) {
        if (name == "cycles") {
            EXPECT_EQ(cycles, std::stol(value)) << "cycles";
        } else {
            char got[8];
            std::snprintf(got, sizeof got, "%X", state.Get(name));
            EXPECT_EQ(got, std::string(value)) << name;
        }
    });
}

class InstructionBehaviour : public testing::TestWithParam<Case> {};
TEST_P(InstructionBehaviour, DoesWhatItsNameSays) { RunCase(GetParam()); }

// r64 = 01 against r5 = A1 tells all eight operations apart, in results
// and in flags alike.
INSTANTIATE_TEST_SUITE_P(TwoRegisters, InstructionBehaviour, testing::Values(
    Case{"adb r64,r5", "r64=01 r5=A1", "r64=2 f=98 cycles=4"},
    Case{"sbb r64,r5", "r64=01 r5=A1", "r64=0 f=AC"},
    Case{"ad r64,r5", "r64=01 r5=A1", "r64=A2 f=10"},
    Case{"sb r64,r5", "r64=01 r5=A1", "r64=60 f=B4"},
    Case{"an r64,r5", "r64=01 r5=A1", "r64=1 f=18"},
    Case{"na r64,r5", "r64=01 r5=A1", "r64=FE f=E0"},
    Case{"or r64,r5", "r64=01 r5=A1", "r64=A1 f=F0"},
    Case{"xr r64,r5", "r64=01 r5=A1", "r64=A0 f=14"},
    Case{"ad r5,r64", "r64=01 r5=A1", "r5=A2 r64=1"},
    Case{"ad r64,&H10", "r64=01", "r64=11 f=10 cycles=4"},
    Case{"tadb r64,r5", "r64=01 r5=A1", "r64=1 f=98 cycles=4"},
    Case{"tsbb r64,r5", "r64=01 r5=A1", "r64=1 f=AC"},
    Case{"tad r64,r5", "r64=01 r5=A1", "r64=1 f=10"},
    Case{"tsb r64,r5", "r64=01 r5=A1", "r64=1 f=B4"},
    Case{"tan r64,r5", "r64=01 r5=A1", "r64=1 f=18"},
    Case{"tna r64,r5", "r64=01 r5=A1", "r64=1 f=E0"},
    Case{"tor r64,r5", "r64=01 r5=A1", "r64=1 f=F0"},
    Case{"txr r64,r5", "r64=01 r5=A1", "r64=1 f=14"},
    Case{"bit r64,&H30", "r64=F0", "r64=F0 f=C cycles=4"},
    Case{"bit r64,r5", "r64=F0 r5=38", "r64=F0 f=18"},
    Case{"ld r64,r5", "r5=5A f=84", "r64=5A f=84 cycles=4"},
    Case{"ld r5,&H12", "f=84", "r5=12 f=84"}));

// The second bytes carry the same contest as above; the first bytes are 0.
INSTANTIATE_TEST_SUITE_P(RegisterSequences, InstructionBehaviour, testing::Values(
    Case{"adbm r64..r65,r0..r1", "r65=01 r1=A1", "r64=0 r65=2 f=98 cycles=8"},
    Case{"sbbm r64..r65,r0..r1", "r65=01 r1=A1", "r64=0 r65=0 f=AC"},
    Case{"adm r64..r65,r0..r1", "r65=01 r1=A1", "r64=0 r65=A2 f=10"},
    Case{"sbm r64..r65,r0..r1", "r65=01 r1=A1", "r64=0 r65=60 f=B4"},
    Case{"anm r64..r65,r0..r1", "r65=01 r1=A1", "r64=0 r65=1 f=18"},
    Case{"nam r64..r65,r0..r1", "r65=01 r1=A1", "r64=FF r65=FE f=E0"},
    Case{"orm r64..r65,r0..r1", "r65=01 r1=A1", "r64=0 r65=A1 f=F0"},
    Case{"xrm r64..r65,r0..r1", "r65=01 r1=A1", "r64=0 r65=A0 f=14"},
    Case{"adm r0..r1,r64..r65", "r65=01 r1=A1", "r0=0 r1=A2 r65=1"},
    Case{"adm r64..r65,&H05", "r64=FE", "r64=3 r65=1 f=18 cycles=8"},
    Case{"ldm r64..r65,&H05", "f=84", "r64=5 r65=5 f=84"},
    Case{"ldm r64..r65,r0..r1", "r0=11 r1=22", "r64=11 r65=22 cycles=8"},
    Case{"tadbm r64..r65,r0..r1", "r65=01 r1=A1", "r65=1 f=98 cycles=8"},
    Case{"tsbbm r64..r65,r0..r1", "r65=01 r1=A1", "r65=1 f=AC"},
    Case{"tadm r64..r65,r0..r1", "r65=01 r1=A1", "r65=1 f=10"},
    Case{"tsbm r64..r65,r0..r1", "r65=01 r1=A1", "r65=1 f=B4"},
    Case{"tanm r64..r65,r0..r1", "r65=01 r1=A1", "r65=1 f=18"},
    Case{"tnam r64..r65,r0..r1", "r65=01 r1=A1", "r65=1 f=E0"},
    Case{"torm r64..r65,r0..r1", "r65=01 r1=A1", "r65=1 f=F0"},
    Case{"txrm r64..r65,r0..r1", "r65=01 r1=A1", "r65=1 f=14"}));

// p1 = 12 (upper bank), p2 = 34: each exchange moves the digits its own way.
INSTANTIATE_TEST_SUITE_P(Exchanges, InstructionBehaviour, testing::Values(
    Case{"swp r64,r5", "r64=12 r5=34 f=5C", "r64=21 r5=43 f=5C cycles=4"},
    Case{"xcls r64,r5", "r64=12 r5=34 f=5C", "r64=24 r5=13 f=5C"},
    Case{"xc r64,r5", "r64=12 r5=34 f=5C", "r64=34 r5=12 f=5C"},
    Case{"xchs r64,r5", "r64=12 r5=34 f=5C", "r64=31 r5=42 f=5C"},
    Case{"xcls r5,r64", "r64=12 r5=34", "r64=31 r5=42"},  // written lower first: its partner
    Case{"swpm r64..r65,r0..r1", "r64=12 r65=56 r0=34 r1=78", "r64=21 r65=65 r0=43 r1=87 cycles=8"},
    Case{"xclsm r64..r65,r0..r1", "r64=12 r65=56 r0=34 r1=78", "r64=24 r65=68 r0=13 r1=57"},
    Case{"xcm r64..r65,r0..r1", "r64=12 r65=56 r0=34 r1=78", "r64=34 r65=78 r0=12 r1=56"},
    Case{"xchsm r64..r65,r0..r1", "r64=12 r65=56 r0=34 r1=78", "r64=31 r65=75 r0=42 r1=86"}));

// One register of 81 with the carry set before (only the rotates keep it).
// byu and byd differ only in the direction a sequence walks, which a
// single register cannot show.
INSTANTIATE_TEST_SUITE_P(OneRegister, InstructionBehaviour, testing::Values(
    Case{"cmp r64", "r64=81 f=80", "r64=7F f=F0 cycles=0"},
    Case{"cmpb r64", "r64=81 f=80", "r64=19 f=F0"},
    Case{"inv r64", "r64=81 f=80", "r64=7E f=F0"},
    Case{"rou r64", "r64=81 f=80", "r64=3 f=98"},
    Case{"biu r64", "r64=81 f=80", "r64=2 f=98"},
    Case{"mtb r64", "r64=81 f=80", "r64=62 f=90"},
    Case{"rod r64", "r64=81 f=80", "r64=C0 f=94"},
    Case{"swp r64", "r64=81 f=80", "r64=18 f=80"},
    Case{"byu r64", "r64=81 f=80", "r64=0 f=C"},
    Case{"byd r64", "r64=81 f=80", "r64=0 f=C"},
    Case{"diu r64", "r64=81 f=80", "r64=10 f=14"},
    Case{"did r64", "r64=81 f=80", "r64=8 f=18"},
    Case{"cmp r5", "r5=81", "r5=7F"}));

// Two registers of 15 and 34; the downward walks start at the higher one.
INSTANTIATE_TEST_SUITE_P(OneRegisterSequence, InstructionBehaviour, testing::Values(
    Case{"cmpm r64..r65", "r64=15 r65=34", "r64=EB r65=CB f=F0 cycles=8"},
    Case{"cmpbm r64..r65", "r64=15 r65=34", "r64=85 r65=65 f=F0 cycles=8"},
    Case{"invm r64..r65", "r64=15 r65=34", "r64=EA r65=CB"},
    Case{"byum r64..r65", "r64=15 r65=34", "r64=0 r65=15"},
    Case{"dium r64..r65", "r64=15 r65=34", "r64=50 r65=41"},
    Case{"bium r64..r65", "r64=15 r65=34 f=80", "r64=2A r65=68 f=10"},
    Case{"roum r64..r65", "r64=15 r65=34 f=80", "r64=2B r65=68 f=10"},
    Case{"mtbm r64..r65", "r64=15 r65=34", "r64=30 r65=68 f=10 cycles=8"},
    Case{"bnusm r64..r65", "r64=15 r65=34 f=5C", "r64=51 r65=51 f=5C"},
    Case{"bydm r65..r64", "r64=15 r65=34", "r65=0 r64=34"},
    Case{"didm r65..r64", "r64=15 r65=34", "r65=3 r64=41"},
    Case{"rodm r65..r64", "r64=15 r65=34 f=80", "r65=9A r64=A"},
    Case{"dium r0..r1", "r0=15 r1=34", "r0=50 r1=41"}));

// Loads, stores, index registers, the block move and the search.
INSTANTIATE_TEST_SUITE_P(Memory, InstructionBehaviour, testing::Values(
    Case{"ld r5,(ix)+", "ix=4000 m4000=5A", "r5=5A ix=4001 cycles=12"},
    Case{"ld r64,(ix+r5)", "ix=4000 r5=02 m4002=5A", "r64=5A ix=4000"},
    Case{"ld r5,(iy-&H10)", "iy=4010 m4000=5A", "r5=5A iy=4010"},
    Case{"st -(sp),r64", "sp=6000 r64=5A", "m5FFF=5A sp=5FFF cycles=12"},
    Case{"st (ix),&H20", "ix=4000", "m4000=20 ix=4000 cycles=6"},
    Case{"st +(iz),&H20", "iz=4000", "m4001=20 iz=4001"},
    Case{"st (ix+r5),r70", "ix=4000 r5=03 r70=5A", "m4003=5A"},
    Case{"st (iy-&H02),r5", "iy=4002 r5=5A", "m4000=5A"},
    Case{"ldm r64..r65,(ix)+", "ix=4000 m4000=11 m4001=22", "r64=11 r65=22 ix=4002 cycles=16"},
    Case{"ldm r0..r1,(iz+&H02)", "iz=4000 m4002=11 m4003=22", "r0=11 r1=22 iz=4000"},
    Case{"stm -(sp),r65..r64", "sp=6000 r64=11 r65=22", "m5FFF=22 m5FFE=11 sp=5FFE cycles=16"},
    Case{"stm (ix+&H01),r0..r1", "ix=4000 r0=11 r1=22", "m4001=11 m4002=22"},
    Case{"ldw iy,&H1234", "", "iy=1234 cycles=4"},
    Case{"ldw v1,&H1234", "", "v1=1234"},
    Case{"adw ix,&H10", "ix=40F8", "ix=4108 cycles=6"},
    Case{"sbw ix,&H10", "ix=4108", "ix=40F8 cycles=6"},
    Case{"bup", "ix=4000 iy=4002 iz=5000 m4001=11 m4002=22", "m5001=11 m5002=22 pc=1 cycles=28", 2},
    Case{"bdn", "ix=4002 iy=4000 iz=5002 m4001=11 m4000=22", "m5001=11 m5000=22 pc=1 cycles=28", 2},
    Case{"sup r64", "ix=4000 iy=4010 r64=33 m4002=33", "ix=4002 pc=1 cycles=32", 2},
    Case{"sdn r5", "ix=4003 iy=4000 r5=33 m4001=33", "ix=4001 pc=1 cycles=32", 2}));

// Flow of control: each condition is taken on a flag (or KI) that its
// neighbours do not test.
INSTANTIATE_TEST_SUITE_P(Control, InstructionBehaviour, testing::Values(
    Case{"jmp &H0123", "", "pc=123 cycles=4"},
    Case{"jmp k,&H0123", "ki=01", "pc=123"},
    Case{"jmp nk,&H0123", "ki=00", "pc=123"},
    Case{"jmp lz,&H0123", "f=04", "pc=123"},
    Case{"jmp nlz,&H0123", "f=FB", "pc=123"},
    Case{"jmp uz,&H0123", "f=08", "pc=123"},
    Case{"jmp nuz,&H0123", "f=F7", "pc=123"},
    Case{"jmp nz,&H0123", "f=10", "pc=123"},
    Case{"jmp z,&H0123", "f=EF", "pc=123"},
    Case{"jmp v,&H0123", "f=20", "pc=123"},
    Case{"jmp nv,&H0123", "f=DF", "pc=123"},
    Case{"jmp h,&H0123", "f=40", "pc=123"},
    Case{"jmp nh,&H0123", "f=BF", "pc=123"},
    Case{"jmp c,&H0123", "f=80", "pc=123"},
    Case{"jmp nc,&H0123", "f=7F", "pc=123"},
    Case{"jmp c,&H0123", "f=7F", "pc=1 cycles=4"},
    Case{"cal &H0100", "sp=6000", "pc=100 sp=5FFE m5FFE=0 m5FFF=1 cycles=10"},
    Case{"cal z,&H0100", "sp=6000 f=10", "pc=1 sp=6000"},
    Case{"ijmp r70,r5", "r70=12 r5=34", "pc=1234 cycles=6"},
    Case{"ijmp z,v0", "v0=1234", "pc=1234"},
    Case{"rtn", "sp=5FFE m5FFE=12 m5FFF=34", "pc=1234 sp=6000 cycles=10"},
    Case{"rti", "sp=5FFE m5FFE=12 m5FFF=34 if=40 irq1=1", "pc=1234 sp=6000 if=0 irq1=0 cycles=10"},
    Case{"cani", "if=40 irq1=1", "if=0 irq1=0 pc=1 cycles=4"},
    Case{"trp", "v3=0456 sp=6000", "pc=456 sp=5FFE m5FFF=1 cycles=12"},
    Case{"nop", "f=5C", "pc=1 f=5C cycles=4"},
    Case{"off", "ie=30 if=01 lcd=80", "halted=1 pc=0 ko=41 ie=0 if=0 lcd=0 cycles=0"}));

// The status registers by name, both ways.
INSTANTIATE_TEST_SUITE_P(Ports, InstructionBehaviour, testing::Values(
    Case{"pst ko,&H3F", "", "ko=3F cycles=4"},
    Case{"pst if,&H01", "", "if=1 lcd=80"},
    Case{"pst as,&H21", "", "as=21"},
    Case{"pst ie,&H30", "", "ie=30"},
    Case{"pst f,r64", "r64=5C", "f=5C"},
    Case{"pst as,r5", "r5=21", "as=21"},
    Case{"gst r64,ko", "ko=3F", "r64=3F cycles=4"},
    Case{"gst r64,ki", "ki=55", "r64=55"},
    Case{"gst r64,if", "if=40", "r64=40"},
    Case{"gst r64,as", "as=21", "r64=21"},
    Case{"gst r64,ie", "ie=30", "r64=30"},
    Case{"gst r5,f", "f=5C", "r5=5C"}));

// A command (code 2: write, or 1 with operation 7: read, on chip 0), then
// the data transfer under test.
INSTANTIATE_TEST_SUITE_P(Lcd, InstructionBehaviour, testing::Values(
    Case{"stle r64,&H21\nstle r65,&H01", "lcd=80 r64=02 r65=A5", "d0=5 d1=A cycles=16"},
    Case{"stle r64,&H21\nstlo r65,&H01", "lcd=80 r64=02 r65=A5", "d0=5 d1=0 cycles=16"},
    Case{"stle r64,&H21\nstlem r65..r66,&H01", "lcd=80 r64=02 r65=A5 r66=3C", "d0=5 d1=A d2=C d3=3 cycles=24"},
    Case{"stle r64,&H21\nstlom r65..r66,&H01", "lcd=80 r64=02 r65=A5 r66=3C", "d0=5 d1=A d2=C d3=0 cycles=24"},
    Case{"stle r64,&H21\nldle r65,&H01", "lcd=80 r64=E1 r65=FF d0=5 d1=A", "r65=A5 cycles=16"},
    Case{"stle r64,&H21\nldlo r65,&H01", "lcd=80 r64=E1 r65=FF d0=5 d1=A", "r65=5"},
    Case{"stle r64,&H21\nldlem r65..r66,&H01", "lcd=80 r64=E1 d0=5 d1=A d2=C d3=3", "r65=A5 r66=3C cycles=24"},
    Case{"stle r64,&H21\nldlom r65..r66,&H01", "lcd=80 r64=E1 r66=FF d0=5 d1=A d2=C d3=3", "r65=A5 r66=C"}));

}  // namespace
}  // namespace varnox
