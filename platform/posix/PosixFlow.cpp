// Flow control that termios cannot express, done by the driver as the Windows serial driver
// does it: input handshake on RTS and DTR by the fill of the port's own input queue (the
// kernel's CRTSCTS would also hold output until CTS), RTS toggle, output held while DSR is
// off, input thrown away while DSR is off, and output held while input flow holds the other
// end when fTXContinueOnXoff is off.

#include "platform/posix/PosixComm.h"

#include <algorithm>

namespace win::posix {

void PosixComm::UpdateInputFlow(DWORD incoming) {
    std::lock_guard lock(mutex_);
    bool held = false;
    if (actions_.inputHandshake != InputHandshake::none || actions_.holdOutputOnXoff) {
        const DWORD size = InQueueSize();
        const DWORD queued = std::min(QueuedInput() + incoming, size);
        // Held when fewer than XoffLim bytes are free, released once no more than XonLim are
        // queued; the limits are kept inside the queue so that the two never overlap.
        const DWORD xoffLimit = std::clamp<DWORD>(applied_.XoffLim, 1, size);
        const DWORD xonLimit = std::min<DWORD>(applied_.XonLim, size - xoffLimit);
        held = inputHeld_ ? queued > xonLimit : size - queued < xoffLimit;
    }
    if (held == inputHeld_)
        return;
    inputHeld_ = held;
    DriveControlLinesLocked();
    // Output held for the other end's sake may leave now.
    if (!held)
        Wake();
}

void PosixComm::OnModemLines(DWORD msBits) {
    {
        std::lock_guard lock(mutex_);
        dsrOn_ = (msBits & MS_DSR_ON) != 0;
        ctsOn_ = (msBits & MS_CTS_ON) != 0;
        // Whatever held output may have ended: the next look at the kernel's queue is soon.
        checkInterval_ = {};
    }
    SetModemLines(msBits);
    Wake();
}

bool PosixComm::OutputHeldLocked() const {
    return (actions_.dsrOutputFlow && !dsrOn_) || (actions_.holdOutputOnXoff && inputHeld_);
}

void PosixComm::DriveControlLinesLocked() {
    if (!traits_.modemLines || hungUp_ || gone_ || fd_ < 0)
        return;
    const InputHandshake handshake = actions_.inputHandshake;
    const bool holdRts =
        inputHeld_ && (handshake == InputHandshake::rts || handshake == InputHandshake::both);
    const bool holdDtr =
        inputHeld_ && (handshake == InputHandshake::dtr || handshake == InputHandshake::both);
    const bool rts = actions_.rtsToggle ? sending_ : actions_.rtsOn && !holdRts;
    const bool dtr = actions_.dtrOn && !holdDtr;
    const int lines = (dtr ? 1 : 0) | (rts ? 2 : 0);
    if (lines != drivenLines_ && SetControlLines(fd_, dtr, rts) == 0)
        drivenLines_ = lines;
}

void PosixComm::StartOutputLocked() {
    checkInterval_ = {};
    if (actions_.rtsToggle && !sending_) {
        sending_ = true;
        DriveControlLinesLocked();
    }
}

} // namespace win::posix
