#include "app/widgets/ReceptionView.h"

#include "app/widgets/ReceptionViewAccessible.h"

#include "app/qt/Ansi.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>
#include <cmath>
#include <malloc.h>

namespace tavrin {

namespace {

// The characters of Windows-1252, by byte.
const std::array<QChar, 256>& Characters() {
    static const std::array<QChar, 256> table = [] {
        std::array<QChar, 256> characters{};
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            characters[static_cast<std::size_t>(b)] = FromAnsi(std::string_view(&byte, 1)).at(0);
        }
        return characters;
    }();
    return table;
}

QChar FromByte(char byte) {
    return Characters()[static_cast<unsigned char>(byte)];
}

// Control characters have no glyph of their own; a middle dot shows that one is there.
QChar Shown(QChar ch) {
    const char16_t code = ch.unicode();
    return code < 0x20 || code == 0x7F ? QChar(0x00B7) : ch;
}

} // namespace

ReceptionView::ReceptionView(QWidget* parent) : QAbstractScrollArea(parent) {
    widths_.fill(-1.0);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    ReceptionViewAccessible::Install();
    UpdateScrollBars();
}

QString ReceptionView::toPlainText() const {
    return textRange(0, textLength());
}

QString ReceptionView::textRange(qsizetype from, qsizetype to) const {
    from = std::clamp<qsizetype>(from, 0, textLength());
    to = std::clamp<qsizetype>(to, from, textLength());
    return FromAnsi(text_.Bytes(static_cast<std::size_t>(from), static_cast<std::size_t>(to)));
}

void ReceptionView::setPlainText(const QString& text) {
    text_.Clear();
    checkpoints_.clear();
    firstLine_ = 0;
    lastWidth_ = widest_ = 0;
    anchor_ = position_ = 0;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    if (text.isEmpty()) {
        // What a long session held goes back to the system, not only to the heap.
        malloc_trim(0);
    }
    appendBytes(ToAnsi(text));
    UpdateScrollBars();
    viewport()->update();
    emit textChanged();
}

void ReceptionView::clear() {
    setPlainText(QString());
}

void ReceptionView::appendText(const QString& text) {
    appendBytes(ToAnsi(text));
}

void ReceptionView::appendBytes(std::string_view bytes) {
    if (bytes.empty())
        return;
    const std::size_t from = text_.size();
    text_.Append(bytes);
    MeasureFrom(from);
    if (text_.size() > maxHeld_)
        DropOldest();
    UpdateScrollBars();
    viewport()->update();
    emit textChanged();
}

void ReceptionView::setMaxHeld(std::size_t characters) {
    maxHeld_ = std::max<std::size_t>(characters, 1);
    if (text_.size() > maxHeld_) {
        DropOldest();
        UpdateScrollBars();
        viewport()->update();
        emit textChanged();
    }
}

void ReceptionView::DropOldest() {
    const int top = verticalScrollBar()->value();
    const HeldText::Dropped dropped = text_.KeepNewest(maxHeld_);
    firstLine_ += dropped.lines;
    checkpoints_.erase(checkpoints_.begin(), checkpoints_.lower_bound(firstLine_));
    if (dropped.firstLineCut) {
        // The one line left starts elsewhere now: its checkpoints are measured afresh.
        checkpoints_.clear();
        lastWidth_ = 0;
        MeasureFrom(0);
    }
    const auto shift = static_cast<qsizetype>(dropped.chars);
    anchor_ = std::max<qsizetype>(0, anchor_ - shift);
    position_ = std::max<qsizetype>(0, position_ - shift);
    // The rows in view stay the rows in view, as far as they are still held.
    UpdateScrollBars();
    verticalScrollBar()->setValue(
        std::max(0, top - static_cast<int>(std::min<std::size_t>(dropped.lines, INT_MAX))));
}

bool ReceptionView::EndInView() const {
    const int room = viewport()->width() - 2 * kMargin;
    const int left = horizontalScrollBar()->value();
    return lastWidth_ >= left && lastWidth_ <= left + room;
}

void ReceptionView::FollowEnd(bool across) {
    QScrollBar* vertical = verticalScrollBar();
    vertical->setValue(vertical->maximum());
    if (!across)
        return;
    QScrollBar* horizontal = horizontalScrollBar();
    const int room = viewport()->width() - 2 * kMargin;
    const int end = static_cast<int>(std::ceil(lastWidth_));
    if (end > horizontal->value() + room)
        horizontal->setValue(end - room);
    else if (end < horizontal->value())
        horizontal->setValue(std::max(0, end - room));
}

