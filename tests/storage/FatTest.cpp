// The FAT layer on cards whose images the platform's own tools made (mkfs.fat, mcopy) and
// checked (mtype, fsck.fat), through the card driver on the virtual board.
#include "storage/Driver/SDCard.h"
#include "storage/Fat.h"

#include "CardImage.h"
#include "sim/World.h"
#include "system_stm32f4xx.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace
{

using Sim::SdCard;
using Sim::World;

class FatTest : public ::testing::Test
{
protected:
    void SetUp() override { SystemInit(); }
    static World& W() { return World::Get(); }

    static std::map<std::string, std::string> SampleFiles()
    {
        return {
            {"README.TXT", "Velmora card\r\n"},
            {"empty.dat", ""},
            {"A long file name with spaces.txt", CardImage::Pattern(3000, 1)},
            {"big.bin", CardImage::Pattern(150000, 2)}, // many clusters
            {"Grüße.txt", "umlauts in the long name"},
        };
    }

    // Inserts the image and mounts its volume through the driver.
    static void Mount(const std::string& image, SdCard::Kind kind = SdCard::Kind::Auto)
    {
        ASSERT_TRUE(W().InsertCard(image, kind));
        Driver::SDCard& card = Driver::SDCard::GetInstance();
        card.Mount();
        ASSERT_TRUE(card.IsMounted());
    }

    static std::string ReadAll(const std::string& path)
    {
        static FIL file; // any place would do; static keeps the test's stack small
        EXPECT_EQ(FR_OK, f_open(&file, path.c_str(), FA_READ)) << path;
        std::string bytes(f_size(&file), '\0');
        UINT read = 0;
        // Odd chunk sizes cross sector and cluster boundaries at every offset.
        size_t at = 0;
        while (at < bytes.size())
        {
            const UINT chunk = static_cast<UINT>(std::min<size_t>(777, bytes.size() - at));
            EXPECT_EQ(FR_OK, f_read(&file, &bytes[at], chunk, &read));
            EXPECT_EQ(chunk, read);
            if (read == 0)
                break;
            at += read;
        }
        EXPECT_EQ(FR_OK, f_read(&file, &bytes[0], 1, &read));
        EXPECT_EQ(0u, read); // at the end
        EXPECT_EQ(FR_OK, f_close(&file));
        return bytes;
    }

    static void WriteAll(const std::string& path, const std::string& bytes, BYTE mode = FA_WRITE | FA_CREATE_ALWAYS)
    {
        static FIL file;
        ASSERT_EQ(FR_OK, f_open(&file, path.c_str(), mode)) << path;
        size_t at = 0;
        while (at < bytes.size())
        {
            const UINT chunk = static_cast<UINT>(std::min<size_t>(1000, bytes.size() - at));
            UINT written = 0;
            ASSERT_EQ(FR_OK, f_write(&file, bytes.data() + at, chunk, &written));
            ASSERT_EQ(chunk, written);
            at += written;
        }
        ASSERT_EQ(FR_OK, f_close(&file));
    }

    static std::set<std::string> List(const std::string& path)
    {
        static DIR dir;
        static FILINFO info;
        std::set<std::string> names;
        EXPECT_EQ(FR_OK, f_opendir(&dir, path.c_str()));
        for (;;)
        {
            EXPECT_EQ(FR_OK, f_readdir(&dir, &info));
            if (info.fname[0] == '\0')
                break;
            names.insert(std::string(info.fname) + ((info.fattrib & AM_DIR) ? "/" : ""));
        }
        EXPECT_EQ(FR_OK, f_closedir(&dir));
        return names;
    }

    // What every volume type must do: read what mcopy put there, write what mtype reads back.
    static void ReadsAndWrites(const std::string& image)
    {
        for (const auto& file : SampleFiles())
            EXPECT_TRUE(file.second == ReadAll(file.first)) << file.first;

        const std::string log = CardImage::Pattern(70000, 9);
        WriteAll("LOG.TXT", log);
        WriteAll("data/sensor.csv", "t,v\r\n1,2\r\n");
        EXPECT_TRUE(log == ReadAll("log.txt"));
        W().RemoveCard();
        W().RunFor(World::Milliseconds(10));
        EXPECT_TRUE(log == CardImage::Type(image, "LOG.TXT"));
        EXPECT_EQ("t,v\r\n1,2\r\n", CardImage::Type(image, "data/sensor.csv"));
        EXPECT_TRUE(CardImage::Consistent(image));
    }
};

} // namespace

