// The whole library started as on the board (global references bound by the start-up, touch
// sampling running) with a card in the socket before power-on; then the card is pulled and put
// back while the system runs.
#include "storage/Driver/SDCard.h"
#include "storage/Fat.h"
#include "storage/SDCard.h"

#include "CardImage.h"
#include "sim/World.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

namespace
{

// Live blocks of the C++ heap: what the firmware allocates and frees with new and delete.
std::atomic<long> m_liveBlocks{0};

std::string m_image;

// This unit is linked ahead of the library: its constructor runs before the start-up binds the
// library's references, so the card is in the socket at power-on.
struct CardBeforePowerOn
{
    CardBeforePowerOn()
    {
        m_image = CardImage::Make("hotplug.img", 32ull << 20, 16,
                                  {{"HELLO.TXT", "hello from the card"}, {"Readings of the day.csv", "1,2,3\r\n"}});
        Sim::World::Get().InsertCard(m_image);
    }
};
CardBeforePowerOn m_cardBeforePowerOn;

std::string ReadFile(const char* path)
{
    static FIL file;
    if (f_open(&file, path, FA_READ) != FR_OK)
        return "(cannot open)";
    std::string bytes(f_size(&file), '\0');
    UINT read = 0;
    f_read(&file, &bytes[0], static_cast<UINT>(bytes.size()), &read);
    f_close(&file);
    return bytes.substr(0, read);
}

} // namespace

void* operator new(std::size_t size)
{
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr)
        throw std::bad_alloc();
    ++m_liveBlocks;
    return block;
}

void operator delete(void* block) noexcept
{
    if (block == nullptr)
        return;
    --m_liveBlocks;
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    operator delete(block);
}

TEST(HotPlugTest, CardPresentAtPowerOnThenPulledAndReinsertedThreeTimesWithoutLeaks)
{
    Sim::World& world = Sim::World::Get();
    ASSERT_EQ(&Velmora::sdCard, &Velmora::SDCard::GetInstance());
    Driver::SDCard& card = Driver::SDCard::GetInstance();
    ASSERT_EQ(3u, card.GetPowerState()); // brought up during the static constructors
    card.Mount();
    EXPECT_EQ("hello from the card", ReadFile("HELLO.TXT"));

    long before = -1;
    for (int cycle = 0; cycle < 4; ++cycle)
    {
        world.RemoveCard();
        world.RunFor(Sim::World::Milliseconds(50));
        EXPECT_FALSE(card.IsMounted());
        EXPECT_EQ(0u, card.GetPowerState());
        EXPECT_EQ("(cannot open)", ReadFile("HELLO.TXT"));

        ASSERT_TRUE(world.InsertCard(m_image));
        world.RunFor(Sim::World::Milliseconds(600));
        ASSERT_EQ(3u, card.GetPowerState()) << "cycle " << cycle;
        card.Mount();
        EXPECT_EQ("1,2,3\r\n", ReadFile("Readings of the day.csv")) << "cycle " << cycle;
        // The first cycle may create what lives for the whole run; after it nothing grows.
        if (cycle == 0)
            before = m_liveBlocks.load();
        else
            EXPECT_EQ(before, m_liveBlocks.load()) << "cycle " << cycle;
    }
}
