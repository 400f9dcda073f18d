// Which connection gives way to a new one when the WebSocket listener is full.
#include "service/net/ws_giving_way.h"

#include <gtest/gtest.h>

#include <vector>

namespace lumarin {
namespace {

constexpr bool kUpgraded = true;
constexpr bool kNew = false;
constexpr bool kAnswering = true;
constexpr bool kIdle = false;

TEST(WsGivingWay, FirstWithoutUpgradeHeldLongestThenUpgradedIdleLongestNeverOneBeingAnswered) {
  const struct {
    std::vector<WsPlace> places;
    std::size_t chosen;
  } cases[] = {
      // Without an upgrade before upgraded, however long the upgraded one has been idle.
      {{{kUpgraded, kIdle, 90000}, {kNew, kIdle, 10}}, 1},
      {{{kNew, kIdle, 5}, {kNew, kIdle, 50}, {kNew, kIdle, 20}}, 1},
      {{{kNew, kAnswering, 99000}, {kUpgraded, kIdle, 10}, {kUpgraded, kIdle, 30}}, 2},
      {{{kUpgraded, kIdle, 30}, {kUpgraded, kAnswering, 60000}, {kNew, kAnswering, 60000}}, 0},
      // All being answered, or none there: nobody.
      {{{kUpgraded, kAnswering, 1}, {kNew, kAnswering, 2}}, 2},
      {{}, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ChooseConnectionToGiveWay(c.places), c.chosen);
}

}  // namespace
}  // namespace lumarin
