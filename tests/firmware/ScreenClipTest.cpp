// Clips of the default firmware's display made with varnox-tool run --gif,
// decoded back with giflib: every frame is the --screen picture of a run
// ended at the tick it starts, the delays add up to the run, and a
// recording replays into the same clip.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/GifFrames.h"
#include "support/ToolRunner.h"

namespace varnox {
namespace {

using test::DecodeGif;
using test::GifFrame;
using test::RunTool;
using test::ScratchDir;
namespace fs = std::filesystem;

// 1 for a black pixel, row by row, as GifFrame holds them.
std::vector<int> ReadPbm(const std::string& text) {
    std::istringstream in(text);
    std::string magic;
    int width = 0, height = 0;
    in >> magic >> width >> height;
    std::vector<int> pixels(static_cast<size_t>(width * height));
    for (int& pixel : pixels) in >> pixel;
    return pixels;
}

TEST(ScreenClip, FramesAreTheScreensAtTheirTicksAndLastAsLongAsTheRun) {
    const struct {
        const char* name;
        std::vector<std::string> holds;
        std::string ticks;
        std::string scale;
        bool replayed;
    } cases[] = {
        {"CALC 1+2 =, ending on a refresh tick", {"8@10-20", "41@40-50", "44@60-70", "42@80-90", "50@100-110"}, "201", "1", false},
        {"scaled, ending before the last change is refreshed", {"8@10-20", "41@40-50", "44@60-64"}, "62", "3", false},
        {"OFF blanks the display, ON/C wakes it", {"6@10-15", "35@50-55"}, "120", "2", false},
        {"recorded, then replayed", {"8@10-20", "41@40-50", "44@60-70"}, "90", "1", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        for (const char* name : {"rom0.bin", "rom1.bin", "charset.bin", "varnox.ini"}) {
            fs::copy_file(fs::path(VARNOX_RUN_DIR) / name, dir.path() / name);
        }
        std::vector<std::string> holds;
        for (const std::string& hold : c.holds) holds.insert(holds.end(), {"--hold", hold});
        const auto runTo = [&](const std::string& ticks, std::vector<std::string> args) {
            args.insert(args.begin(), {"run", "--no-save", "--scale", c.scale, "--ticks", ticks});
            args.insert(args.end(), holds.begin(), holds.end());
            return RunTool(dir.path(), args);
        };
        auto run = runTo(c.ticks, {"--gif", "c.gif", "--screen", "s.pbm", "--record", "r.vxr"});
        ASSERT_EQ(run.status, 0) << run.err;
        if (c.replayed) {
            const std::string recorded = dir.ReadText("c.gif");
            run = RunTool(dir.path(), {"run", "--no-save", "--scale", c.scale, "--replay", "r.vxr", "--gif", "c.gif"});
            ASSERT_EQ(run.status, 0) << run.err;
            EXPECT_EQ(dir.ReadText("c.gif"), recorded);
        }
        const std::string file = dir.ReadText("c.gif");
        EXPECT_EQ(file.substr(0, 6), "GIF89a");
        EXPECT_NE(file.find("NETSCAPE2.0"), std::string::npos);  // loops
        const std::vector<GifFrame> frames = DecodeGif(dir.path() / "c.gif");
        ASSERT_GT(frames.size(), 1u);
        EXPECT_EQ(frames.back().pixels, ReadPbm(dir.ReadText("s.pbm")));
        int tick = 0;
        for (size_t i = 0; i < frames.size(); ++i) {
            // A frame shows the picture at the end of its first tick.
            ASSERT_EQ(runTo(std::to_string(tick + 1), {"--screen", "f.pbm"}).status, 0);
            EXPECT_EQ(frames[i].pixels, ReadPbm(dir.ReadText("f.pbm"))) << "frame " << i << " at tick " << tick + 1;
            EXPECT_GT(frames[i].delay, 0) << "frame " << i;
            // The display changes at refresh ticks, every third from power-on.
            const bool between = i > 0 && i + 1 < frames.size();
            EXPECT_TRUE(!between || (tick + 1) % 3 == 0) << "frame " << i << " at tick " << tick + 1;
            tick += frames[i].delay;
        }
        EXPECT_EQ(std::to_string(tick), c.ticks);  // a hundredth of a second a run tick
    }
}

}  // namespace
}  // namespace varnox
