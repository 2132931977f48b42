// The simulated HomePlug 1.0 devices report raw rate figures that the
// system's scales turn back into the whole rates of the network file.
#include <gtest/gtest.h>

#include "core/discovery/network_scan.h"
#include "sim/boost_device.h"
#include "sim/hp10_device.h"

namespace strandline {
namespace {

TEST(SimRates, RawFiguresScaleBackToTheWholeRate) {
  for (int mbps = 0; mbps <= 85; ++mbps) {
    RateStats plain, boost;
    updateRate(plain, {sim::hp10RawRate(mbps), 0, 0}, RateMode::HomePlug10);
    updateRate(boost, {sim::boostRawRate(mbps), 0, 0}, RateMode::Boost);
    EXPECT_EQ(plain.current, mbps);
    EXPECT_EQ(boost.current, mbps);
  }
}

}  // namespace
}  // namespace strandline
