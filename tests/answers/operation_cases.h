#pragma once
// The device operations' answers as a table: a row per operation, the card in the field and
// the whole answer. The library's build and the service's build answer the same texts.
#include <functional>
#include <string>
#include <vector>

#include "support/reader_sim.h"

namespace vantel {

enum class CardKind { kNone, kM1, kCpu };

struct OperationCase {
  const char* name;
  CardKind card;
  std::function<void(char*)> operation;
  std::string expected;
};

// In order: the last rows disconnect. `apduPath`: the transport carries APDUs to the card.
std::vector<OperationCase> OperationCases(bool apduPath);

void PlaceCardOf(vantel_test::ReaderSim& sim, CardKind kind);

// The answer an operation copies into a 1 KiB buffer of 0xCC bytes, up to the first of them.
std::string AnswerOf(const std::function<void(char*)>& operation);

}  // namespace vantel