qsizetype ReceptionView::LineStart(std::size_t line) const {
    return static_cast<qsizetype>(text_.LineStart(line));
}

qsizetype ReceptionView::LineEnd(std::size_t line) const {
    return static_cast<qsizetype>(text_.LineEnd(line));
}

double ReceptionView::CharWidth(char byte) const {
    double& width = widths_[static_cast<unsigned char>(byte)];
    if (width < 0)
        width = QFontMetricsF(font()).horizontalAdvance(Shown(FromByte(byte)));
    return width;
}

void ReceptionView::MeasureFrom(std::size_t from) {
    std::size_t line = text_.LineOf(from);
    std::size_t offset = from - text_.LineStart(line);
    double width = lastWidth_;
    std::vector<double>* points = nullptr;
    for (std::size_t i = from; i < text_.size(); ++i) {
        const char byte = text_.at(i);
        if (byte == '\n') {
            widest_ = std::max(widest_, width);
            ++line;
            offset = 0;
            width = 0;
            points = nullptr;
            continue;
        }
        width += CharWidth(byte);
        if (++offset % kCheckpoint == 0) {
            if (!points)
                points = &checkpoints_[firstLine_ + line];
            points->push_back(width);
        }
    }
    lastWidth_ = width;
    widest_ = std::max(widest_, width);
}

void ReceptionView::Remeasure() {
    widths_.fill(-1.0);
    checkpoints_.clear();
    widest_ = lastWidth_ = 0;
    MeasureFrom(0);
}

const std::vector<double>* ReceptionView::Checkpoints(std::size_t line) const {
    const auto found = checkpoints_.find(firstLine_ + line);
    return found == checkpoints_.end() ? nullptr : &found->second;
}

double ReceptionView::XOf(std::size_t line, qsizetype offset) const {
    const std::vector<double>* points = Checkpoints(line);
    const qsizetype passed =
        points ? std::min<qsizetype>(offset / kCheckpoint, static_cast<qsizetype>(points->size()))
               : 0;
    double x = passed > 0 ? (*points)[static_cast<std::size_t>(passed - 1)] : 0;
    const qsizetype start = LineStart(line);
    for (qsizetype i = passed * kCheckpoint; i < offset; ++i)
        x += CharWidth(text_.at(static_cast<std::size_t>(start + i)));
    return x;
}

qsizetype ReceptionView::OffsetAt(std::size_t line, double x) const {
    const qsizetype start = LineStart(line);
    const qsizetype length = LineEnd(line) - start;
    // The last checkpoint at or before x, then character by character.
    qsizetype passed = 0;
    double left = 0;
    if (const std::vector<double>* points = Checkpoints(line)) {
        const auto after = std::upper_bound(points->begin(), points->end(), x);
        passed = static_cast<qsizetype>(after - points->begin());
        left = passed > 0 ? (*points)[static_cast<std::size_t>(passed - 1)] : 0;
    }
    for (qsizetype i = passed * kCheckpoint; i < length; ++i) {
        const double width = CharWidth(text_.at(static_cast<std::size_t>(start + i)));
        if (x < left + width / 2)
            return i;
        left += width;
    }
    return length;
}

int ReceptionView::LineHeight() const {
    return std::max(1, QFontMetrics(font()).lineSpacing());
}

qsizetype ReceptionView::PositionAt(const QPoint& point) const {
    const int row = (point.y() - kMargin) / LineHeight();
    const auto line = static_cast<std::size_t>(
        std::clamp<qsizetype>(verticalScrollBar()->value() + std::max(row, 0), 0, lineCount() - 1));
    const double x = point.x() - kMargin + horizontalScrollBar()->value();
    return LineStart(line) + OffsetAt(line, x);
}

void ReceptionView::UpdateScrollBars() {
    const int rows = std::max(1, (viewport()->height() - 2 * kMargin) / LineHeight());
    QScrollBar* vertical = verticalScrollBar();
    vertical->setPageStep(rows);
    vertical->setSingleStep(1);
    vertical->setRange(0, static_cast<int>(std::max<qsizetype>(0, lineCount() - rows)));
    QScrollBar* horizontal = horizontalScrollBar();
    const double wide = std::ceil(widest_) + 2 * kMargin - viewport()->width();
    horizontal->setPageStep(std::max(1, viewport()->width()));
    horizontal->setSingleStep(20);
    horizontal->setRange(0, static_cast<int>(std::clamp(wide, 0.0, double{INT_MAX})));
}

