#include "app/PageLoop.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace
{

std::vector<std::string> m_log;
std::vector<int> m_choices; // what successive main-page visits return
int m_alive = 0;            // page objects that exist right now
int m_mostAlive = 0;
std::string m_throwIn; // name of the page whose Run throws

template <const char* Name>
struct Recorder
{
    Recorder()
    {
        ++m_alive;
        m_mostAlive = std::max(m_mostAlive, m_alive);
        m_log.push_back(std::string("new ") + Name);
    }
    ~Recorder()
    {
        --m_alive;
        m_log.push_back(std::string("delete ") + Name);
    }
    void Visit()
    {
        m_log.push_back(std::string("run ") + Name);
        if (m_throwIn == Name)
            throw std::runtime_error("page failed");
    }
};

constexpr char mainName[] = "main";
constexpr char diName[] = "di";
constexpr char doName[] = "do";
constexpr char aiName[] = "ai";

struct FakeMainPage : Recorder<mainName>
{
    int Run()
    {
        Visit();
        const int choice = m_choices.front();
        m_choices.erase(m_choices.begin());
        return choice;
    }
};
struct FakeDigitalInputsPage : Recorder<diName>
{
    void Run() { Visit(); }
};
struct FakeDigitalOutputsPage : Recorder<doName>
{
    void Run() { Visit(); }
};
struct FakeAnalogInputsPage : Recorder<aiName>
{
    void Run() { Visit(); }
};

// Runs the loop until the main page has been visited `visits` times.
void RunLoop(int visits)
{
    int passes = 0;
    PageLoop::Run<FakeMainPage, FakeDigitalInputsPage, FakeDigitalOutputsPage, FakeAnalogInputsPage>(
        [&] { return passes++ < visits; });
}

class PageLoopTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_log.clear();
        m_alive = 0;
        m_mostAlive = 0;
        m_throwIn.clear();
    }
};

} // namespace

TEST_F(PageLoopTest, MainPageFirstAndAfterEveryIoPage)
{
    m_choices = {3, 1, 2, 1};
    RunLoop(4);
    const std::vector<std::string> expected = {
        "new main", "run main", "delete main", // page 0 runs no I/O page
        "new ai",   "run ai",   "delete ai",   "new main", "run main", "delete main",
        "new di",   "run di",   "delete di",   "new main", "run main", "delete main",
        "new do",   "run do",   "delete do",   "new main", "run main", "delete main",
    };
    EXPECT_EQ(m_log, expected);
    EXPECT_EQ(m_mostAlive, 1);
    EXPECT_EQ(m_alive, 0);
}

TEST_F(PageLoopTest, SamePageTwiceIsBuiltTwice)
{
    m_choices = {2, 2, 1};
    RunLoop(3);
    int built = 0;
    int mainBuilt = 0;
    for (const auto& entry : m_log)
    {
        built += entry == "new do";
        mainBuilt += entry == "new main";
    }
    EXPECT_EQ(built, 2);
    EXPECT_EQ(mainBuilt, 3);
    EXPECT_EQ(m_mostAlive, 1);
}

TEST_F(PageLoopTest, ExceptionDestroysTheLivePageBeforeLeaving)
{
    m_choices = {1, 1};
    m_throwIn = "di";
    EXPECT_THROW(RunLoop(5), std::runtime_error);
    const std::vector<std::string> expected = {"new main", "run main", "delete main",
                                               "new di",   "run di",   "delete di"};
    EXPECT_EQ(m_log, expected);
    EXPECT_EQ(m_alive, 0);
}
