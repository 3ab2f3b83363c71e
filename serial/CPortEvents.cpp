// What the port does with each line event, and the notifications of opening and closing:
// links hear of an event before the port's own notification is fired.

#include "serial/CPort.h"
#include "serial/CPortDelivery.h"

#include <vector>

namespace tavrin {

namespace {

struct EventBit {
    TComEvent event;
    win::DWORD bit;
};

constexpr EventBit eventBits[] = {
    {evRxChar, win::EV_RXCHAR},     {evTxEmpty, win::EV_TXEMPTY}, {evRxFlag, win::EV_RXFLAG},
    {evRing, win::EV_RING},         {evBreak, win::EV_BREAK},     {evCTS, win::EV_CTS},
    {evDSR, win::EV_DSR},           {evError, win::EV_ERR},       {evRLSD, win::EV_RLSD},
    {evRx80Full, win::EV_RX80FULL},
};

} // namespace

win::DWORD EventsToMask(TComEvents events) {
    win::DWORD mask = 0;
    for (const EventBit& e : eventBits) {
        if (events.Contains(e.event))
            mask |= e.bit;
    }
    return mask;
}

TComEvents MaskToEvents(win::DWORD mask) {
    TComEvents events;
    for (const EventBit& e : eventBits) {
        if ((mask & e.bit) != 0)
            events.Include(e.event);
    }
    return events;
}

// The receive rule: either the port reads the characters once for every link that takes
// buffers, or it only tells how many wait and leaves the reading to its handler. Every
// routine stops as soon as a handler it called has closed the port (see CPortDelivery.h).
void TCustomComPort::HandleRxChar() {
    const DeliveryWatch watch(this);
    std::int32_t count = InputQueueCount();
    if (count > 0) {
        BroadcastSignal(lnRx, true);
        if (watch.Ended())
            return;
    }
    if (count > 0 && reportRxCount_ && hasRxBufLink_) {
        std::vector<unsigned char> block;
        bool read = false;
        const std::size_t linkCount = links_.size();
        for (std::size_t i = 0; i < linkCount && i < links_.size(); ++i) {
            TRxBufEvent slot = links_[i]->OnRxBuf; // a slot may free its own link
            if (!slot)
                continue;
            if (!read) {
                block.resize(static_cast<std::size_t>(count));
                ReadBytes(block.data(), count);
                read = true;
                FireRxBuf(block.data(), count);
                if (watch.Ended())
                    return;
            }
            slot(this, block.data(), count);
            if (watch.Ended())
                return;
        }
        if (read)
            count = 0;
    }
    if (count > 0)
        FireRxChar(count);
}

void TCustomComPort::HandleRxFlag() {
    const DeliveryWatch watch(this);
    BroadcastNotice(lnRxFlag);
    if (!watch.Ended())
        FireRxFlag();
}

void TCustomComPort::HandleTxEmpty() {
    const DeliveryWatch watch(this);
    BroadcastSignal(lnTx, false);
    if (watch.Ended())
        return;
    BroadcastNotice(lnTxEmpty);
    if (!watch.Ended())
        FireTxEmpty();
}

// The line-change routines report the state at handling time, not the change's direction.
void TCustomComPort::HandleCTSChange() {
    const DeliveryWatch watch(this);
    bool on = ReadSignals().Contains(msCTS);
    BroadcastSignal(lnCTS, on);
    if (!watch.Ended())
        FireCTSChange(on);
}

void TCustomComPort::HandleDSRChange() {
    const DeliveryWatch watch(this);
    bool on = ReadSignals().Contains(msDSR);
    BroadcastSignal(lnDSR, on);
    if (!watch.Ended())
        FireDSRChange(on);
}

void TCustomComPort::HandleRLSDChange() {
    const DeliveryWatch watch(this);
    bool on = ReadSignals().Contains(msRLSD);
    BroadcastSignal(lnRLSD, on);
    if (!watch.Ended())
        FireRLSDChange(on);
}

void TCustomComPort::HandleBreak() {
    FireBreak();
}

void TCustomComPort::HandleError() {
    TComErrors errors = ReadLineErrors();
    if (!errors.Empty())
        FireError(errors);
}

void TCustomComPort::HandleRing() {
    const DeliveryWatch watch(this);
    BroadcastNotice(lnRing);
    if (!watch.Ended())
        FireRing();
}

void TCustomComPort::HandleRx80Full() {
    FireRx80Full();
}

void TCustomComPort::HandleBeforeOpen() {
    FireBeforeOpen();
}

void TCustomComPort::HandleAfterOpen() {
    BroadcastSignal(lnConn, true);
    FireAfterOpen();
    ReportModemLines(true);
}

void TCustomComPort::HandleBeforeClose() {
    ReportModemLines(false);
    FireBeforeClose();
}

void TCustomComPort::HandleAfterClose() {
    BroadcastSignal(lnConn, false);
    FireAfterClose();
}

// After opening, everyone learns the real state of the lines at once; before closing, the
// lines are reported off without being read, whatever the device still shows.
void TCustomComPort::ReportModemLines(bool Open) {
    if (Open) {
        HandleCTSChange();
        HandleDSRChange();
        HandleRLSDChange();
        return;
    }
    BroadcastSignal(lnCTS, false);
    BroadcastSignal(lnDSR, false);
    BroadcastSignal(lnRLSD, false);
    FireCTSChange(false);
    FireDSRChange(false);
    FireRLSDChange(false);
}

} // namespace tavrin
