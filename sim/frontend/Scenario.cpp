#include "sim/frontend/Scenario.h"

#include <yaml-cpp/yaml.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace Sim
{

namespace
{

class Reader
{
public:
    explicit Reader(const std::string& name) : m_name(name) {}

    [[noreturn]] void Fail(const YAML::Node& node, const std::string& problem) const
    {
        Fail(node.Mark().line + 1, problem);
    }
    [[noreturn]] void Fail(int line, const std::string& problem) const
    {
        throw ScenarioError(m_name + ":" + std::to_string(line) + ": " + problem);
    }

    std::string Text(const YAML::Node& node, const std::string& what) const
    {
        if (!node.IsScalar())
            Fail(node, what + " must be a single value");
        return node.Scalar();
    }

    double Number(const YAML::Node& node, const std::string& what) const
    {
        const std::string text = Text(node, what);
        try
        {
            size_t used = 0;
            const double value = std::stod(text, &used);
            if (used == text.size() && std::isfinite(value))
                return value;
        }
        catch (const std::exception&)
        {
        }
        Fail(node, what + " must be a number, not \"" + text + "\"");
    }

    int Integer(const YAML::Node& node, const std::string& what, int low, int high) const
    {
        const std::string text = Text(node, what);
        try
        {
            size_t used = 0;
            const long value = std::stol(text, &used, 10);
            if (used == text.size() && value >= low && value <= high)
                return static_cast<int>(value);
        }
        catch (const std::exception&)
        {
        }
        Fail(node, what + " must be a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                       ", not \"" + text + "\"");
    }

    bool Flag(const YAML::Node& node, const std::string& what, const char* yes, const char* no) const
    {
        const std::string text = Text(node, what);
        if (text == yes)
            return true;
        if (text == no)
            return false;
        Fail(node, what + " must be " + yes + " or " + no + ", not \"" + text + "\"");
    }

    Tick Duration(const YAML::Node& node, const std::string& what) const
    {
        const std::string text = Text(node, what);
        Tick ticks = 0;
        if (!ParseDuration(text, ticks))
            Fail(node, what + " \"" + text + "\" is not a duration (a number with us, ms, s or min, as in 1.5s)");
        return ticks;
    }

    void Pixel(const YAML::Node& node, const std::string& what, Step& step) const
    {
        if (!node.IsSequence() || node.size() != 2)
            Fail(node, what + " must be a pixel [x, y]");
        step.x = Number(node[0], what + " x");
        step.y = Number(node[1], what + " y");
        if (step.x < 0 || step.x >= panelWidth || step.y < 0 || step.y >= panelHeight)
        {
            char text[160];
            std::snprintf(text, sizeof text, "%s [%g, %g] is off the panel (x 0 to %d, y 0 to %d)", what.c_str(),
                          step.x, step.y, panelWidth - 1, panelHeight - 1);
            Fail(node, text);
        }
    }

    // The fields of a mapping argument, each known and each required one present.
    std::map<std::string, YAML::Node> Fields(const YAML::Node& node, const std::string& step,
                                             const std::set<std::string>& required,
                                             const std::set<std::string>& optional = {}) const
    {
        std::map<std::string, YAML::Node> fields;
        if (node.IsNull() && required.empty())
            return fields;
        if (!node.IsMap())
            Fail(node, step + " takes a mapping {...}");
        for (const auto& entry : node)
        {
            const std::string key = Text(entry.first, step + " field");
            if (!required.count(key) && !optional.count(key))
                Fail(entry.first, step + " has no field \"" + key + "\"");
            if (fields.count(key))
                Fail(entry.first, step + " names \"" + key + "\" twice");
            fields[key] = entry.second;
        }
        for (const std::string& key : required)
            if (!fields.count(key))
                Fail(node, step + " needs \"" + key + "\"");
        return fields;
    }

    Step ReadStep(const YAML::Node& node) const
    {
        if (!node.IsMap() || node.size() != 1)
            Fail(node, "a step is one \"name: argument\" pair, as in \"wait: 1s\"");
        const auto entry = *node.begin();
        const std::string name = Text(entry.first, "step name");
        const YAML::Node& argument = entry.second;
        Step step;
        step.line = entry.first.Mark().line + 1;
        if (name == "wait")
        {
            step.kind = Step::Kind::Wait;
            step.duration = Duration(argument, "wait");
        }
        else if (name == "touch")
        {
            step.kind = Step::Kind::Touch;
            Pixel(argument, "touch", step);
        }
        else if (name == "release")
        {
            step.kind = Step::Kind::Release;
            Fields(argument, name, {});
        }
        else if (name == "tap")
        {
            step.kind = Step::Kind::Tap;
            auto fields = Fields(argument, name, {"at"}, {"hold"});
            Pixel(fields["at"], "tap at", step);
            step.hold = fields.count("hold") ? Duration(fields["hold"], "tap hold") : 100 * ticksPerMillisecond;
        }
        else if (name == "set-input" || name == "expect-input")
        {
            step.kind = name == "set-input" ? Step::Kind::SetInput : Step::Kind::ExpectInput;
            auto fields = Fields(argument, name, {"channel", "level"});
            step.channel = Integer(fields["channel"], name + " channel", 0, digitalChannelCount - 1);
            step.on = Flag(fields["level"], name + " level", "high", "low");
        }
        else if (name == "set-voltage")
        {
            step.kind = Step::Kind::SetVoltage;
            auto fields = Fields(argument, name, {"channel", "volts"});
            step.channel = Integer(fields["channel"], "set-voltage channel", 0, analogChannelCount - 1);
            step.volts = Number(fields["volts"], "set-voltage volts");
            if (step.volts < 0 || step.volts > analogFullScaleVolts)
                Fail(fields["volts"], "set-voltage volts must be from 0 to 5");
        }
        else if (name == "set-clock")
        {
            step.kind = Step::Kind::SetClock;
            step.time = Clock(argument, "set-clock");
        }
        else if (name == "expect-output")
        {
            step.kind = Step::Kind::ExpectOutput;
            auto fields = Fields(argument, name, {"channel", "on"});
            step.channel = Integer(fields["channel"], "expect-output channel", 0, digitalChannelCount - 1);
            step.on = Flag(fields["on"], "expect-output on", "true", "false");
        }
        else if (name == "expect-buzzer")
        {
            step.kind = Step::Kind::ExpectBuzzer;
            step.on = Flag(argument, "expect-buzzer", "on", "off");
        }
        else if (name == "screenshot")
        {
            step.kind = Step::Kind::Screenshot;
            step.text = FileName(argument, "screenshot");
        }
        else if (name == "expect-screenshot")
        {
            step.kind = Step::Kind::ExpectScreenshot;
            auto fields = Fields(argument, name, {"file"});
            step.text = Text(fields["file"], "expect-screenshot file");
        }
        else if (name == "expect-console")
        {
            step.kind = Step::Kind::ExpectConsole;
            if (argument.IsMap())
            {
                auto fields = Fields(argument, name, {"text"}, {"within"});
                step.text = Text(fields["text"], "expect-console text");
                step.duration = fields.count("within") ? Duration(fields["within"], "expect-console within") : 0;
            }
            else
                step.text = Text(argument, "expect-console");
        }
        else if (name == "console-send")
        {
            step.kind = Step::Kind::ConsoleSend;
            step.text = Text(argument, "console-send");
            if (step.text.empty())
                Fail(argument, "console-send needs some text");
        }
        else if (name == "usb")
        {
            step.kind = Step::Kind::Usb;
            auto fields = Fields(argument, name, {"plugged"});
            step.on = Flag(fields["plugged"], "usb plugged", "true", "false");
        }
        else if (name == "insert-card")
        {
            step.kind = Step::Kind::InsertCard;
            auto fields = Fields(argument, name, {"image"});
            step.text = Text(fields["image"], "insert-card image");
        }
        else if (name == "remove-card")
        {
            step.kind = Step::Kind::RemoveCard;
            Fields(argument, name, {});
        }
        else if (name == "random-taps")
        {
            step.kind = Step::Kind::RandomTaps;
            auto fields = Fields(argument, name, {"duration", "seed"}, {"every"});
            step.duration = Duration(fields["duration"], "random-taps duration");
            step.seed = static_cast<unsigned>(Integer(fields["seed"], "random-taps seed", 0, 1 << 30));
            step.hold = fields.count("every") ? Duration(fields["every"], "random-taps every") : 300 * ticksPerMillisecond;
            if (step.hold == 0)
                Fail(fields["every"], "random-taps every must be longer than 0");
        }
        else
            Fail(entry.first, "unknown step \"" + name +
                                  "\" (known: wait, touch, release, tap, set-input, set-voltage, set-clock, "
                                  "expect-output, expect-input, expect-buzzer, screenshot, expect-screenshot, "
                                  "expect-console, console-send, usb, insert-card, remove-card, random-taps)");
        return step;
    }

    CalendarTime Clock(const YAML::Node& node, const std::string& what) const
    {
        const std::string text = Text(node, what);
        CalendarTime time;
        if (!ParseClockTime(text, time))
            Fail(node, what + " \"" + text + "\" is not a date and time \"YYYY-MM-DD HH:MM:SS\" from 2000 to 2099");
        return time;
    }

    std::string FileName(const YAML::Node& node, const std::string& what) const
    {
        const std::string text = Text(node, what);
        // Screenshots land in the screenshot folder: a plain file name, nothing that leaves it.
        if (text.empty() || text.find('/') != std::string::npos || text == "." || text == "..")
            Fail(node, what + " must be a plain file name, not \"" + text + "\"");
        return text;
    }

private:
    std::string m_name;
};

} // namespace

bool ParseDuration(const std::string& text, Tick& ticks)
{
    size_t used = 0;
    double value = 0;
    try
    {
        value = std::stod(text, &used);
    }
    catch (const std::exception&)
    {
        return false;
    }
    const std::string unit = text.substr(used);
    double scale = 0;
    if (unit == "us")
        scale = static_cast<double>(ticksPerMicrosecond);
    else if (unit == "ms")
        scale = static_cast<double>(ticksPerMillisecond);
    else if (unit == "s")
        scale = static_cast<double>(ticksPerSecond);
    else if (unit == "min")
        scale = 60.0 * static_cast<double>(ticksPerSecond);
    else
        return false;
    // At most a day of virtual time: anything longer is a typing mistake, not a scenario.
    if (!std::isfinite(value) || value < 0 || value * scale > 86400.0 * static_cast<double>(ticksPerSecond) ||
        !std::isdigit(static_cast<unsigned char>(text[0])))
        return false;
    ticks = static_cast<Tick>(std::llround(value * scale));
    return true;
}

bool ParseClockTime(const std::string& text, CalendarTime& time)
{
    CalendarTime t;
    char tail = 0;
    if (text.size() != 19 || std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &t.year, &t.month, &t.day,
                                         &t.hours, &t.minutes, &t.seconds, &tail) != 6)
        return false;
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.year < 2000 || t.year > 2099 || t.month < 1 || t.month > 12 || t.hours > 23 || t.minutes > 59 ||
        t.seconds > 59 || t.hours < 0 || t.minutes < 0 || t.seconds < 0)
        return false;
    const bool leap = t.year % 4 == 0; // every fourth year between 2000 and 2099
    const int monthDays = days[t.month - 1] + (t.month == 2 && leap ? 1 : 0);
    if (t.day < 1 || t.day > monthDays)
        return false;
    time = t;
    return true;
}

