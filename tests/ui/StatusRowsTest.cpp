// The texts of the status window: worker rows, uptime and file counters.
#include "server/ui/StatusRows.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

std::string label(int32_t command) {
    return command == 3005 ? "Download File." : command == 3001 ? "" : "Get Page.";
}

uint32_t address(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    uint8_t bytes[4] = {a, b, c, d};
    uint32_t value;
    std::memcpy(&value, bytes, 4);
    return value;
}

TEST(StatusRows, RowOfEachWorkerState) {
    const uint32_t now = 100000;
    struct Case {
        const char* name;
        SlotState slot;
        ThreadRow expected;
    } cases[] = {
        {"idle",
         {.index = 0, .busySince = 0, .command = SLOT_IDLE},
         {StatePicture::Idle, "1", "Idle", "N/A", ""}},
        {"listening",
         {.index = 1, .busySince = 0, .command = SLOT_LISTENING},
         {StatePicture::Listening, "2", "", "N/A", "Listening"}},
        {"accepted, request not parsed",
         {.index = 2, .busySince = 99000, .command = SLOT_LISTENING, .clientAddress = address(127, 0, 0, 1)},
         {StatePicture::Busy, "3", "", "127.0.0.1", "Get Page."}},
        {"serving a download",
         {.index = 3, .busySince = 90500, .command = 3005, .clientAddress = address(192, 168, 100, 200)},
         {StatePicture::Busy, "4", "9", "192.168.100.200", "Download File."}},
        {"serving a web request",
         {.index = 4, .busySince = 100000, .command = 0, .clientAddress = address(10, 0, 0, 7)},
         {StatePicture::Busy, "5", "0", "10.0.0.7", "Get Page."}},
        {"serving a command with an empty label",
         {.index = 0, .busySince = 98000, .command = 3001, .clientAddress = address(10, 0, 0, 7)},
         {StatePicture::Busy, "1", "2", "10.0.0.7", ""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(threadRowFor(c.slot, now, label), c.expected) << c.name;
}

TEST(StatusRows, TimeCountsWholeSecondsAcrossTheTickWrap) {
    struct Case {
        uint32_t busySince;
        uint32_t now;
        const char* expected;
    } cases[] = {
        {1000, 1999, "0"},
        {1000, 2000, "1"},
        {0xFFFFFC18u, 5000, "6"}, // accepted 1 s before the wrap, 5 s after it
        {0xFFFFFFFFu, 0xFFFFFFFFu, "0"},
        {1, 0, "4294967"},
    };
    for (const Case& c : cases) {
        SlotState slot{.index = 0, .busySince = c.busySince, .command = 3005};
        EXPECT_EQ(threadRowFor(slot, c.now, label).time, c.expected) << c.busySince << " -> " << c.now;
    }
}

TEST(StatusRows, UptimeFormat) {
    struct Case {
        uint32_t startTick;
        uint32_t now;
        const char* expected;
    } cases[] = {
        {0, 0, "Time: 000:00:00   h:m:s"},
        {5000, 5000 + 725000, "Time: 000:12:05   h:m:s"},
        {5000, 5000 + 725999, "Time: 000:12:05   h:m:s"},
        {0xFFFFFFFFu - 99999, 725000 - 100000, "Time: 000:12:05   h:m:s"}, // across the wrap
        {0, 3600u * 1000u * 1000u + 61000u, "Time: 1000:01:01   h:m:s"},
        {1, 0, "Time: 1193:02:47   h:m:s"}, // the longest difference before the counter wraps
    };
    for (const Case& c : cases)
        EXPECT_EQ(uptimeText(c.now, c.startTick), c.expected);
}

TEST(StatusRows, CountersPrintWithThreeDigits) {
    struct Case {
        int32_t count;
        const char* sent;
        const char* received;
    } cases[] = {
        {0, "Sent Files: 000", "Received: 000"},      {1, "Sent Files: 001", "Received: 001"},
        {42, "Sent Files: 042", "Received: 042"},     {999, "Sent Files: 999", "Received: 999"},
        {1000, "Sent Files: 1000", "Received: 1000"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sentFilesText(c.count), c.sent);
        EXPECT_EQ(receivedFilesText(c.count), c.received);
    }
}

} // namespace