TEST_F(FatTest, Fat16OnAStandardCapacityCard)
{
    std::map<std::string, std::string> files = SampleFiles();
    const std::string image = CardImage::Make("fat16.img", 64ull << 20, 16, files);
    CardImage::MakeFolder(image, "data");
    Mount(image);
    EXPECT_EQ(Driver::SDCard::StandardCapacityV2, Driver::SDCard::GetInstance().GetCardType());
    EXPECT_EQ((std::set<std::string>{"README.TXT", "empty.dat", "A long file name with spaces.txt", "big.bin",
                                     "Grüße.txt", "data/"}),
              List("/"));
    ReadsAndWrites(image);
}

TEST_F(FatTest, Fat32OnAHighCapacityCard)
{
    // 4 GiB, sparse on the host: a card that only exists as a high-capacity one.
    const std::string image = CardImage::Make("fat32.img", 4ull << 30, 32, SampleFiles());
    CardImage::MakeFolder(image, "data");
    Mount(image);
    EXPECT_EQ(Driver::SDCard::HighCapacity, Driver::SDCard::GetInstance().GetCardType());
    ReadsAndWrites(image);
}

TEST_F(FatTest, Fat12OnASmallCard)
{
    const std::string image = CardImage::Make("fat12.img", 2ull << 20, 12, SampleFiles());
    CardImage::MakeFolder(image, "data");
    Mount(image);
    ReadsAndWrites(image);
}

TEST_F(FatTest, FoldersNamesAndListings)
{
    const std::string image = CardImage::Make("tree.img", 32ull << 20, 16, {{"ROOT.TXT", "root"}});
    CardImage::MakeFolder(image, "Logs of the week");
    CardImage::Run("mcopy -i " + image + " " + CardImage::Folder() + "/source0 '::/Logs of the week/monday.log'");
    Mount(image);

    EXPECT_EQ("root", ReadAll("/root.txt"));                                  // case does not matter
    EXPECT_EQ("root", ReadAll("0:/ROOT.TXT"));                                // drive prefix
    EXPECT_EQ("root", ReadAll("/logs of the week/MONDAY.LOG"));               // long folder name
    static FILINFO info;
    ASSERT_EQ(FR_OK, f_stat("Logs of the week", &info));
    EXPECT_NE(0, info.fattrib & AM_DIR);
    EXPECT_STREQ("LOGSOF~1", info.altname);
    EXPECT_EQ(FR_NO_FILE, f_stat("nothing.txt", &info));
    EXPECT_EQ(FR_NO_PATH, f_stat("nowhere/nothing.txt", &info));
    EXPECT_EQ(FR_NO_PATH, f_stat("ROOT.TXT/inside", &info));
    EXPECT_EQ(FR_INVALID_DRIVE, f_stat("1:/ROOT.TXT", &info));
    // A file is no directory, and a directory that did not open cannot be read.
    static DIR dir;
    EXPECT_EQ(FR_NO_PATH, f_opendir(&dir, "ROOT.TXT"));
    EXPECT_EQ(FR_INVALID_OBJECT, f_readdir(&dir, &info));

    // Creating: 8.3 names only, lower case kept; long names are refused, nothing is created.
    static FIL file;
    EXPECT_EQ(FR_INVALID_NAME, f_open(&file, "a name too long for 8.3.txt", FA_WRITE | FA_CREATE_NEW));
    EXPECT_EQ(FR_EXIST, f_open(&file, "root.txt", FA_WRITE | FA_CREATE_NEW));
    EXPECT_EQ(FR_OK, f_mkdir("new"));
    EXPECT_EQ(FR_EXIST, f_mkdir("NEW"));
    WriteAll("new/notes.md", "# notes\n");
    EXPECT_EQ((std::set<std::string>{"notes.md"}), List("new"));
    EXPECT_EQ((std::set<std::string>{"ROOT.TXT", "Logs of the week/", "new/"}), List(""));

    // Removing: files, then the emptied folder; a folder with something in it stays.
    EXPECT_EQ(FR_DENIED, f_unlink("new"));
    EXPECT_EQ(FR_OK, f_unlink("new/notes.md"));
    EXPECT_EQ(FR_OK, f_unlink("new"));
    EXPECT_EQ(FR_OK, f_unlink("Logs of the week/monday.log"));
    EXPECT_EQ((std::set<std::string>{}), List("Logs of the week"));
    W().RemoveCard();
    W().RunFor(World::Milliseconds(10));
    EXPECT_TRUE(CardImage::Consistent(image));
    EXPECT_EQ("root", CardImage::Type(image, "ROOT.TXT"));
}