std::string FormatClockTime(const CalendarTime& time)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day, time.hours,
                  time.minutes, time.seconds);
    return text;
}

Scenario ParseScenario(const std::string& text, const std::string& name)
{
    Reader reader(name);
    YAML::Node root;
    try
    {
        root = YAML::Load(text);
    }
    catch (const YAML::Exception& e)
    {
        reader.Fail(e.mark.line + 1, e.msg);
    }

    Scenario scenario;
    scenario.path = name;
    YAML::Node steps = root;
    if (root.IsMap())
    {
        for (const auto& entry : root)
        {
            const std::string key = reader.Text(entry.first, "scenario field");
            if (key == "clock")
            {
                scenario.clock = reader.Clock(entry.second, "clock");
                scenario.clockGiven = true;
            }
            else if (key != "steps" && key != "name")
                reader.Fail(entry.first, "a scenario has \"name\", \"clock\" and \"steps\", not \"" + key + "\"");
        }
        steps = root["steps"];
        if (!steps)
            reader.Fail(root, "the scenario has no \"steps\"");
    }
    if (!steps.IsSequence())
        reader.Fail(steps, "the steps must be a list (\"- wait: 1s\" a line)");
    for (const YAML::Node& node : steps)
        scenario.steps.push_back(reader.ReadStep(node));
    return scenario;
}

Scenario LoadScenario(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw ScenarioError(path + ": cannot be read");
    std::ostringstream text;
    text << file.rdbuf();
    return ParseScenario(text.str(), path);
}

} // namespace Sim
