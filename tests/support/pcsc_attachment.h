#pragma once
// The reader simulator behind the PC/SC service's virtual card, without any of the
// library's objects: the transport rig uses it, and so do programs that reach the library
// only through its exports.
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "support/reader_sim.h"

namespace vantel_test {

// Makes `sim` the simulator that answers the virtual card (null: none), attaching the card
// on first use. "" when the reader sees the card, else why not; *apdusBefore (when given)
// the number of APDUs the card had received before.
std::string AttachPcscSim(ReaderSim* sim, std::size_t* apdusBefore);

// Every APDU the virtual card received in this program.
std::vector<Bytes> PcscCardApdus();

// Takes the virtual card out of the known reader and puts it in again once the reader has
// seen it go, as a person changing cards does: every handle connected before is then refused
// with the removed-card warning until it reconnects. False when the reader did not see both.
bool SwapPcscCard();

// From a hold to its release, each APDU the card receives is logged and then waits before it
// is answered: a card operation stays inside whatever lock its caller holds.
void HoldPcscAnswers();
void ReleasePcscAnswers();
// Whether an APDU waits under the hold, within `limit`.
bool WaitForHeldPcscApdu(std::chrono::milliseconds limit);

}  // namespace vantel_test