void ReceptionView::scrollContentsBy(int, int) {
    viewport()->update();
}

void ReceptionView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.setFont(font());
    const int height = LineHeight();
    const int ascent = QFontMetrics(font()).ascent();
    const int top = verticalScrollBar()->value();
    const double left = horizontalScrollBar()->value();
    const double right = left + viewport()->width();
    const qsizetype selectionStart = std::min(anchor_, position_);
    const qsizetype selectionEnd = std::max(anchor_, position_);
    const QPalette& colours = palette();
    for (qsizetype row = 0;; ++row) {
        const auto index = static_cast<std::size_t>(top + row);
        const int y = kMargin + static_cast<int>(row) * height;
        if (index >= text_.LineCount() || y > viewport()->height())
            break;
        const qsizetype start = LineStart(index);
        const qsizetype length = LineEnd(index) - start;
        // Only the characters in view, from the one that straddles the left edge on.
        const qsizetype first = std::max<qsizetype>(0, OffsetAt(index, left) - 1);
        const double x0 = XOf(index, first);
        QString shown;
        double x = x0;
        for (qsizetype i = first; i < length && x <= right; ++i) {
            const char byte = text_.at(static_cast<std::size_t>(start + i));
            shown += Shown(FromByte(byte));
            x += CharWidth(byte);
        }
        const QPointF origin(kMargin + x0 - left, y + ascent);
        painter.setPen(colours.color(QPalette::Text));
        painter.drawText(origin, shown);

        const qsizetype from = std::max(selectionStart, start);
        const qsizetype to = std::min(selectionEnd, start + length);
        if (from < to) {
            const double a = kMargin + XOf(index, from - start) - left;
            const double b = kMargin + XOf(index, to - start) - left;
            const QRectF selected(a, y, b - a, height);
            painter.fillRect(selected, colours.brush(QPalette::Highlight));
            painter.save();
            painter.setClipRect(selected);
            painter.setPen(colours.color(QPalette::HighlightedText));
            painter.drawText(origin, shown);
            painter.restore();
        }
    }
    if (hasFocus() && (flags_ & Qt::TextSelectableByKeyboard)) {
        const QRect caret = CharacterRect(position_);
        painter.fillRect(QRect(caret.left(), caret.top(), 1, caret.height()),
                         colours.color(QPalette::Text));
    }
}

void ReceptionView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void ReceptionView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        Remeasure();
        UpdateScrollBars();
        viewport()->update();
    }
}

void ReceptionView::setSelection(qsizetype anchor, qsizetype position) {
    anchor_ = std::clamp<qsizetype>(anchor, 0, textLength());
    const qsizetype moved = std::clamp<qsizetype>(position, 0, textLength());
    const bool caretMoved = moved != position_;
    position_ = moved;
    viewport()->update();
    if (caretMoved && QAccessible::isActive()) {
        QAccessibleTextCursorEvent event(this, static_cast<int>(position_));
        QAccessible::updateAccessibility(&event);
    }
}

void ReceptionView::setTextInteractionFlags(Qt::TextInteractionFlags flags) {
    flags_ = flags;
}

std::size_t ReceptionView::LineOf(qsizetype position) const {
    return text_.LineOf(static_cast<std::size_t>(std::max<qsizetype>(position, 0)));
}

qsizetype ReceptionView::cursorLine() const {
    return static_cast<qsizetype>(LineOf(position_));
}

void ReceptionView::moveCursor(QTextCursor::MoveOperation operation, QTextCursor::MoveMode mode) {
    const std::size_t line = LineOf(position_);
    const double x = XOf(line, position_ - LineStart(line));
    qsizetype to = position_;
    switch (operation) {
    case QTextCursor::Start:
        to = 0;
        break;
    case QTextCursor::End:
        to = textLength();
        break;
    case QTextCursor::Left:
        to = position_ - 1;
        break;
    case QTextCursor::Right:
        to = position_ + 1;
        break;
    case QTextCursor::StartOfLine:
        to = LineStart(line);
        break;
    case QTextCursor::EndOfLine:
        to = LineEnd(line);
        break;
    case QTextCursor::Up:
        if (line > 0)
            to = LineStart(line - 1) + OffsetAt(line - 1, x);
        break;
    case QTextCursor::Down:
        if (line + 1 < text_.LineCount())
            to = LineStart(line + 1) + OffsetAt(line + 1, x);
        break;
    default:
        return;
    }
    to = std::clamp<qsizetype>(to, 0, textLength());
    setSelection(mode == QTextCursor::KeepAnchor ? anchor_ : to, to);
    EnsureCaretVisible();
}