TEST_F(FatTest, OverwritingAppendingAndSeeking)
{
    const std::string image = CardImage::Make("edit.img", 16ull << 20, 16, {{"LOG.TXT", CardImage::Pattern(9000, 4)}});
    Mount(image);
    // Replacing a long file with a short one frees its clusters.
    WriteAll("LOG.TXT", "short");
    EXPECT_EQ("short", ReadAll("LOG.TXT"));
    WriteAll("LOG.TXT", " and more", FA_WRITE | FA_OPEN_APPEND);
    EXPECT_EQ("short and more", ReadAll("LOG.TXT"));

    static FIL file;
    ASSERT_EQ(FR_OK, f_open(&file, "LOG.TXT", FA_READ | FA_WRITE));
    ASSERT_EQ(FR_OK, f_lseek(&file, 6));
    UINT done = 0;
    ASSERT_EQ(FR_OK, f_write(&file, "AND", 3, &done));
    // Seeking past the end of a file open for writing fills the gap with zeros.
    ASSERT_EQ(FR_OK, f_lseek(&file, 20));
    ASSERT_EQ(FR_OK, f_write(&file, "!", 1, &done));
    ASSERT_EQ(FR_OK, f_close(&file));
    EXPECT_EQ(std::string("short AND more") + std::string(6, '\0') + "!", ReadAll("LOG.TXT"));

    // A file opened for reading refuses writes, and a closed one refuses everything.
    ASSERT_EQ(FR_OK, f_open(&file, "LOG.TXT", FA_READ));
    EXPECT_EQ(FR_DENIED, f_write(&file, "x", 1, &done));
    ASSERT_EQ(FR_OK, f_close(&file));
    char byte;
    EXPECT_EQ(FR_INVALID_OBJECT, f_read(&file, &byte, 1, &done));

    W().RemoveCard();
    W().RunFor(World::Milliseconds(10));
    EXPECT_EQ(std::string("short AND more") + std::string(6, '\0') + "!", CardImage::Type(image, "LOG.TXT"));
    EXPECT_TRUE(CardImage::Consistent(image));
}

TEST_F(FatTest, WithoutACardOrAVolumeTheLayerSaysWhy)
{
    static FIL file;
    EXPECT_EQ(FR_NOT_ENABLED, f_open(&file, "A.TXT", FA_READ));
    Driver::SDCard& card = Driver::SDCard::GetInstance();
    try
    {
        card.Mount();
        FAIL() << "mounted an empty socket";
    }
    catch (const std::runtime_error& e)
    {
        EXPECT_STREQ("Mount Failed: 3", e.what()); // not ready
    }

    // A card without a FAT volume.
    const std::string blank = CardImage::Folder() + "/blank.img";
    CardImage::WriteFile(blank, std::string(1 << 20, '\0'));
    ASSERT_TRUE(W().InsertCard(blank));
    W().RunFor(World::Milliseconds(600));
    try
    {
        card.Mount();
        FAIL() << "mounted a blank card";
    }
    catch (const std::runtime_error& e)
    {
        EXPECT_STREQ("Mount Failed: 13", e.what()); // no file system
    }
}

TEST_F(FatTest, PullingTheCardReleasesTheVolumeAndTheNextCardMounts)
{
    const std::string first = CardImage::Make("first.img", 32ull << 20, 16, {{"ONE.TXT", "one"}});
    const std::string second = CardImage::Make("second.img", 8ull << 20, 12, {{"TWO.TXT", "two"}});
    Mount(first);
    static FIL file;
    ASSERT_EQ(FR_OK, f_open(&file, "ONE.TXT", FA_READ));
    W().RemoveCard();
    W().RunFor(World::Milliseconds(10));
    EXPECT_FALSE(Driver::SDCard::GetInstance().IsMounted());
    char bytes[4];
    UINT read = 0;
    EXPECT_EQ(FR_INVALID_OBJECT, f_read(&file, bytes, 3, &read));
    EXPECT_EQ(FR_NOT_ENABLED, f_open(&file, "ONE.TXT", FA_READ));

    ASSERT_TRUE(W().InsertCard(second));
    W().RunFor(World::Milliseconds(600));
    Driver::SDCard::GetInstance().Mount();
    EXPECT_EQ("two", ReadAll("TWO.TXT"));
    EXPECT_EQ(FR_NO_FILE, f_open(&file, "ONE.TXT", FA_READ));
}
