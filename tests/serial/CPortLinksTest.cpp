// Links: registration, the slot each notice reaches, the order of the links, and a walk
// that survives slots changing the list under it.

#include "support/PortExpect.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace tavrin {
namespace {

using testing::ExpectComError;

// A link that writes every slot call into a shared trace as "<name>.<slot>[=<value>]".
struct TracingLink : TComLink {
    TracingLink(std::string name, std::vector<std::string>& trace) {
        auto signal = [&trace, name](const char* slot) {
            return [&trace, name, slot](TObject*, bool on) {
                trace.push_back(name + "." + slot + "=" + (on ? "1" : "0"));
            };
        };
        auto notice = [&trace, name](const char* slot) {
            return [&trace, name, slot](TObject*) { trace.push_back(name + "." + slot); };
        };
        OnConn = signal("Conn");
        OnCTSChange = signal("CTS");
        OnDSRChange = signal("DSR");
        OnRLSDChange = signal("RLSD");
        OnRx = signal("Rx");
        OnTx = signal("Tx");
        OnRing = notice("Ring");
        OnTxEmpty = notice("TxEmpty");
        OnRxFlag = notice("RxFlag");
        OnTxBuf = [&trace, name](TObject*, const void* buffer, std::int32_t count) {
            trace.push_back(name +
                            ".TxBuf=" + std::string(static_cast<const char*>(buffer), count));
        };
    }
};

TEST(Links, AttachingTwiceOrDetachingAStrangerIsErrorEighteenAndChangesNothing) {
    TComPort port;
    std::vector<std::string> trace;
    TracingLink a("a", trace);
    TracingLink stranger("s", trace);

    port.AttachLink(&a);
    ExpectComError([&] { port.AttachLink(&a); }, CError_RegFailed, -1);
    ExpectComError([&] { port.DetachLink(&stranger); }, CError_RegFailed, -1);
    ExpectComError([&] { port.AttachLink(nullptr); }, CError_RegFailed, -1);
    port.BroadcastNotice(lnRing);
    EXPECT_EQ(trace, (std::vector<std::string>{"a.Ring"})) << "one entry, called once";

    port.DetachLink(&a);
    ExpectComError([&] { port.DetachLink(&a); }, CError_RegFailed, -1);
    trace.clear();
    port.BroadcastNotice(lnRing);
    EXPECT_TRUE(trace.empty());
}

TEST(Links, EachNoticeReachesItsOwnSlotOnly) {
    struct Row {
        TLinkNotice notice;
        const char* bySignal; // what BroadcastSignal(notice, true) calls, "" for nothing
        const char* byNotice; // what BroadcastNotice(notice) calls
    };
    const Row rows[] = {
        {lnConn, "l.Conn=1", ""}, {lnCTS, "l.CTS=1", ""},       {lnDSR, "l.DSR=1", ""},
        {lnRLSD, "l.RLSD=1", ""}, {lnRing, "", "l.Ring"},       {lnRx, "l.Rx=1", ""},
        {lnTx, "l.Tx=1", ""},     {lnTxEmpty, "", "l.TxEmpty"}, {lnRxFlag, "", "l.RxFlag"},
    };
    TComPort port;
    std::vector<std::string> trace;
    TracingLink link("l", trace);
    port.AttachLink(&link);
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.notice));
        trace.clear();
        port.BroadcastSignal(row.notice, true);
        EXPECT_EQ(trace, *row.bySignal ? std::vector<std::string>{row.bySignal}
                                       : std::vector<std::string>{});
        trace.clear();
        port.BroadcastNotice(row.notice);
        EXPECT_EQ(trace, *row.byNotice ? std::vector<std::string>{row.byNotice}
                                       : std::vector<std::string>{});
    }
    trace.clear();
    port.BroadcastSignal(lnDSR, false);
    port.BroadcastTxBuf("xyz", 3);
    EXPECT_EQ(trace, (std::vector<std::string>{"l.DSR=0", "l.TxBuf=xyz"}));
    port.DetachLink(&link);
}

