#include <gtest/gtest.h>

#include <vector>

#include "system/FramePace.h"

namespace varnox {
namespace {

struct PaceCase {
    const char* name;
    int speed;
    std::vector<double> frames;  // host ms between frames
    long long ticks;             // run ticks they make in all
};

const PaceCase PaceCases[] = {
    {"1x at 60 frames a second keeps a second's worth", 1, std::vector<double>(60, 1000.0 / 60), 100},
    {"8x at 60 frames a second", 8, std::vector<double>(60, 1000.0 / 60), 800},
    {"the rest of a tick carries to the next frame", 1, {4, 4, 4}, 1},
    {"a long gap catches up a tenth of a second", 2, {5000}, 20},
    {"no time, or time backwards, runs nothing", 4, {0, -30}, 0},
    {"Unlimited leaves the count to the frame's end", FramePace::Unlimited, {16, 16}, 0},
};

class FramePaceTest : public testing::TestWithParam<PaceCase> {};

TEST_P(FramePaceTest, TicksFollowHostTimeAtTheSpeed) {
    FramePace pace;
    pace.SetSpeed(GetParam().speed);
    long long ticks = 0;
    for (const double ms : GetParam().frames) ticks += pace.TicksDue(ms);
    EXPECT_EQ(ticks, GetParam().ticks);
}

INSTANTIATE_TEST_SUITE_P(Cases, FramePaceTest, testing::ValuesIn(PaceCases));

}  // namespace
}  // namespace varnox
