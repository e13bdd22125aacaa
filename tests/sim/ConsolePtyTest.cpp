// velmora-sim --console-pty with a real serial client (Debian's python3-serial) on the pty: the
// program names the pty, opening it raises DTR so the board's console talks to it, and a command
// typed there reaches the firmware's line assembler and is answered on the same terminal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace
{

// The simulator program, its output read through a pipe.
class Simulator
{
public:
    Simulator()
    {
        int out[2];
        if (pipe(out) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0)
        {
            dup2(out[1], 1);
            dup2(out[1], 2);
            close(out[0]);
            execl(VELMORA_SIM_PROGRAM, VELMORA_SIM_PROGRAM, "--headless", "--console-pty", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        m_output = fdopen(out[0], "r");
    }

    ~Simulator()
    {
        if (m_pid > 0)
        {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_output != nullptr)
            std::fclose(m_output);
    }

    // The pty's path from the program's first lines.
    std::string PtyPath()
    {
        const std::string marker = "USB console on ";
        char line[512];
        while (m_output != nullptr && std::fgets(line, sizeof line, m_output) != nullptr)
        {
            std::string text = line;
            const size_t at = text.find(marker);
            if (at == std::string::npos)
                continue;
            text = text.substr(at + marker.size());
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
                text.pop_back();
            return text;
        }
        return "";
    }

private:
    pid_t m_pid = -1;
    FILE* m_output = nullptr;
};

std::string Output(const std::string& command)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return output;
    char buffer[512];
    size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.append(buffer, count);
    pclose(pipe);
    return output;
}

TEST(ConsolePtyTest, ASerialClientOnThePtyTalksToTheFirmware)
{
    Simulator simulator;
    const std::string path = simulator.PtyPath();
    ASSERT_EQ(0u, path.find("/dev/pts/")) << path;

    // The client opens the port (DTR up), types a clock command the firmware must refuse, and
    // prints what comes back until the refusal's line end; then a valid one, answered by nothing.
    const std::string script =
        "import serial, sys, time\n"
        "port = serial.Serial(sys.argv[1], 115200, timeout=0.5)\n"
        "received = b''\n"
        "deadline = time.time() + 60\n"
        "while time.time() < deadline and b'rejected' not in received:\n"
        "    port.write(b'date_and_time 2015 2 30 1 2 3\\n')\n"
        "    end = time.time() + 3\n"
        "    while time.time() < end and not received.endswith(b'\\r\\n'):\n"
        "        received += port.read(64)\n"
        "port.close()\n"
        "sys.stdout.write(received.decode('ascii', 'replace'))\n";
    const std::string output = Output("/usr/bin/python3 -c \"$(cat <<'PY'\n" + script + "PY\n)\" " + path);
    EXPECT_NE(std::string::npos, output.find("date_and_time rejected: Not a valid value for the day of the month\r\n"))
        << output;
}

} // namespace
