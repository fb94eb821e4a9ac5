// LCD transfer instructions, observed through the controller's display
// memory: commands set an address, data nibbles go low digit first.
#include <gtest/gtest.h>

#include "core/Cpu.h"
#include "support/MachineBuilder.h"

namespace varnox {
namespace {

using test::NewMachine;
using test::Program;
using test::R;

// Mode fields: 0x01 sends data, 0x21 commands; in the sequence forms with
// b1 bit 3 clear, b2 = 0x?1 gives 0x21.
// Powers the display and loads two five-nibble commands into registers:
// write from address 0 with pixel operation 4 (replace), and read from
// address 0 with operation 7 (read). Low digit of each register first.
std::unique_ptr<Machine> PoweredMachine() {
    auto m = NewMachine();
    m->Cpu.IF = 0x01;
    UpdateIf(*m);
    R(*m, 0) = 0x82;  // code 2 (write), chip 0 with op 4
    R(*m, 1) = 0x00;
    R(*m, 2) = 0x00;  // only its low digit is sent
    R(*m, 4) = 0xE1;  // code 1 (read), chip 0 with op 7
    R(*m, 5) = 0x00;
    R(*m, 6) = 0x00;
    return m;
}

TEST(LcdInstr, StoreSendsTheLowDigitFirst) {
    auto m = PoweredMachine();
    R(*m, 3) = 0x5A;
    Program(*m, {{0x1DF, 0x00, 0x41},    // stlom R000..R002, command
                 {0x1CE, 0x03, 0x01}});  // stle R003, data
    EXPECT_EQ(CpuStep(*m), 3 * 8);
    EXPECT_EQ(CpuStep(*m), 8);
    EXPECT_EQ(m->Lcd.DisplayRam[0], 0x0A);
    EXPECT_EQ(m->Lcd.DisplayRam[1], 0x05);
    EXPECT_EQ(m->Lcd.DisplayRam[2], 0x00);
}

TEST(LcdInstr, SequencesWriteAndReadBack) {
    auto m = PoweredMachine();
    R(*m, 16) = 0x5A;
    R(*m, 17) = 0xC3;
    R(*m, 18) = 0x7E;
    Program(*m, {{0x1DF, 0x00, 0x41},    // stlom R000..R002, command: write at 0
                 {0x1DE, 0x28, 0x41},    // stlem R016..R018, data
                 {0x1DF, 0x04, 0xC1},    // stlom R004..R006, command: read at 0
                 {0x1DC, 0x38, 0x21},    // ldlem R024..R025
                 {0x1DF, 0x04, 0xC1},    // read at 0 again
                 {0x1DD, 0x38, 0x21},    // ldlom R024..R025: R025 gets its low digit only
                 {0x1DF, 0x04, 0xC1},    // read at 0 again
                 {0x1CD, 0x40, 0x01},    // ldlo R032
                 {0x1CC, 0x41, 0x01}});  // ldle R033
    EXPECT_EQ(CpuStep(*m), 24);
    EXPECT_EQ(CpuStep(*m), 24);
    const uint8_t written[6] = {0x0A, 0x05, 0x03, 0x0C, 0x0E, 0x07};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(m->Lcd.DisplayRam[i], written[i]) << i;
    EXPECT_EQ(CpuStep(*m), 24);
    EXPECT_EQ(CpuStep(*m), 16);
    EXPECT_EQ(R(*m, 24), 0x5A);
    EXPECT_EQ(R(*m, 25), 0xC3);
    CpuStep(*m);
    R(*m, 25) = 0xFF;
    EXPECT_EQ(CpuStep(*m), 16);
    EXPECT_EQ(R(*m, 24), 0x5A);
    EXPECT_EQ(R(*m, 25), 0x03);
    CpuStep(*m);
    EXPECT_EQ(CpuStep(*m), 8);
    EXPECT_EQ(R(*m, 32), 0x0A);
    EXPECT_EQ(CpuStep(*m), 8);
    EXPECT_EQ(R(*m, 33), 0x35);  // the next two nibbles
}

TEST(LcdInstr, StoreLowSendsOneDigitOfTheLastRegister) {
    auto m = PoweredMachine();
    R(*m, 64) = 0x21;
    R(*m, 65) = 0x43;
    Program(*m, {{0x1DF, 0x00, 0x41},    // write at 0
                 {0x1C7, 0x00, 0x01},    // stlo R064 (upper bank)
                 {0x1D7, 0x08, 0x21}});  // stlom R064..R065: 1, 2, 3
    CpuStep(*m);
    EXPECT_EQ(CpuStep(*m), 8);
    EXPECT_EQ(CpuStep(*m), 16);
    const uint8_t written[5] = {0x01, 0x01, 0x02, 0x03, 0x00};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(m->Lcd.DisplayRam[i], written[i]) << i;
}

TEST(LcdInstr, ModeFieldKeepsThePowerAndSpareBits) {
    auto m = NewMachine();
    m->Lcd.LcdControl = 0x40;  // unpowered: the transfers change nothing else
    Program(*m, {{0x1C6, 0x00, 0xFF},    // stle: field b2 bits 5-0
                 {0x1D6, 0x08, 0xE5}});  // stlem: field is the 6-bit immediate
    EXPECT_EQ(CpuStep(*m), 8);
    EXPECT_EQ(m->Lcd.LcdControl, 0x7F);
    EXPECT_EQ(CpuStep(*m), 8 * 8);  // R064..R071
    EXPECT_EQ(m->Lcd.LcdControl, 0x45);
}

}  // namespace
}  // namespace varnox
