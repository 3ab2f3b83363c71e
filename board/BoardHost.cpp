#include "board/BoardHost.h"

namespace tavrin::board {

BoardHost::BoardHost(BoardLine& line, std::uint32_t seed)
    : line_(line), board_(Clock::now(), seed), random_(seed ^ 0x5eedu) {
    line_.SetPresent(true);
    thread_ = std::thread([this] { Run(); });
}

BoardHost::~BoardHost() {
    {
        std::lock_guard guard(lock_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void BoardHost::Arrive(std::uint8_t byte, const UartSettings& sender, Clock::time_point sentAt) {
    {
        std::lock_guard guard(lock_);
        const Clock::time_point start = sentAt > lineFree_ ? sentAt : lineFree_;
        lineFree_ = start + CharacterTime(sender);
        if (incoming_.size() >= kMaxIncoming) {
            board_.Lost();
            return;
        }
        incoming_.push_back({byte, sender, lineFree_});
    }
    wake_.notify_all();
}

UartSettings BoardHost::Uart() const {
    std::lock_guard guard(lock_);
    return board_.Uart();
}

int BoardHost::NoiseLocked(const UartSettings& uart) {
    const int chance = board_.NoisePerMille();
    if (chance == 0)
        return -1;
    if (std::uniform_int_distribution<int>(0, 999)(random_) >= chance)
        return -1;
    return std::uniform_int_distribution<int>(0, FrameBits(uart) - 1)(random_);
}

void BoardHost::TakeLocked(const Incoming& in) {
    if (awayUntil_)
        return; // nobody there to hear it
    const auto arrivals = Transmit(in.byte, in.sender, board_.Uart(), NoiseLocked(in.sender));
    for (const Arrival& arrival : arrivals) {
        if (board_.Slow() && lastTaken_ && in.done - *lastTaken_ < Board::kSlowInterval) {
            board_.Lost();
            continue;
        }
        lastTaken_ = in.done;
        QueueLocked(board_.Receive(arrival, in.done));
    }
}

void BoardHost::QueueLocked(const Reply& reply) {
    for (char c : reply.text) {
        if (outgoingBytes_ >= kMaxOutgoing)
            break;
        outgoing_.push_back({Outgoing::Byte, static_cast<std::uint8_t>(c)});
        ++outgoingBytes_;
    }
    if (reply.thenUart) {
        Outgoing item{Outgoing::SetUart};
        item.uart = *reply.thenUart;
        outgoing_.push_back(item);
    }
    if (reply.thenAway) {
        Outgoing item{Outgoing::GoAway};
        item.away = *reply.thenAway;
        outgoing_.push_back(item);
    }
}

bool BoardHost::StepLocked(std::unique_lock<std::mutex>& lock, Clock::time_point now) {
    if (awayUntil_ && now >= *awayUntil_) {
        awayUntil_.reset();
        lock.unlock();
        line_.SetPresent(true);
        lock.lock();
        return true;
    }
    if (!incoming_.empty() && incoming_.front().done <= now) {
        const Incoming in = incoming_.front();
        incoming_.pop_front();
        TakeLocked(in);
        return true;
    }
    if (!awayUntil_ && board_.NextTick() && *board_.NextTick() <= now) {
        QueueLocked(board_.Tick(now));
        return true;
    }
    if (inFlight_ && inFlight_->done <= now) {
        const InFlight sent = *inFlight_;
        inFlight_.reset();
        lock.unlock();
        line_.Send(sent.byte, sent.uart, sent.flippedBit);
        lock.lock();
        return true;
    }
    if (!inFlight_ && !outgoing_.empty()) {
        const Outgoing item = outgoing_.front();
        outgoing_.pop_front();
        switch (item.kind) {
        case Outgoing::Byte: {
            --outgoingBytes_;
            const UartSettings uart = board_.Uart();
            inFlight_ = InFlight{item.byte, uart, NoiseLocked(uart), now + CharacterTime(uart)};
            break;
        }
        case Outgoing::SetUart:
            board_.SetUart(item.uart);
            break;
        case Outgoing::GoAway:
            // Gone means gone: what it had still to say is lost with it.
            awayUntil_ = now + item.away;
            outgoing_.clear();
            outgoingBytes_ = 0;
            lock.unlock();
            line_.SetPresent(false);
            lock.lock();
            break;
        }
        return true;
    }
    return false;
}

std::optional<Clock::time_point> BoardHost::NextDueLocked() const {
    std::optional<Clock::time_point> due;
    auto consider = [&](Clock::time_point at) {
        if (!due || at < *due)
            due = at;
    };
    if (awayUntil_)
        consider(*awayUntil_);
    if (!incoming_.empty())
        consider(incoming_.front().done);
    if (!awayUntil_ && board_.NextTick())
        consider(*board_.NextTick());
    if (inFlight_)
        consider(inFlight_->done);
    return due;
}

void BoardHost::Run() {
    std::unique_lock lock(lock_);
    while (!stop_) {
        if (StepLocked(lock, Clock::now()))
            continue;
        const auto due = NextDueLocked();
        if (due)
            wake_.wait_until(lock, *due);
        else
            wake_.wait(lock);
    }
}

} // namespace tavrin::board
