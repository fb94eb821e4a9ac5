// The line assembler: the instruction classes, the rejection position of
// every scanner step, letter case and spacing.
#include <gtest/gtest.h>

#include "AsmTestSupport.h"

namespace varnox {
namespace {

using test::Asm;

TEST(Assembler, EmptyBlankAndCommentLinesGiveNoBytes) {
    EXPECT_EQ(Asm(""), "");
    EXPECT_EQ(Asm("     "), "");
    EXPECT_EQ(Asm("; just a comment"), "");
    EXPECT_EQ(Asm("   ;"), "");
    EXPECT_EQ(Asm("nop ; with a comment"), "FA");
}

TEST(Assembler, NoOperandClasses) {
    EXPECT_EQ(Asm("rtn"), "58");
    EXPECT_EQ(Asm("cani"), "68");
    EXPECT_EQ(Asm("rti"), "78");
    EXPECT_EQ(Asm("bup"), "E2");
    EXPECT_EQ(Asm("bdn"), "F2");
    EXPECT_EQ(Asm("off"), "50 80");
    EXPECT_EQ(Asm("trp"), "FF 80");
}

TEST(Assembler, OneRegisterClasses) {
    EXPECT_EQ(Asm("cmp r5"), "E8 05");
    EXPECT_EQ(Asm("cmp r70"), "E0 06");
    EXPECT_EQ(Asm("cmp i70"), "error at 8");
    EXPECT_EQ(Asm("mtb r127"), "E6 F7");
    EXPECT_EQ(Asm("sup r64"), "34 80");
    EXPECT_EQ(Asm("sup r5"), "error at 7");   // sup works on the upper half
    EXPECT_EQ(Asm("sdn r5"), "3C 85");
    EXPECT_EQ(Asm("sdn r64"), "error at 8");
}

TEST(Assembler, StatusRegisterClasses) {
    EXPECT_EQ(Asm("gst r5,if"), "F9 85");
    EXPECT_EQ(Asm("gst r70,ko"), "D4 06");
    EXPECT_EQ(Asm("gst r70,f"), "D5 06");
    EXPECT_EQ(Asm("gst r0,ki"), "59 80");
    EXPECT_EQ(Asm("gst r5,xx"), "error at 8");
    EXPECT_EQ(Asm("pst if,&H12"), "C1 12");
    EXPECT_EQ(Asm("pst ko,&H41"), "C0 41");
    EXPECT_EQ(Asm("pst ie,&H80"), "C3 80");  // data bit 7 lands in opcode bit 8
    EXPECT_EQ(Asm("pst ie,r5"), "CF 05");
    EXPECT_EQ(Asm("pst f,r70"), "C5 06");
    EXPECT_EQ(Asm("pst if,r5"), "error at 10");
    EXPECT_EQ(Asm("pst f,&H01"), "error at 7");
    EXPECT_EQ(Asm("pst ki,&H01"), "error at 8");
    EXPECT_EQ(Asm("pst zz,&H01"), "error at 5");
}

TEST(Assembler, TwoRegisterAndImmediateClass) {
    EXPECT_EQ(Asm("adb r70,r5"), "00 05 C0");
    EXPECT_EQ(Asm("adb r5,r70"), "08 05 C0");
    EXPECT_EQ(Asm("adb r5,i70"), "08 05 D0");
    EXPECT_EQ(Asm("adb r5,r6"), "error at 10");
    EXPECT_EQ(Asm("adb r70,r71"), "error at 12");
    EXPECT_EQ(Asm("adb r5,i5"), "error at 10");
    EXPECT_EQ(Asm("adb r70,&H10"), "00 86 10");
    EXPECT_EQ(Asm("bit r5,&H01"), "5A 85 01");
    EXPECT_EQ(Asm("bit r70,r5"), "53 85 C0");
    EXPECT_EQ(Asm("adb i70,&H10"), "error at 9");  // the indirect check comes after the comma
    EXPECT_EQ(Asm("txr r127,r63"), "27 77 E7");
    EXPECT_EQ(Asm("stle r5,&H0F"), "CE 85 0F");
    EXPECT_EQ(Asm("ldlo r70,255"), "C5 86 FF");
}

TEST(Assembler, ExchangeClasses) {
    EXPECT_EQ(Asm("swp r5,r70"), "14 85 C0");
    EXPECT_EQ(Asm("swp r70,r5"), "14 85 C0");
    EXPECT_EQ(Asm("xcls r5,r70"), "1E 85 C0");
    EXPECT_EQ(test::Dis(0x1E, 0x85, 0xC0), "xchs r70,r5");
    EXPECT_EQ(Asm("xcls r70,r5"), "16 85 C0");
    EXPECT_EQ(Asm("swp r70"), "E0 86");
    EXPECT_EQ(Asm("swp r5"), "E8 85");
    EXPECT_EQ(Asm("xc r5"), "error at 6");
    EXPECT_EQ(Asm("swpm r0..r3,r64..r67"), "15 80 60");
    EXPECT_EQ(Asm("xclsm r0..r3,r64..r67"), "1F 80 60");
    EXPECT_EQ(Asm("xclsm r64..r67,r0..r3"), "17 80 60");
    EXPECT_EQ(Asm("xcm r0..r3,r65..r68"), "error at 20");  // starts must agree in bits 0-2
}

TEST(Assembler, LoadClass) {
    EXPECT_EQ(Asm("ld r5,(ix)+"), "A8 05");
    EXPECT_EQ(Asm("ld r70,(sp)-"), "A7 06");
    EXPECT_EQ(Asm("ld r70,(ix+r5)"), "A0 85 C0");
    EXPECT_EQ(Asm("ld i70,(ix+r5)"), "A0 85 D0");
    EXPECT_EQ(Asm("ld r5,(iy-&H10)"), "AD 85 10");
    EXPECT_EQ(Asm("ld r5,r70"), "5C 85 C0");
    EXPECT_EQ(Asm("ld r70,r5"), "54 85 C0");
    EXPECT_EQ(Asm("ld r70,&H33"), "56 86 33");
    EXPECT_EQ(Asm("ld r5,&H33"), "5E 85 33");
    EXPECT_EQ(Asm("ld r5,(ix+r6)"), "error at 13");   // register offset needs an upper target
    EXPECT_EQ(Asm("ld r70,(ix+&H01)"), "error at 16");  // byte offset needs a lower target
    EXPECT_EQ(Asm("ld i70,(ix)+"), "error at 13");
}

TEST(Assembler, StoreClass) {
    EXPECT_EQ(Asm("st -(sp),r64"), "87 00");
    EXPECT_EQ(Asm("st +(ix),r5"), "88 05");
    EXPECT_EQ(Asm("st (ix),&H20"), "D0 20");
    EXPECT_EQ(Asm("st -(iz),&H00"), "DA 00");
    EXPECT_EQ(Asm("st +(iy),&H80"), "C9 80");
    EXPECT_EQ(Asm("st (ix+r5),r70"), "80 85 C0");
    EXPECT_EQ(Asm("st (iy-&H02),r5"), "8D 85 02");
    EXPECT_EQ(Asm("st (ix+r70),r70"), "error at 11");
    EXPECT_EQ(Asm("st (ix+r5),r6"), "error at 14");
    EXPECT_EQ(Asm("st (ix+&H02),r70"), "error at 17");
}

TEST(Assembler, IndexRegisterAndTransferClasses) {
    EXPECT_EQ(Asm("LDW IX,&H12ab"), "40 12 AB");
    EXPECT_EQ(Asm("ldw ix,&h12AB ; load"), "40 12 AB");
    EXPECT_EQ(Asm("ldw ix,4779"), "40 12 AB");
    EXPECT_EQ(Asm("ldw sp,&HFFFF"), "47 FF FF");
    EXPECT_EQ(Asm("ldw v0,1"), "46 00 01");
    EXPECT_EQ(Asm("adw iz,&H80"), "4A 80");
    EXPECT_EQ(Asm("sbw sp,8"), "4F 08");
    EXPECT_EQ(Asm("jmp nz,&H0C40"), "74 0C 40");
    EXPECT_EQ(Asm("jmp &H8000"), "70 80 00");
    EXPECT_EQ(Asm("cal 1000"), "60 03 E8");
    EXPECT_EQ(test::Dis(0x60, 0x03, 0xE8), "cal &H03E8");
    EXPECT_EQ(Asm("jmp c"), "error at 6");
    EXPECT_EQ(Asm("cal nlz,0"), "6A 00 00");
    EXPECT_EQ(Asm("ijmp ix"), "50 70 07");
    EXPECT_EQ(Asm("ijmp z,r70,r6"), "5C 06 C0");
    EXPECT_EQ(Asm("ijmp nc,sp"), "5F 77 E7");
    EXPECT_EQ(Asm("ijmp r5,r70"), "error at 8");
}

// Unconditional targets v0..v3 begin like the condition v; they are taken
// as targets, so the text the disassembler prints assembles back.
TEST(Assembler, UnconditionalIjmpThroughV0ToV3) {
    EXPECT_EQ(Asm("ijmp v0"), "50 76 C7");
    EXPECT_EQ(Asm("ijmp v3 ; comment"), "50 73 67");
    EXPECT_EQ(Asm("ijmp r126,r62"), "50 76 C7");
    EXPECT_EQ(Asm("ijmp v,v0"), "55 76 C7");
    EXPECT_EQ(Asm("ijmp z,v0"), "5C 76 C7");
    // Texts that stay rejected keep their position: just after the v.
    EXPECT_EQ(Asm("ijmp v0,r5"), "error at 7");
    EXPECT_EQ(Asm("ijmp v9"), "error at 7");
    EXPECT_EQ(Asm("ijmp v"), "error at 7");
}

TEST(Assembler, RangeClasses) {
    EXPECT_EQ(Asm("adbm r10..r13,r66..r69"), "18 12 A0");
    EXPECT_EQ(Asm("adbm r66..r69,r10..r13"), "10 12 A0");
    EXPECT_EQ(Asm("adbm r10..r13,r66..r70"), "error at 23");
    EXPECT_EQ(Asm("adbm r64..r71,&H21"), "10 80 E1");
    EXPECT_EQ(Asm("adbm r0..r7,&H01"), "18 88 E1");
    EXPECT_EQ(Asm("anm r64..r67,&H05"), "error at 14");
    EXPECT_EQ(Asm("adbm r64..r71,64"), "error at 17");
    EXPECT_EQ(Asm("stlem r5..r7,&H3F"), "DE 85 FF");
    EXPECT_EQ(Asm("ldm r64..r67,(ix+r5)"), "B0 85 00");
    EXPECT_EQ(test::Dis(0xB0, 0x85, 0x00), "ldm r69..r64,(ix+r5)");
    EXPECT_EQ(Asm("ldm r69..r64,(ix+r5)"), "B0 85 00");
    EXPECT_EQ(Asm("ldm r0..r3,(iz+&H04)"), "BA 88 64");
    EXPECT_EQ(Asm("ldm r64..r67,(sp)+"), "B3 00 60");
    EXPECT_EQ(Asm("ldm r0..r3,r64..r67"), "5D 80 60");
    EXPECT_EQ(Asm("ldm r64..r67,r0..r3"), "55 80 60");
    EXPECT_EQ(Asm("ldm r0..r3,&H04"), "5F 88 64");
    EXPECT_EQ(Asm("stm (iz+&H04),r0..r3"), "9A 88 64");
    EXPECT_EQ(Asm("stm -(sp),r64..r67"), "97 00 60");
    EXPECT_EQ(Asm("stm (ix+r5),r64..r67"), "90 85 00");
    EXPECT_EQ(Asm("stm (ix+r5),r0..r3"), "error at 19");
    EXPECT_EQ(Asm("cmpm r64..r71"), "E1 00 E0");
    EXPECT_EQ(Asm("cmpm i64..i71"), "E1 00 F0");
    EXPECT_EQ(Asm("cmpm r8..r15"), "E9 10 E0");
    EXPECT_EQ(Asm("cmpbm r64..r67"), "F4 00 60");
    EXPECT_EQ(Asm("cmpbm i64..i67"), "error at 15");
}

TEST(Assembler, DataBytes) {
    EXPECT_EQ(Asm("db 1,2,3"), "01 02 03");
    EXPECT_EQ(Asm("db 1,"), "01");
    EXPECT_EQ(Asm("db"), "");
    EXPECT_EQ(Asm("db &HFF, 0 ,&h7f"), "FF 00 7F");
    EXPECT_EQ(Asm("db 1,2,3,4"), "error at 10");
    EXPECT_EQ(Asm("db 256"), "error at 7");
    EXPECT_EQ(Asm("db 1 2"), "error at 6");
}

TEST(Assembler, SpacingAndLetterCase) {
    EXPECT_EQ(Asm("ldr5,r70"), "5C 85 C0");
    EXPECT_EQ(Asm("ld r 5,r70"), "error at 5");
    EXPECT_EQ(Asm("ld r5 , r70"), "5C 85 C0");
    EXPECT_EQ(Asm("  ADBM R10..R13 , I66..I69  "), "18 12 B0");
    EXPECT_EQ(Asm("Ld R5,( IX)+"), "A8 05");
    EXPECT_EQ(Asm("\tnop"), "error at 1");  // only 0x20 is a space
    EXPECT_EQ(Asm("ld r5,(ix )+"), "error at 11");  // nor before ")"
}

// Where each scanner step leaves the position when it fails.
TEST(AssemblerRejection, MnemonicAndTrailingText) {
    EXPECT_EQ(Asm("foo"), "error at 1");
    EXPECT_EQ(Asm("  foo"), "error at 3");
    EXPECT_EQ(Asm("nop nop"), "error at 5");
    EXPECT_EQ(Asm("rtn   x"), "error at 7");
    EXPECT_EQ(Asm("cmp r5)"), "error at 7");
}

TEST(AssemblerRejection, CommaAndNameLists) {
    EXPECT_EQ(Asm("ldw ix 5"), "error at 8");  // the spaces are taken before the missing comma
    EXPECT_EQ(Asm("ldw xx,5"), "error at 5");
    EXPECT_EQ(Asm("adw v0,5"), "error at 5");  // v0 is no pointer register
    EXPECT_EQ(Asm("gst r5,"), "error at 8");
}

TEST(AssemblerRejection, NumbersAndImmediates) {
    EXPECT_EQ(Asm("ldw ix,70000"), "error at 12");  // 7000, then the last 0 is left over
    EXPECT_EQ(Asm("cal 65535"), "60 FF FF");
    EXPECT_EQ(Asm("cal &H1FFFF"), "error at 11");
    EXPECT_EQ(Asm("jmp &H"), "error at 7");
    EXPECT_EQ(Asm("jmp &Hxyz"), "error at 7");
    EXPECT_EQ(Asm("jmp  x"), "error at 6");
    EXPECT_EQ(Asm("adw ix,256"), "error at 11");
    EXPECT_EQ(Asm("jmp 12ab"), "error at 7");  // a letter ends a decimal number
}

TEST(AssemblerRejection, Registers) {
    EXPECT_EQ(Asm("cmp"), "error at 4");
    EXPECT_EQ(Asm("cmp x5"), "error at 5");
    EXPECT_EQ(Asm("cmp r"), "error at 6");
    EXPECT_EQ(Asm("cmp r128"), "error at 9");
    EXPECT_EQ(Asm("cmp r99999"), "error at 10");  // the digits stop at 9999
    EXPECT_EQ(Asm("cmp i63"), "error at 8");
}

TEST(AssemblerRejection, RangesSignsAndPointers) {
    EXPECT_EQ(Asm("cmpm r64.r71"), "error at 10");
    EXPECT_EQ(Asm("cmpm r64 ..r71"), "error at 9");
    EXPECT_EQ(Asm("cmpm r64..r72"), "error at 14");
    EXPECT_EQ(Asm("cmpm r64..i71"), "error at 14");
    EXPECT_EQ(Asm("ld r5,(ix)"), "error at 11");
    EXPECT_EQ(Asm("st (ix*r5),r70"), "error at 7");
    EXPECT_EQ(Asm("ld r5,(ia)+"), "error at 8");
    EXPECT_EQ(Asm("ld r5,(ix+r5"), "error at 13");
    EXPECT_EQ(Asm("st -ix),r5"), "error at 5");
}

}  // namespace
}  // namespace varnox
