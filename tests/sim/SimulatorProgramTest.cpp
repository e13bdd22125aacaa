// velmora-sim as its users run it: the same scenario twice gives the same files, random taps
// over every page keep the soak's checks, and the window answers a mouse click under a virtual X
// server. Each case runs the program built beside this test.
#include "sim/Screenshot.h"
#include "tests/sim/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace
{

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// Runs a shell command; its exit status, with what it printed (both streams) in `output`.
int Shell(const std::string& command, std::string& output)
{
    output.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return -1;
    char buffer[4096];
    size_t read = 0;
    while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, read);
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int Simulate(const std::string& arguments, std::string& output)
{
    return Shell(std::string(VELMORA_SIM_PROGRAM) + " " + arguments, output);
}

// Every file of a folder by name, with its bytes.
std::map<std::string, std::string> Files(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] = ReadFile(entry.path().string());
    return files;
}

// Whether a PNG of the panel (or of the window, whose left part is the panel) shows the demo's
// main page: the one page on a green background.
bool ShowsMainPage(const std::string& png)
{
    try
    {
        const Sim::Image picture = Sim::ReadPng(png);
        const uint8_t* pixel = &picture.rgb[3 * (5 * picture.width + 5)];
        return pixel[1] > 2 * pixel[2] + 16;
    }
    catch (const std::exception&)
    {
        return false;
    }
}

TEST(SimulatorProgramTest, TheSameScenarioRunTwiceWritesTheSameFiles)
{
    const TempFolder folder("velmora-sim-test");
    // Inputs, a voltage, the main page, the analog page (redrawn every frame) and back: a page is up
    // well within 300 ms of its tap, and a few pages are enough to tell.
    WriteFile(folder / "tour.yaml", "clock: \"2026-12-08 13:05:00\"\n"
                                    "steps:\n"
                                    "  - set-input: {channel: 1, level: high}\n"
                                    "  - set-voltage: {channel: 2, volts: 3.3}\n"
                                    "  - wait: 300ms\n"
                                    "  - screenshot: main.png\n"
                                    "  - tap: {at: [645, 382], hold: 150ms}\n"
                                    "  - wait: 400ms\n"
                                    "  - screenshot: analog.png\n"
                                    "  - tap: {at: [750, 442], hold: 150ms}\n"
                                    "  - wait: 400ms\n"
                                    "  - screenshot: back.png\n");
    std::string output;
    for (const char* run : {"a", "b"})
        ASSERT_EQ(0, Simulate("--headless --scenario " + (folder / "tour.yaml") + " --screenshot-dir " +
                                  (folder / run),
                              output))
            << output;
    const auto first = Files(folder / "a");
    const auto second = Files(folder / "b");
    ASSERT_EQ(4u, first.size()); // three pictures and the console transcript
    EXPECT_EQ(1u, first.count("console.txt"));
    for (const auto& file : first)
    {
        ASSERT_EQ(1u, second.count(file.first)) << file.first;
        EXPECT_TRUE(file.second == second.at(file.first)) << file.first << " differs between the two runs";
    }
    EXPECT_TRUE(ShowsMainPage(folder / "a/main.png"));
    EXPECT_FALSE(ShowsMainPage(folder / "a/analog.png"));
    EXPECT_TRUE(ShowsMainPage(folder / "a/back.png"));
}

// The soak scenario's checks at a size CI affords: every page shown once by hand, then 4 virtual
// seconds of random taps instead of ten minutes. Seed 8 leaves the main page and comes back within
// the first 1.5 s, so the heap is compared at least once.
TEST(SimulatorProgramTest, RandomTapsKeepTheHeapSteadyAcrossReturnsToTheMainPage)
{
    const TempFolder folder("velmora-sim-test");
    std::string soak = ReadFile(VELMORA_SCENARIO_DIR "/soak.yaml");
    const std::string tenMinutes = "  - random-taps: {duration: 10min, seed: 7, every: 300ms}\n";
    const size_t at = soak.find(tenMinutes);
    ASSERT_NE(std::string::npos, at);
    std::string visits;
    for (const char* page : {"155", "400", "645"})
        visits += std::string("  - tap: {at: [") + page + ", 382], hold: 150ms}\n  - wait: 400ms\n"
                  "  - tap: {at: [750, 442], hold: 150ms}\n  - wait: 400ms\n";
    soak.replace(at, tenMinutes.size(), visits + "  - random-taps: {duration: 4s, seed: 8, every: 200ms}\n");
    WriteFile(folder / "soak.yaml", soak);
    std::string output;
    EXPECT_EQ(0, Simulate("--headless --scenario " + (folder / "soak.yaml") + " --screenshot-dir " + folder.Path(),
                          output))
        << output;
    const std::string report = "the main page came back ";
    const size_t returns = output.find(report);
    ASSERT_NE(std::string::npos, returns) << output;
    EXPECT_GE(std::atoi(output.c_str() + returns + report.size()), 1) << output;
}

// A person at the window, played by xdotool on a virtual X server: the window shows the main page
// (F12 keeps a picture of the whole window), and a click on a selection button changes the page.
TEST(SimulatorProgramTest, TheWindowShowsTheMainPageAndAClickChangesIt)
{
    std::string output;
    if (Shell("command -v xvfb-run && command -v xdotool", output) != 0)
        GTEST_SKIP() << "xvfb-run or xdotool is not installed (tools/setup installs them)";
    const TempFolder folder("velmora-sim-test");
    const std::string shots = folder / "shots";
    // The scenario keeps the run going long enough for the click and ends it: the click comes about
    // 2.5 s after the first picture when the window keeps up with real time, and later in virtual
    // time when it does not.
    WriteFile(folder / "window.yaml", "clock: \"2026-12-08 13:05:00\"\n"
                                      "steps:\n"
                                      "  - wait: 500ms\n"
                                      "  - screenshot: main.png\n"
                                      "  - wait: 4s\n"
                                      "  - screenshot: after.png\n");
    WriteFile(folder / "person.sh",
              "set -e\n"
              "\"$1\" --scenario \"$2\" --screenshot-dir \"$3\" &\n"
              "sim=$!\n"
              "window=$(xdotool search --sync --name velmora-sim | head -n 1)\n"
              // The main page is up once the scenario's first picture exists.
              "for i in $(seq 600); do [ -f \"$3/main.png\" ] && break; sleep 0.1; done\n"
              "xdotool key --window \"$window\" F12\n"
              "sleep 0.5\n"
              // Digital Outputs, held long enough for the touch filter even when the sanitized
              // program runs at a tenth of real time.
              "xdotool mousemove --window \"$window\" 400 382 mousedown 1 sleep 1.5 mouseup 1\n"
              "wait $sim\n");
    const int status = Shell("xvfb-run -a -s '-screen 0 1024x600x24' sh " + (folder / "person.sh") + " " +
                                 VELMORA_SIM_PROGRAM + " " + (folder / "window.yaml") + " " + shots,
                             output);
    ASSERT_EQ(0, status) << output;
    EXPECT_TRUE(ShowsMainPage(shots + "/window-1.png")) << output;
    EXPECT_TRUE(ShowsMainPage(shots + "/main.png"));
    EXPECT_FALSE(ShowsMainPage(shots + "/after.png")) << "the click did not leave the main page";
}

} // namespace
