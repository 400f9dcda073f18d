// The answer layer as the service builds it: the library reached only through its exports,
// over a PC/SC reader. Same answers as the library's own build, no beep, log lines through
// the service's hook.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library/answers/device_operations.h"
#include "library/answers/imported_entries.h"
#include "operation_cases.h"
#include "support/pcsc_attachment.h"
#include "support/reader_sim_cards.h"

namespace vantel {
namespace {

std::vector<std::string> gLogLines;

void KeepLine(const char* line) { gLogLines.push_back(line); }

class ImportedAnswers : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string failure = vantel_test::AttachPcscSim(&sim, nullptr);
    if (!failure.empty()) GTEST_SKIP() << failure;
    SetAnswerLogHook(KeepLine);
  }
  void TearDown() override {
    SetAnswerLogHook(nullptr);
    vantel_test::AttachPcscSim(nullptr, nullptr);
  }

  vantel_test::ReaderSim sim;
};

TEST_F(ImportedAnswers, SameAnswersOverPcsc) {
  for (const OperationCase& row : OperationCases(true)) {
    SCOPED_TRACE(row.name);
    PlaceCardOf(sim, row.card);
    EXPECT_EQ(AnswerOf(row.operation), row.expected);
  }
}

TEST_F(ImportedAnswers, NoBeepAndLogLinesInTheHook) {
  PlaceCardOf(sim, CardKind::kM1);
  gLogLines.clear();
  AnswerOf(dxconnect);
  AnswerOf([](char* out) { dxKestor_Mute(0, out); });
  EXPECT_EQ(AnswerOf(readICCardSN),
            "{\"resultFlag\":0,\"ICCardSerial\":\"12345678\",\"errorMsg\":\"读IC卡序列号成功\"}");
  AnswerOf([](char* out) { writeM1Card("1", "2", "1", "FFFFFFFFFFFF", nullptr, out); });
  EXPECT_TRUE(sim.Device().ledControls.empty());
  EXPECT_EQ(gLogLines, (std::vector<std::string>{
                           "enter dxconnect",
                           "writeM1Card sid: 1 bid: 2 keyType: 1 key: FFFFFFFFFFFF data: (null)"}));
}

}  // namespace
}  // namespace vantel
