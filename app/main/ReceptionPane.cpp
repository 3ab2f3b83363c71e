#include "app/main/ReceptionPane.h"

#include "app/qt/Ansi.h"
#include "app/widgets/ReceptionView.h"

#include <QScrollBar>

#include <utility>

namespace tavrin {

ReceptionPane::ReceptionPane(ReceptionView* view) : QObject(view), view_(view) {
    frame_.setSingleShot(true);
    frame_.setInterval(FrameMs);
    connect(&frame_, &QTimer::timeout, this, &ReceptionPane::ShowFrame);
    // Someone else emptied or rewrote the pane (clear all, opening the port): a CR this
    // pane added last is no longer the end of the text, and what arrived before that
    // would have been wiped with the rest.
    connect(view_, &ReceptionView::textChanged, this, &ReceptionPane::Forget);
}

void ReceptionPane::Forget() {
    if (editing_)
        return;
    endsWithCR_ = false;
    replacePending_ = false;
    std::string().swap(pending_);
    frame_.stop();
    if (std::exchange(wasFull_, false))
        emit Drained();
}

void ReceptionPane::Append(std::string_view bytes) {
    if (bytes.empty())
        return;
    pending_ += bytes;
    wasFull_ = wasFull_ || Full();
    if (!frame_.isActive())
        frame_.start();
}

void ReceptionPane::Append(const QString& text) {
    Append(ToAnsi(text));
}

void ReceptionPane::Replace(std::string_view bytes) {
    replacePending_ = true;
    pending_ = bytes;
    wasFull_ = wasFull_ || Full();
    if (!frame_.isActive())
        frame_.start();
}

void ReceptionPane::Replace(const QString& text) {
    Replace(ToAnsi(text));
}

void ReceptionPane::Flush() {
    while (HasPending())
        ShowFrame();
}

void ReceptionPane::ShowFrame() {
    if (!HasPending())
        return;
    QScrollBar* bar = view_->verticalScrollBar();
    const bool follow = bar->value() >= bar->maximum();
    const bool followAcross = follow && view_->EndInView();
    editing_ = true;
    if (replacePending_) {
        view_->clear();
        endsWithCR_ = false;
        replacePending_ = false;
    }
    if (pending_.size() <= MaxFrameText) {
        Insert(pending_);
        pending_.clear();
    } else {
        Insert(std::string_view(pending_).substr(0, MaxFrameText));
        pending_.erase(0, MaxFrameText);
        frame_.start();
    }
    if (pending_.capacity() > MaxPending && pending_.size() < MaxFrameText)
        pending_.shrink_to_fit();
    editing_ = false;
    if (follow)
        view_->FollowEnd(followAcross);
    emit Updated();
    if (wasFull_ && !Full()) {
        wasFull_ = false;
        emit Drained();
    }
}

void ReceptionPane::Insert(std::string_view text) {
    if (text.empty())
        return;
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        if (ch == '\r' || ch == '\n') {
            // The LF of a CR LF pair, also when the CR ended the text before.
            const bool pairedLF = ch == '\n' && (i > 0 ? text[i - 1] == '\r' : endsWithCR_);
            if (!pairedLF)
                lines += '\n';
            continue;
        }
        lines += ch;
    }
    endsWithCR_ = text.back() == '\r';
    view_->appendBytes(lines);
}

} // namespace tavrin