QRect ReceptionView::CharacterRect(qsizetype position) const {
    position = std::clamp<qsizetype>(position, 0, textLength());
    const std::size_t line = LineOf(position);
    const qsizetype offset = position - LineStart(line);
    const double x = XOf(line, offset);
    const double width = offset < LineEnd(line) - LineStart(line)
                             ? CharWidth(text_.at(static_cast<std::size_t>(position)))
                             : 1.0;
    const int y =
        kMargin + static_cast<int>(static_cast<qsizetype>(line) - verticalScrollBar()->value()) *
                      LineHeight();
    return QRect(static_cast<int>(kMargin + x - horizontalScrollBar()->value()), y,
                 std::max(1, static_cast<int>(std::ceil(width))), LineHeight());
}

void ReceptionView::EnsureCaretVisible() {
    const auto line = static_cast<int>(LineOf(position_));
    QScrollBar* vertical = verticalScrollBar();
    if (line < vertical->value())
        vertical->setValue(line);
    else if (line >= vertical->value() + vertical->pageStep())
        vertical->setValue(line - vertical->pageStep() + 1);
    const std::size_t index = LineOf(position_);
    const double x = XOf(index, position_ - LineStart(index));
    QScrollBar* horizontal = horizontalScrollBar();
    const int room = viewport()->width() - 2 * kMargin;
    if (x < horizontal->value())
        horizontal->setValue(static_cast<int>(x));
    else if (x > horizontal->value() + room)
        horizontal->setValue(static_cast<int>(x) - room);
}

void ReceptionView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void ReceptionView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

QString ReceptionView::selectedText() const {
    return textRange(std::min(anchor_, position_), std::max(anchor_, position_));
}

void ReceptionView::selectAll() {
    setSelection(0, textLength());
}

void ReceptionView::copy() const {
    if (anchor_ != position_)
        QApplication::clipboard()->setText(selectedText());
}

void ReceptionView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    const qsizetype at = PositionAt(event->position().toPoint());
    if (event->modifiers() & Qt::ShiftModifier)
        setSelection(anchor_, at);
    else
        setSelection(at, at);
}

void ReceptionView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton))
        return QAbstractScrollArea::mouseMoveEvent(event);
    setSelection(anchor_, PositionAt(event->position().toPoint()));
}

void ReceptionView::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Copy) {
        copy();
    } else if (event == QKeySequence::SelectAll) {
        selectAll();
    } else if (!(flags_ & Qt::TextSelectableByKeyboard)) {
        if (event == QKeySequence::MoveToStartOfDocument)
            verticalScrollBar()->setValue(0);
        else if (event == QKeySequence::MoveToEndOfDocument)
            verticalScrollBar()->setValue(verticalScrollBar()->maximum());
        else
            QAbstractScrollArea::keyPressEvent(event);
    } else {
        // The caret's keys, each also with Shift to extend the selection.
        static const struct {
            QKeySequence::StandardKey move;
            QKeySequence::StandardKey select;
            QTextCursor::MoveOperation operation;
        } keys[] = {
            {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument,
             QTextCursor::Start},
            {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument,
             QTextCursor::End},
            {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, QTextCursor::Up},
            {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, QTextCursor::Down},
            {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, QTextCursor::Left},
            {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, QTextCursor::Right},
            {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine,
             QTextCursor::StartOfLine},
            {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, QTextCursor::EndOfLine},
        };
        for (const auto& key : keys) {
            if (event == key.move || event == key.select) {
                moveCursor(key.operation,
                           event == key.select ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
                return;
            }
        }
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void ReceptionView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copyAction = menu.addAction(QStringLiteral("&Copiar"), this, &ReceptionView::copy);
    copyAction->setEnabled(anchor_ != position_);
    menu.addAction(QStringLiteral("Selecionar &Tudo"), this, &ReceptionView::selectAll);
    menu.exec(event->globalPos());
}

} // namespace tavrin
