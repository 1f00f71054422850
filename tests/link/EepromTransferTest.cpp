#include "FakeI2cDevice.h"
#include "link/Link.h"
#include "RecordingPortIo.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <sstream>

using namespace pellmora;
using namespace pellmora::link;

namespace pellmora::test {
namespace {

std::string Hex(int v)
{
    std::ostringstream s;
    s << std::hex;
    s.width(2);
    s.fill('0');
    s << v;
    return s.str();
}

struct Bench {
    RecordingPortIo io;
    LinkState state;
    Link link{io, state};
    FakeI2cDevice device{io, 0x2F8};
    std::array<quint8, 512> image{};

    Bench()
    {
        state.LoopCount = 0;
        for (int i = 0; i < 512; ++i)
            image[i] = quint8(i * 7 + 3);
    }
};

// The transcript of one page pass: start, select, word address, the data.
std::string PagePass(int address, const std::array<quint8, 512> &image, int size)
{
    std::string s = "S " + Hex(0xA0 | ((address >> 8) << 1)) + "+ " + Hex(address & 0xFF) + "+";
    // Appended piece by piece: GCC 12 at -O3 takes " " + std::string for an
    // overlapping copy (-Wrestrict).
    for (int i = 0; i < size; ++i)
        s.append(" ").append(Hex(image[address + i])).append("+");
    return s + " P";
}

TEST(EepromWrite, WholeImageAgainstADeviceBusyOncePerPage)
{
    Bench b;
    b.device.busySelectsAfterWrite = 1;
    ASSERT_TRUE(b.link.EepromWrite(b.image, 512, 0, 16));

    std::string expected;
    for (int page = 0; page < 32; ++page) {
        // Pages of block 1 go out with select a2 and word addresses 00..f0.
        const std::string select = Hex(0xA0 | (((page * 16) >> 8) << 1));
        if (page > 0) // the write cycle: one refused select, one answered poll
            expected += " S " + select + "- S " + select + "+ P ";
        expected += PagePass(page * 16, b.image, 16);
    }
    expected += " P"; // the closing stop
    EXPECT_EQ(b.device.text(), expected);
    EXPECT_EQ(b.device.memory, b.image);
    // Left pointing after the last byte: block bits 2 (0x200), which a 24LC04
    // takes as block 0.
    EXPECT_EQ(b.link.deviceSelect(), 0xA4);
}

TEST(EepromWrite, PassCountsOfTheWholeImage)
{
    Bench b;
    b.device.busySelectsAfterWrite = 1;
    ASSERT_TRUE(b.link.EepromWrite(b.image, 512, 0, 16));
    // Built by appending: GCC 12 at -O3 takes " " + std::string for an
    // overlapping copy (-Wrestrict).
    std::string t(" ");
    t.append(b.device.text()).append(" ");
    const auto count = [&](const std::string &what) {
        int n = 0;
        for (std::size_t at = t.find(what); at != std::string::npos; at = t.find(what, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count(" S a0+ ") + count(" S a2+ "), 32 + 31) << "32 page passes and 31 answered polls";
    EXPECT_EQ(count(" S a0- ") + count(" S a2- "), 31) << "one refused select before each page but the first";
    EXPECT_EQ(count(" P "), 32 + 31 + 1);
}

struct PollCase {
    int busySelects;
    bool succeeds;
    int startsOfSecondPage; // starts from the refused select to the stop of the polling pass
};

TEST(EepromWrite, AcknowledgePollingGivesUpAfterItsLimit)
{
    // The first page goes in at once; the device then refuses busySelects
    // select bytes. The refused address byte of the pass and up to 500 polls
    // are allowed: an answer to the 501st poll still counts as a failure.
    const PollCase cases[] = {
        {1, true, 2}, {499, true, 500}, {500, true, 501}, {501, false, 502}, {600, false, 502},
    };
    for (const PollCase &c : cases) {
        SCOPED_TRACE(c.busySelects);
        Bench b;
        b.device.busySelectsAfterWrite = c.busySelects;
        EXPECT_EQ(b.link.EepromWrite(b.image, 32, 0, 16), c.succeeds);
        const std::string t = b.device.text();
        const std::string firstPage = PagePass(0, b.image, 16);
        ASSERT_EQ(t.rfind(firstPage, 0), 0u);
        std::string polling;
        for (int i = 0; i < c.startsOfSecondPage; ++i)
            polling += i < c.busySelects ? " S a0-" : " S a0+";
        polling += " P";
        const std::string rest = t.substr(firstPage.size());
        ASSERT_EQ(rest.rfind(polling, 0), 0u) << rest.substr(0, 80);
        if (c.succeeds)
            EXPECT_EQ(rest.substr(polling.size()), std::string(" ").append(PagePass(16, b.image, 16)).append(" P"));
        else
            EXPECT_EQ(rest.substr(polling.size()), " P") << "two stops in a row end the failed transfer";
    }
}

TEST(EepromWrite, ADeviceThatNeverAnswersGetsOneSelectAnd501Polls)
{
    Bench b;
    b.device.neverAcknowledge = true;
    EXPECT_FALSE(b.link.EepromWrite(b.image, 512, 0, 16));
    std::string expected;
    for (int i = 0; i < 502; ++i)
        expected += "S a0- ";
    EXPECT_EQ(b.device.text(), expected + "P P");
}

// The wait after the last page polls a silent memory past the poll limit
// until its minimum wait has passed; without a minimum wait it stops at the
// limit, as between pages.
TEST(AcknowledgePolling, ASilentMemoryIsPolledUntilTheLimitAndTheMinimumWait)
{
    for (const std::chrono::milliseconds wait : {std::chrono::milliseconds(0), std::chrono::milliseconds(5)}) {
        SCOPED_TRACE(wait.count());
        Bench b;
        b.device.neverAcknowledge = true;
        EXPECT_EQ(b.link.PollForAcknowledge(0xA0, 3, wait), Ack::Refused);
        const std::string t = b.device.text();
        std::size_t polls = 0;
        for (std::size_t at = t.find("S a0-"); at != std::string::npos; at = t.find("S a0-", at + 1))
            ++polls;
        EXPECT_EQ(t.size(), polls * 6 - 1) << "start and refused select, nothing else";
        if (wait.count() == 0)
            EXPECT_EQ(polls, 4u);
        else
            EXPECT_GT(polls, 4u);
    }
}

TEST(EepromWrite, ARefusedByteEndsTheTransferAfterItsPage)
{
    struct Case {
        const char *name;
        bool refuseWord;
        int refuseData;
        const char *tail;
        quint8 wordAddressAfter; // the refused byte counts as sent
    };
    const Case cases[] = {
        {"word address", true, -1, "S a0+ 00- P P", 0x00},
        {"third data byte", false, 2, "S a0+ 00+ 03+ 0a+ 11- P P", 0x03},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Bench b;
        b.device.refuseWordAddress = c.refuseWord;
        b.device.refuseDataByte = c.refuseData;
        EXPECT_FALSE(b.link.EepromWrite(b.image, 512, 0, 16));
        EXPECT_EQ(b.device.text(), c.tail);
        EXPECT_EQ(b.link.wordAddress(), c.wordAddressAfter);
        EXPECT_EQ(b.link.deviceSelect(), 0xA0);
    }
}

TEST(EepromWrite, AddressingStaysInsideTheImageWhateverTheBlockAndCount)
{
    struct Case {
        const char *name;
        quint8 block;
        quint8 startLow;
        quint16 count;
        std::string firstPass;
    };
    // Block 7 is block 1 to a 24LC04 (it ignores the upper block bits); the
    // image index follows the byte the device addresses.
    const Case cases[] = {
        {"block 7", 7, 0x10, 16, "S ae+ 10+"},
        {"runs past 0x1ff", 1, 0xF0, 48, "S a2+ f0+"},
        {"count beyond the memory", 0, 0x00, 1024, "S a0+ 00+"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Bench b;
        b.link.SetEepromBlock(c.block);
        EXPECT_TRUE(b.link.EepromWrite(b.image, c.count, c.startLow, 16));
        EXPECT_EQ(b.device.text().rfind(c.firstPass, 0), 0u) << b.device.text().substr(0, 40);
        const int first = ((c.block & 1) << 8) | c.startLow;
        for (int i = 0; i < std::min<int>(c.count, 512); ++i) {
            const int address = (first + i) & 0x1FF;
            ASSERT_EQ(b.device.memory[address], b.image[address]) << address;
        }
    }
}

TEST(EepromWrite, PageSizeZeroIsRefusedWithoutTouchingTheBus)
{
    Bench b;
    EXPECT_FALSE(b.link.EepromWrite(b.image, 16, 0, 0));
    EXPECT_TRUE(b.io.log.empty());
    EXPECT_TRUE(b.link.EepromWrite(b.image, 0, 0, 0)) << "nothing to write is no failure";
}

TEST(EepromWrite, ProgressComesBetweenPagesAndNeverTouchesTheBus)
{
    Bench withProgress;
    withProgress.device.busySelectsAfterWrite = 1;
    std::vector<int> done;
    std::size_t accessesAtLastCall = 0;
    ASSERT_TRUE(withProgress.link.EepromWrite(withProgress.image, 512, 0, 16, [&](int n, int total) {
        EXPECT_EQ(total, 512);
        done.push_back(n);
        accessesAtLastCall = withProgress.io.log.size();
    }));
    std::vector<int> expected;
    for (int n = 16; n <= 512; n += 16)
        expected.push_back(n);
    EXPECT_EQ(done, expected);

    Bench without;
    without.device.busySelectsAfterWrite = 1;
    ASSERT_TRUE(without.link.EepromWrite(without.image, 512, 0, 16));
    EXPECT_EQ(withProgress.io.log, without.io.log);
    EXPECT_GT(withProgress.io.log.size(), accessesAtLastCall) << "the closing stop follows the last call";
}

// The interface's presence is read before every page: once it is gone, no
// further page goes out and the write fails.
TEST(EepromWrite, AnInterfaceGoneBetweenPagesEndsTheWrite)
{
    struct Case {
        const char *name;
        int presentForPages;
        bool succeeds;
    };
    const Case cases[] = {{"present throughout", 32, true}, {"gone after the first page", 1, false},
                          {"gone from the start", 0, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Bench b;
        b.device.interfacePresent = c.presentForPages > 0;
        int pages = 0;
        EXPECT_EQ(b.link.EepromWrite(b.image, 512, 0, 16,
                                     [&](int, int) { b.device.interfacePresent = ++pages < c.presentForPages; }),
                  c.succeeds);
        EXPECT_EQ(pages, c.presentForPages);
        std::string expected;
        for (int page = 0; page < c.presentForPages; ++page)
            expected += PagePass(page * 16, b.image, 16) + " ";
        EXPECT_EQ(b.device.text(), expected + (c.succeeds ? "P" : "P P")) << "the pass that found it gone sends a stop";
    }
}

TEST(EepromRead, AddressPhaseThenSequentialRead)
{
    struct Case {
        const char *name;
        quint16 count;
        quint8 startLow;
        std::string expected;
    };
    const Case cases[] = {
        // The device already drives the first data bit (0) when the master
        // stops, so no stop shows on the bus; the master still sends it.
        {"nothing", 0, 0x00, "S a0+ 00+ S a1+"},
        {"one byte", 1, 0x00, "S a0+ 00+ S a1+ <10- P"},
        {"three bytes from 0x7e", 3, 0x7E, "S a0+ 7e+ S a1+ <8e+ <8f+ <90- P"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Bench b;
        for (int i = 0; i < 512; ++i)
            b.device.memory[i] = quint8(i + 0x10);
        const auto before = b.image;
        EXPECT_TRUE(b.link.EepromRead(b.image, c.count, c.startLow));
        EXPECT_EQ(b.device.text(), c.expected);
        const std::string lines = LineOperations(b.io.log, 0x2F8);
        EXPECT_EQ(lines.substr(lines.size() - 8), "cd Cd CD");
        for (int i = 0; i < 512; ++i) {
            const bool read = i >= c.startLow && i < c.startLow + c.count;
            ASSERT_EQ(b.image[i], read ? b.device.memory[i] : before[i]) << i;
        }
    }
}

TEST(EepromRead, WholeMemoryIs511AcknowledgedBytesAndOneNot)
{
    Bench b;
    for (int i = 0; i < 512; ++i)
        b.device.memory[i] = quint8(255 - i % 256);
    ASSERT_TRUE(b.link.EepromRead(b.image, 512, 0));
    std::string expected = "S a0+ 00+ S a1+";
    for (int i = 0; i < 512; ++i)
        expected += " <" + Hex(b.device.memory[i]) + (i < 511 ? "+" : "-");
    EXPECT_EQ(b.device.text(), expected + " P");
    EXPECT_EQ(b.image, b.device.memory);
    EXPECT_EQ(b.link.deviceSelect(), 0xA1) << "the data phase leaves the select byte alone";
}

TEST(EepromRead, RefusalsStopAtTheFirstRefusedByteWithAStop)
{
    struct Case {
        const char *name;
        bool never;
        bool refuseWord;
        const char *expected;
    };
    const Case cases[] = {
        {"select", true, false, "S a0- P"},
        {"word address", false, true, "S a0+ 00- P"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Bench b;
        b.device.neverAcknowledge = c.never;
        b.device.refuseWordAddress = c.refuseWord;
        const auto before = b.image;
        EXPECT_FALSE(b.link.EepromRead(b.image, 512, 0));
        EXPECT_EQ(b.device.text(), c.expected);
        EXPECT_EQ(b.image, before);
    }
}

TEST(EepromRead, ReadingPastTheLastByteWrapsInsideTheImage)
{
    Bench b;
    for (int i = 0; i < 512; ++i)
        b.device.memory[i] = quint8(i ^ 0x5A);
    b.link.SetEepromBlock(1);
    ASSERT_TRUE(b.link.EepromRead(b.image, 600, 0xF0));
    EXPECT_EQ(b.device.text().rfind("S a2+ f0+ S a3+", 0), 0u);
    EXPECT_EQ(b.image, b.device.memory) << "600 bytes from 0x1f0 cover every address, the last 88 twice";
}

TEST(EepromRead, ProgressEverySixteenBytes)
{
    const std::pair<quint16, std::vector<int>> cases[] = {
        {512, {}}, {20, {16}}, {32, {16, 32}}, {15, {}},
    };
    for (const auto &[countIn, expectedIn] : cases) {
        const quint16 count = countIn; // a lambda may not capture a structured binding
        std::vector<int> expected = expectedIn;
        if (count == 512)
            for (int n = 16; n <= 512; n += 16)
                expected.push_back(n);
        Bench b;
        std::vector<int> done;
        ASSERT_TRUE(b.link.EepromRead(b.image, count, 0, [&](int n, int total) {
            EXPECT_EQ(total, count);
            done.push_back(n);
        }));
        EXPECT_EQ(done, expected) << count;
    }
}

} // namespace
} // namespace pellmora::test
