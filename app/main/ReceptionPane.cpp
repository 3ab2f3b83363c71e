#include "app/main/ReceptionPane.h"

#include "app/widgets/ReceptionView.h"

#include <QScrollBar>

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
    pending_.clear();
    frame_.stop();
}

void ReceptionPane::Append(const QString& text) {
    if (text.isEmpty())
        return;
    pending_ += text;
    if (!frame_.isActive())
        frame_.start();
}

void ReceptionPane::Replace(const QString& text) {
    replacePending_ = true;
    pending_ = text;
    if (!frame_.isActive())
        frame_.start();
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
        Insert(pending_.first(MaxFrameText));
        pending_.remove(0, MaxFrameText);
        frame_.start();
    }
    editing_ = false;
    if (follow)
        bar->setValue(bar->maximum());
    emit Updated();
}

void ReceptionPane::Insert(const QString& text) {
    if (text.isEmpty())
        return;
    QString lines;
    lines.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch == u'\r' || ch == u'\n') {
            // The LF of a CR LF pair, also when the CR ended the text before.
            const bool pairedLF = ch == u'\n' && (i > 0 ? text[i - 1] == u'\r' : endsWithCR_);
            if (!pairedLF)
                lines += u'\n';
            continue;
        }
        lines += ch;
    }
    endsWithCR_ = text.back() == u'\r';
    view_->appendText(lines);
}

} // namespace tavrin
