// The instruction ROM decoded once: for each word the handler that runs it
// and the argument that handler takes, so a step from InstrRom reads a
// ready record instead of decoding the word again.
#pragma once

#include <cstdint>
#include <memory>

namespace varnox {

struct Machine;

// Every handler family has this signature; the argument comes from the
// dispatch table.
using Handler = void (*)(Machine& m, uint8_t arg);

// What a record that was never decoded runs: it decodes the word, which the
// fetch has just taken into InstrBytes, and runs it.
void DecodeThenRun(Machine& m, uint8_t arg);

struct DecodedWord {
    // The four InstrRom bytes from the word's first one (its own three and
    // the next word's b0), as one load reads them. Anything may write
    // InstrRom (tests, the debugger's line placement, loading rom0.bin): the
    // step compares these bytes with InstrRom's and decodes again when they
    // differ, so a record never outlives its word.
    uint32_t window = 0;
    uint8_t arg = 0;
    uint8_t regBank = 0;
    // The instruction may change what the run loop keeps in locals while
    // it steps (see DispatchEntry); such a word ends a run of quiet steps.
    bool touchesRunState = false;
    Handler handler = DecodeThenRun;
};

// One record per InstrRom word but the last (whose four bytes would run
// past the store; it is fetched as data memory words are). A cache, not
// machine state: save states do not carry it. A machine made from scratch
// has its records from the start, so no step allocates; a copy has none
// until its first step (a copy kept for later, as a state load or a rewind
// makes, costs what the machine's own bytes do); assigning a machine keeps
// the target's records (they are checked against the words at every
// fetch), so a machine restored by assignment runs at full speed at once.
class DecodedRom {
public:
    DecodedRom() { Allocate(); }
    DecodedRom(const DecodedRom&) {}
    DecodedRom& operator=(const DecodedRom&) { return *this; }
    ~DecodedRom();

    bool HasRecords() const { return words_ != nullptr; }
    void Allocate();  // every record undecoded
    DecodedWord& operator[](unsigned wordAddress) { return words_[wordAddress]; }
    // The records, for a loop over steps to keep at hand: no step moves them.
    DecodedWord* Words() { return words_.get(); }

private:
    std::unique_ptr<DecodedWord[]> words_;
};

}  // namespace varnox
