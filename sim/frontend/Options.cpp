#include "sim/frontend/Options.h"

#include "sim/Console.h"
#include "sim/World.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

namespace Sim
{

namespace
{

const char* const usage =
    "usage: velmora-sim [--headless --scenario FILE [--screenshot-dir DIR]] [--state DIR] [--console-pty]\n"
    "  --headless            run without a window; needs --scenario\n"
    "  --scenario FILE       steps to run (YAML); in a window they run while you watch\n"
    "  --screenshot-dir DIR  where screenshots and the console transcript go (default: .)\n"
    "  --state DIR           keeps the EEPROM image and the clock between runs\n"
    "  --console-pty         the USB console on a pseudo-terminal (its path is printed); headless,\n"
    "                        it runs until stopped, in real time\n";

bool MakeDirectory(const std::string& path, std::string& error)
{
    if (mkdir(path.c_str(), 0777) == 0 || errno == EEXIST)
    {
        struct stat info{};
        if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
            return true;
        error = path + " is not a folder";
        return false;
    }
    error = path + ": " + std::strerror(errno);
    return false;
}

CalendarTime FromHost(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    CalendarTime time;
    time.year = local.tm_year + 1900;
    time.month = local.tm_mon + 1;
    time.day = local.tm_mday;
    time.hours = local.tm_hour;
    time.minutes = local.tm_min;
    time.seconds = local.tm_sec;
    // The clock chip counts 2000 to 2099.
    if (time.year < 2000 || time.year > 2099)
        time = CalendarTime{};
    return time;
}

std::time_t ToHost(const CalendarTime& time)
{
    std::tm local{};
    local.tm_year = time.year - 1900;
    local.tm_mon = time.month - 1;
    local.tm_mday = time.day;
    local.tm_hour = time.hours;
    local.tm_min = time.minutes;
    local.tm_sec = time.seconds;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

} // namespace

void Say(const std::string& text)
{
    size_t written = 0;
    while (written < text.size())
    {
        const ssize_t result = ::write(2, text.data() + written, text.size() - written);
        if (result <= 0)
            return;
        written += static_cast<size_t>(result);
    }
}

int ParseOptions(int argc, char** argv, Options& options, std::string& message)
{
    std::string scenarioPath;
    for (int i = 1; i < argc; ++i)
    {
        const std::string argument = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc)
                return false;
            into = argv[++i];
            return true;
        };
        bool ok = true;
        if (argument == "--headless")
            options.headless = true;
        else if (argument == "--scenario")
            ok = value(scenarioPath);
        else if (argument == "--screenshot-dir")
            ok = value(options.screenshotDir);
        else if (argument == "--state")
            ok = value(options.stateDir);
        else if (argument == "--console-pty")
            options.consolePty = true;
        else if (argument == "--help" || argument == "-h")
        {
            message = usage;
            return 0;
        }
        else
        {
            message = "velmora-sim: unknown argument \"" + argument + "\"\n" + usage;
            return 2;
        }
        if (!ok)
        {
            message = "velmora-sim: " + argument + " needs a value\n" + usage;
            return 2;
        }
    }
    if (options.headless && scenarioPath.empty() && !options.consolePty)
    {
        message = "velmora-sim: --headless needs --scenario FILE or --console-pty\n" + std::string(usage);
        return 2;
    }
    if (!scenarioPath.empty())
    {
        try
        {
            options.scenario = LoadScenario(scenarioPath);
        }
        catch (const ScenarioError& e)
        {
            message = std::string(e.what()) + "\nvelmora-sim: the scenario was not run\n";
            return 2;
        }
    }
    std::string error;
    if ((!scenarioPath.empty() && !MakeDirectory(options.screenshotDir, error)) ||
        (!options.stateDir.empty() && !MakeDirectory(options.stateDir, error)))
    {
        message = "velmora-sim: " + error + "\n";
        return 2;
    }
    return -1;
}

bool PrepareBoard(World& world, const Options& options, std::string& error)
{
    CalendarTime clock = FromHost(std::time(nullptr));
    if (!options.stateDir.empty())
    {
        const std::string eeprom = options.stateDir + "/eeprom.bin";
        if (access(eeprom.c_str(), F_OK) == 0 && !world.LoadEeprom(eeprom, error))
            return false;
        // "YYYY-MM-DD HH:MM:SS" of the clock chip, then the host's time when it was saved.
        std::ifstream file(options.stateDir + "/clock.txt");
        std::string line;
        if (file && std::getline(file, line))
        {
            CalendarTime saved;
            long long savedAt = 0;
            if (line.size() < 21 || !ParseClockTime(line.substr(0, 19), saved) ||
                std::sscanf(line.c_str() + 20, "%lld", &savedAt) != 1)
            {
                error = options.stateDir + "/clock.txt does not hold a saved clock";
                return false;
            }
            const std::time_t now = std::time(nullptr);
            const std::time_t elapsed = now > savedAt ? now - static_cast<std::time_t>(savedAt) : 0;
            clock = FromHost(ToHost(saved) + elapsed);
        }
    }
    if (options.scenario.clockGiven)
        clock = options.scenario.clock;
    world.SetClockTime(clock);
    return true;
}

bool SaveState(World& world, const Options& options, std::string& error)
{
    if (options.stateDir.empty())
        return true;
    if (!world.SaveEeprom(options.stateDir + "/eeprom.bin", error))
        return false;
    const std::string path = options.stateDir + "/clock.txt";
    std::ofstream file(path, std::ios::trunc);
    file << FormatClockTime(world.ClockTime()) << " " << static_cast<long long>(std::time(nullptr)) << "\n";
    file.close();
    if (!file)
    {
        error = path + " could not be written";
        return false;
    }
    return true;
}

void EndRun(World& world, const Options& options, int status, const std::string& failure)
{
    std::fflush(nullptr);
    if (!failure.empty())
        Say(options.scenario.path + ":" + failure.substr(5) + "\n");
    if (!options.scenario.path.empty() && options.headless)
    {
        const std::string transcript = options.screenshotDir + "/console.txt";
        std::ofstream file(transcript, std::ios::binary | std::ios::trunc);
        file << Console::Text();
        if (!file)
            Say("velmora-sim: " + transcript + " could not be written\n");
    }
    std::string error;
    if (!SaveState(world, options, error))
    {
        Say("velmora-sim: the state was not kept: " + error + "\n");
        status = status == 0 ? 2 : status;
    }
    std::_Exit(status);
}

} // namespace Sim
