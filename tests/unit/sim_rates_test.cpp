// The simulated HomePlug 1.0 devices report raw rate figures that the
// system's scales turn back into the rates of the network file.
#include <gtest/gtest.h>

#include <cmath>

#include "sim/boost_device.h"
#include "sim/hp10_device.h"

namespace strandline {
namespace {

// The two scales, written from their definitions.
double plainScale(double raw) {
  return 1.1434511434511434 * (raw / 42.0) - 0.12978912978912938;
}
double boostScale(double raw) {
  double v = raw * 8 / 336;
  if (v <= 6) return v;
  if (v <= 12.357142857142858) return (v - 6) / 6.357142857142858 * 8 + 6;
  return (v - 12.357142857142858) / 54.59523809523809 * 71 + 14;
}

TEST(SimRates, RawFiguresScaleBackToTheWholeRate) {
  for (int mbps = 0; mbps <= 85; ++mbps) {
    EXPECT_EQ(std::trunc(plainScale(sim::hp10RawRate(mbps))), mbps) << mbps;
    EXPECT_EQ(std::trunc(boostScale(sim::boostRawRate(mbps))), mbps) << mbps;
  }
  EXPECT_EQ(sim::boostRawRate(6), 252);
  EXPECT_EQ(sim::boostRawRate(14), 519);
  EXPECT_EQ(sim::hp10RawRate(1), 42);
}

}  // namespace
}  // namespace strandline
