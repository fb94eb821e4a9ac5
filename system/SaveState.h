// Save states: the whole machine as it stands between two run ticks, in a
// file that lets a run continue exactly where it was saved, in the window or
// in varnox-tool.
//
// A state holds the processor (registers, ports, pending interrupts, cycle
// budget), the LCD controller with its character generator and frame
// buffer, RAM, the held keys, and the run loop's timer countdown,
// self-test counter, place in the refresh cadence and count of run ticks,
// steps and cycles: the fields that Machine::Fields lists (core/Def.h).
// The ROM images are not copied into it: it records their checksums and is
// only loaded over the same firmware. Settings and the run control (the
// debugger's hold and stops, the resume delay, the grant) belong to the
// session, not to the machine, and are left as they are.
//
// File layout, little-endian: the magic "VARNOXST", the format version
// (u32), the payload's length (u32) and its CRC-32 (u32), then the payload:
// the CRC-32 of rom0.bin and of rom1.bin, then the fields in list order.
// Version 2 added the refresh cadence at the end, version 3 the clock's
// counts of run ticks, steps and cycles after it; an older file reads with
// what it lacks at 0, the cadence at its power-on value and the counts
// from the moment it was saved. No field has left the file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/Def.h"

namespace varnox {

inline constexpr uint32_t StateFormatVersion = 3;
inline constexpr int StateSlotCount = 4;

// The quick slots' files in a machine's directory: "state1.vxs" .. "state4.vxs".
std::filesystem::path StateSlotPath(const std::filesystem::path& dir, int slot);

std::vector<uint8_t> EncodeState(const Machine& m);

// Puts an encoded state into `m`, whose ROMs must be those it was saved
// over. On any fault, a field holding a value no run of the machine leaves
// there included, returns what is wrong and leaves `m` as it was.
std::optional<std::string> DecodeState(std::span<const uint8_t> bytes, Machine& m);

// The first saved field holding a value no run of the machine leaves
// there ("CycleBudget is 1, outside -4194303..0"), if there is one.
std::optional<std::string> UnreachableField(const Machine& m);

// Writes the state through a temporary file renamed over the target, so an
// old file stays whole until the new one is complete. Returns the message
// for the user on failure, naming the file.
std::optional<std::string> SaveStateFile(const Machine& m, const std::filesystem::path& file);

// Reads a state file into `m`; on failure returns the message for the user,
// naming the file, and `m` is unchanged.
std::optional<std::string> LoadStateFile(Machine& m, const std::filesystem::path& file);

}  // namespace varnox
