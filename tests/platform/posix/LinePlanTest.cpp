// What each control-block field means on Linux: which termios flags, which lines the driver
// moves itself. Checked without hardware.

#include "platform/driver/DcbRules.h"
#include "platform/posix/PosixTermios.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

namespace win::posix {
namespace {

struct PlanCase {
    const char* name;
    std::function<void(DCB&)> change;
    // termios
    bool ctsOutputFlow;
    bool xonXoffOut;
    bool xonXoffIn;
    // the driver's own
    bool dtrOn;
    bool rtsOn;
    InputHandshake handshake;
    bool rtsToggle;
    bool dsrOutputFlow;
    bool dsrSensitivity;
    bool holdOutputOnXoff;
};

void PrintTo(const PlanCase& c, std::ostream* os) {
    *os << c.name;
}

using H = InputHandshake;

const PlanCase kPlans[] = {
    // name, change, cts out, xon out, xon in, dtr, rts, handshake, toggle, dsr out, dsr sens, hold
    {"Defaults", [](DCB&) {}, false, false, false, true, true, H::none, false, false, false, false},
    // The main window's port: RTS handshake without CTS output flow must not hold output.
    {"RtsHandshakeIsInputFlowOnly", [](DCB& d) { d.fRtsControl = RTS_CONTROL_HANDSHAKE; }, false,
     false, false, true, true, H::rts, false, false, false, false},
    {"CtsOutputFlowAlone", [](DCB& d) { d.fOutxCtsFlow = 1; }, true, false, false, true, true,
     H::none, false, false, false, false},
    {"FullHardwareHandshake",
     [](DCB& d) {
         d.fOutxCtsFlow = 1;
         d.fRtsControl = RTS_CONTROL_HANDSHAKE;
     },
     true, false, false, true, true, H::rts, false, false, false, false},
    {"DtrHandshake", [](DCB& d) { d.fDtrControl = DTR_CONTROL_HANDSHAKE; }, false, false, false,
     true, true, H::dtr, false, false, false, false},
    {"DtrAndRtsHandshake",
     [](DCB& d) {
         d.fDtrControl = DTR_CONTROL_HANDSHAKE;
         d.fRtsControl = RTS_CONTROL_HANDSHAKE;
     },
     false, false, false, true, true, H::both, false, false, false, false},
    {"LinesDisabled",
     [](DCB& d) {
         d.fDtrControl = DTR_CONTROL_DISABLE;
         d.fRtsControl = RTS_CONTROL_DISABLE;
     },
     false, false, false, false, false, H::none, false, false, false, false},
    {"RtsToggleIsLowWhileIdle", [](DCB& d) { d.fRtsControl = RTS_CONTROL_TOGGLE; }, false, false,
     false, true, false, H::none, true, false, false, false},
    {"DsrOutputFlow", [](DCB& d) { d.fOutxDsrFlow = 1; }, false, false, false, true, true, H::none,
     false, true, false, false},
    {"DsrSensitivity", [](DCB& d) { d.fDsrSensitivity = 1; }, false, false, false, true, true,
     H::none, false, false, true, false},
    {"XonXoffBothWaysHoldsOutputWhileInputIsHeld",
     [](DCB& d) {
         d.fOutX = 1;
         d.fInX = 1;
     },
     false, true, true, true, true, H::none, false, false, false, true},
    {"XonXoffInWithTxContinueOnXoff",
     [](DCB& d) {
         d.fInX = 1;
         d.fTXContinueOnXoff = 1;
     },
     false, false, true, true, true, H::none, false, false, false, false},
    {"XonXoffOutOnly", [](DCB& d) { d.fOutX = 1; }, false, true, false, true, true, H::none, false,
     false, false, false},
};

class LinePlanTest : public ::testing::TestWithParam<PlanCase> {};

TEST_P(LinePlanTest, MapsEachFieldToWhatItMeans) {
    const PlanCase& c = GetParam();
    DCB dcb = DefaultDcb();
    c.change(dcb);
    const LinePlan plan = LinePlanOf(dcb);
    EXPECT_EQ(plan.settings.ctsOutputFlow, c.ctsOutputFlow);
    EXPECT_EQ(plan.settings.xonXoffOut, c.xonXoffOut);
    EXPECT_EQ(plan.settings.xonXoffIn, c.xonXoffIn);
    EXPECT_EQ(plan.actions.dtrOn, c.dtrOn);
    EXPECT_EQ(plan.actions.rtsOn, c.rtsOn);
    EXPECT_EQ(plan.actions.inputHandshake, c.handshake);
    EXPECT_EQ(plan.actions.rtsToggle, c.rtsToggle);
    EXPECT_EQ(plan.actions.dsrOutputFlow, c.dsrOutputFlow);
    EXPECT_EQ(plan.actions.dsrSensitivity, c.dsrSensitivity);
    EXPECT_EQ(plan.actions.holdOutputOnXoff, c.holdOutputOnXoff);
}

INSTANTIATE_TEST_SUITE_P(Posix, LinePlanTest, ::testing::ValuesIn(kPlans),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SpeedCode, StandardRatesKeepTheirConstantAndOthersTakeTheFreeForm) {
    // Linux's values, written out so that the test shares no header with the backend.
    constexpr std::uint32_t kBother = 010000;
    const struct {
        DWORD rate;
        std::uint32_t code;
    } rows[] = {{9600, 015},       {115200, 010002}, {110, 03},         {4000000, 010017},
                {250000, kBother}, {250, kBother},   {128000, kBother}, {256000, kBother}};
    for (const auto& row : rows)
        EXPECT_EQ(SpeedCodeOf(row.rate), row.code) << row.rate;
}

} // namespace
} // namespace win::posix
