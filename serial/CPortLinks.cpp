// Links: other components following the port. The list holds the links in attachment order
// and does not own them.

#include "serial/CPort.h"
#include "serial/CPortDelivery.h"

#include <algorithm>

namespace tavrin {

namespace {

// Slots are copied before they are called: a slot may free its own link.
TComSignalEvent SignalSlot(const TComLink& link, TLinkNotice notice) {
    switch (notice) {
    case lnConn:
        return link.OnConn;
    case lnCTS:
        return link.OnCTSChange;
    case lnDSR:
        return link.OnDSRChange;
    case lnRLSD:
        return link.OnRLSDChange;
    case lnRx:
        return link.OnRx;
    case lnTx:
        return link.OnTx;
    default:
        return nullptr;
    }
}

TNotifyEvent NoticeSlot(const TComLink& link, TLinkNotice notice) {
    switch (notice) {
    case lnRing:
        return link.OnRing;
    case lnTxEmpty:
        return link.OnTxEmpty;
    case lnRxFlag:
        return link.OnRxFlag;
    default:
        return nullptr;
    }
}

// Calls `visit` for the links present when the walk starts. A slot may attach or detach
// links meanwhile: the walk then stops where the shortened list ends, and never reaches a
// link attached during it. A slot that closes (or destroys) the port during one of its
// deliveries ends the walk: the list is not looked at again.
template <class Visit>
void ForEachLink(const TCustomComPort* port, const std::vector<TComLink*>& links, Visit visit) {
    const DeliveryWatch watch(port);
    const std::size_t count = links.size();
    for (std::size_t i = 0; i < count && i < links.size(); ++i) {
        visit(*links[i]);
        if (watch.Ended())
            return;
    }
}

} // namespace

void TCustomComPort::AttachLink(TComLink* link) {
    // A missing link would only fail later, inside some broadcast.
    if (!link || std::find(links_.begin(), links_.end(), link) != links_.end())
        throw EComPort(CError_RegFailed);
    links_.push_back(link);
    hasRxBufLink_ = AnyRxBufLink();
}

void TCustomComPort::DetachLink(TComLink* link) {
    auto it = std::find(links_.begin(), links_.end(), link);
    if (it == links_.end())
        throw EComPort(CError_RegFailed);
    links_.erase(it);
    hasRxBufLink_ = AnyRxBufLink();
}

bool TCustomComPort::AnyRxBufLink() const {
    return std::any_of(links_.begin(), links_.end(),
                       [](const TComLink* link) { return static_cast<bool>(link->OnRxBuf); });
}

void TCustomComPort::BroadcastSignal(TLinkNotice notice, bool OnOff) {
    ForEachLink(this, links_, [&](TComLink& link) {
        if (TComSignalEvent slot = SignalSlot(link, notice))
            slot(this, OnOff);
    });
}

void TCustomComPort::BroadcastNotice(TLinkNotice notice) {
    ForEachLink(this, links_, [&](TComLink& link) {
        if (TNotifyEvent slot = NoticeSlot(link, notice))
            slot(this);
    });
}

void TCustomComPort::BroadcastTxBuf(const void* Buffer, std::int32_t Count) {
    ForEachLink(this, links_, [&](TComLink& link) {
        if (TRxBufEvent slot = link.OnTxBuf)
            slot(this, Buffer, Count);
    });
}

} // namespace tavrin
