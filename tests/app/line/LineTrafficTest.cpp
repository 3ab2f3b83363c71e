// The hub every tool of the line listens to: who is told, and what.

#include "app/line/LineTraffic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavrin::testing {
namespace {

// Writes down what it is told, and may leave or drop another listener when told.
struct Recorder : LineListener {
    std::vector<std::string> told;
    LineTraffic* traffic = nullptr;
    LineListener* dropOnSent = nullptr;

    void Sent(LineClock::time_point, char byte) override {
        told.push_back(std::string("TX ") + byte);
        if (dropOnSent)
            traffic->Leave(dropOnSent);
    }
    void Received(LineClock::time_point, std::string_view bytes) override {
        told.push_back("RX " + std::string(bytes));
    }
    void LineErrors(LineClock::time_point, TComErrors) override { told.push_back("ERR"); }
    void Opened(LineClock::time_point, const LineSettings& s) override {
        told.push_back("OPEN " + Describe(s));
    }
    void Closed(LineClock::time_point) override { told.push_back("CLOSE"); }
    void SettingsChanged(LineClock::time_point, const LineSettings& s) override {
        told.push_back("SET " + Describe(s));
    }
    void DsrChanged(LineClock::time_point, bool on) override {
        told.push_back(on ? "DSR 1" : "DSR 0");
    }
};

TEST(LineTrafficTest, DescribesTheFramingAsATerminalWritesIt) {
    const struct {
        std::int32_t dataBits;
        TParityBits parity;
        TStopBits stop;
        const char* expected;
    } cases[] = {
        {8, prNone, sbOneStopBit, "COM1 9600 8N1"},    {7, prEven, sbTwoStopBits, "COM1 9600 7E2"},
        {5, prOdd, sbOne5StopBits, "COM1 9600 5O1.5"}, {6, prMark, sbOneStopBit, "COM1 9600 6M1"},
        {8, prSpace, sbOneStopBit, "COM1 9600 8S1"},
    };
    for (const auto& c : cases) {
        LineSettings s{"COM1", 9600, c.dataBits, c.parity, c.stop};
        EXPECT_EQ(Describe(s), c.expected);
    }
}

TEST(LineTrafficTest, TellsOnlyChangesOfSettingsAndNothingForEmptyReads) {
    LineTraffic traffic;
    Recorder r;
    traffic.Follow({"COM1", 9600, 8, prNone, sbOneStopBit}); // the start: nobody listens yet
    traffic.Listen(&r);
    traffic.Listen(&r); // joining twice is joining once
    traffic.Follow({"COM1", 9600, 8, prNone, sbOneStopBit});
    traffic.Follow({"COM2", 19200, 7, prEven, sbTwoStopBits});
    traffic.Received("");
    traffic.LineErrors(TComErrors{});
    traffic.Opened(traffic.Settings());
    traffic.Sent('A');
    traffic.Received("OK");
    traffic.DsrChanged(true);
    traffic.Closed();
    EXPECT_EQ(r.told, (std::vector<std::string>{"SET COM2 19200 7E2", "OPEN COM2 19200 7E2", "TX A",
                                                "RX OK", "DSR 1", "CLOSE"}));
}

TEST(LineTrafficTest, AListenerDroppedWhileOthersAreToldIsNotToldAnyMore) {
    LineTraffic traffic;
    Recorder first, second;
    first.traffic = &traffic;
    first.dropOnSent = &second;
    traffic.Listen(&first);
    traffic.Listen(&second);
    traffic.Sent('A');
    traffic.Sent('B');
    EXPECT_EQ(first.told, (std::vector<std::string>{"TX A", "TX B"}));
    EXPECT_TRUE(second.told.empty());
}

} // namespace
} // namespace tavrin::testing