TEST(Links, SenderIsThePortAndUnassignedSlotsAreSkipped) {
    TComPort port;
    TComLink bare; // no slot assigned
    TComLink dsrOnly;
    TObject* sender = nullptr;
    dsrOnly.OnDSRChange = [&](TObject* s, bool) { sender = s; };
    port.AttachLink(&bare);
    port.AttachLink(&dsrOnly);
    for (TLinkNotice n : {lnConn, lnCTS, lnDSR, lnRLSD, lnRing, lnRx, lnTx, lnTxEmpty, lnRxFlag}) {
        port.BroadcastSignal(n, true);
        port.BroadcastNotice(n);
    }
    port.BroadcastTxBuf("x", 1);
    EXPECT_EQ(sender, &port);
    port.DetachLink(&bare);
    port.DetachLink(&dsrOnly);
}

TEST(Links, LinksAreCalledInAttachmentOrder) {
    TComPort port;
    std::vector<std::string> trace;
    TracingLink a("a", trace), b("b", trace), c("c", trace);
    port.AttachLink(&a);
    port.AttachLink(&b);
    port.AttachLink(&c);
    port.BroadcastSignal(lnCTS, true);
    EXPECT_EQ(trace, (std::vector<std::string>{"a.CTS=1", "b.CTS=1", "c.CTS=1"}));

    port.DetachLink(&b);
    trace.clear();
    port.BroadcastNotice(lnRing);
    EXPECT_EQ(trace, (std::vector<std::string>{"a.Ring", "c.Ring"}));
    port.DetachLink(&a);
    port.DetachLink(&c);
}

TEST(Links, ErrorInASlotStopsTheBroadcastThere) {
    TComPort port;
    std::vector<std::string> trace;
    TracingLink a("a", trace), c("c", trace);
    TComLink failing;
    failing.OnRing = [](TObject*) { throw std::runtime_error("slot failed"); };
    port.AttachLink(&a);
    port.AttachLink(&failing);
    port.AttachLink(&c);
    EXPECT_THROW(port.BroadcastNotice(lnRing), std::runtime_error);
    EXPECT_EQ(trace, (std::vector<std::string>{"a.Ring"}));
    port.DetachLink(&a);
    port.DetachLink(&failing);
    port.DetachLink(&c);
}

TEST(Links, SlotsThatDetachOrAttachDuringABroadcastAreSafe) {
    TComPort port;
    std::vector<std::string> trace;
    TracingLink b("b", trace), c("c", trace), late("late", trace);
    TComLink first;
    // The first link empties the list: the walk must stop, not read past the list's end.
    first.OnCTSChange = [&](TObject*, bool) {
        trace.push_back("first");
        port.DetachLink(&first);
        port.DetachLink(&b);
        port.DetachLink(&c);
    };
    port.AttachLink(&first);
    port.AttachLink(&b);
    port.AttachLink(&c);
    port.BroadcastSignal(lnCTS, true);
    EXPECT_EQ(trace, (std::vector<std::string>{"first"}));

    // A link attached during the walk is not reached by it.
    TComLink adder;
    adder.OnRing = [&](TObject*) {
        port.AttachLink(&late);
        adder.OnRing = nullptr; // once: the slot frees itself while it runs
    };
    port.AttachLink(&adder);
    trace.clear();
    port.BroadcastNotice(lnRing);
    EXPECT_TRUE(trace.empty());
    port.BroadcastNotice(lnRing);
    EXPECT_EQ(trace, (std::vector<std::string>{"late.Ring"}));
    port.DetachLink(&adder);
    port.DetachLink(&late);
}

TEST(Links, BufferTakingLinkIsNoticedOnlyAtAttachAndDetach) {
    TComPort port;
    TComLink plain, taker;
    taker.OnRxBuf = [](TObject*, const void*, std::int32_t) {};
    EXPECT_FALSE(port.AnyRxBufLink());

    port.AttachLink(&plain);
    EXPECT_FALSE(port.HasRxBufLink());
    plain.OnRxBuf = [](TObject*, const void*, std::int32_t) {};
    EXPECT_TRUE(port.AnyRxBufLink());
    EXPECT_FALSE(port.HasRxBufLink()) << "assigning the slot later is not seen";

    port.AttachLink(&taker);
    EXPECT_TRUE(port.HasRxBufLink());
    plain.OnRxBuf = nullptr;
    port.DetachLink(&taker);
    EXPECT_FALSE(port.HasRxBufLink());
    port.DetachLink(&plain);
}

} // namespace
} // namespace tavrin
