#include "app/widgets/ReceptionView.h"

#include "app/widgets/ReceptionViewAccessible.h"

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

namespace tavrin {

namespace {

// Control characters have no glyph of their own; a middle dot shows that one is there.
QChar Shown(QChar ch) {
    const char16_t code = ch.unicode();
    return code < 0x20 || code == 0x7F ? QChar(0x00B7) : ch;
}

} // namespace

ReceptionView::ReceptionView(QWidget* parent)
    : QAbstractScrollArea(parent), lines_(1), widths_(0x10000, -1.0) {
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    ReceptionViewAccessible::Install();
    UpdateScrollBars();
}

void ReceptionView::setPlainText(const QString& text) {
    text_.clear();
    lines_.assign(1, Line{});
    widest_ = 0;
    anchor_ = position_ = 0;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    appendText(text);
    UpdateScrollBars();
    viewport()->update();
    emit textChanged();
}

void ReceptionView::clear() {
    setPlainText(QString());
}

void ReceptionView::appendText(const QString& text) {
    if (text.isEmpty())
        return;
    qsizetype from = text_.size();
    text_ += text;
    for (;;) {
        const qsizetype end = text_.indexOf(u'\n', from);
        Measure(lines_.back(), from, end < 0 ? text_.size() : end);
        if (end < 0)
            break;
        lines_.push_back(Line{end + 1, 0, {}});
        from = end + 1;
    }
    UpdateScrollBars();
    viewport()->update();
    emit textChanged();
}

qsizetype ReceptionView::LineEnd(std::size_t line) const {
    return line + 1 < lines_.size() ? lines_[line + 1].start - 1 : text_.size();
}

double ReceptionView::CharWidth(QChar ch) const {
    double& width = widths_[ch.unicode()];
    if (width < 0)
        width = QFontMetricsF(font()).horizontalAdvance(Shown(ch));
    return width;
}

void ReceptionView::Measure(Line& line, qsizetype from, qsizetype to) {
    double width = line.width;
    for (qsizetype i = from; i < to; ++i) {
        width += CharWidth(text_[i]);
        if ((i - line.start + 1) % kCheckpoint == 0)
            line.checkpoints.push_back(width);
    }
    line.width = width;
    widest_ = std::max(widest_, width);
}

void ReceptionView::Remeasure() {
    std::fill(widths_.begin(), widths_.end(), -1.0);
    widest_ = 0;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        Line& line = lines_[i];
        line.width = 0;
        line.checkpoints.clear();
        Measure(line, line.start, LineEnd(i));
    }
}

double ReceptionView::XOf(const Line& line, qsizetype offset) const {
    const qsizetype passed =
        std::min<qsizetype>(offset / kCheckpoint, static_cast<qsizetype>(line.checkpoints.size()));
    double x = passed > 0 ? line.checkpoints[static_cast<std::size_t>(passed - 1)] : 0;
    for (qsizetype i = passed * kCheckpoint; i < offset; ++i)
        x += CharWidth(text_[line.start + i]);
    return x;
}

qsizetype ReceptionView::OffsetAt(std::size_t index, double x) const {
    const Line& line = lines_[index];
    const qsizetype length = LineEnd(index) - line.start;
    // The last checkpoint at or before x, then character by character.
    const auto after = std::upper_bound(line.checkpoints.begin(), line.checkpoints.end(), x);
    const auto passed = static_cast<qsizetype>(after - line.checkpoints.begin());
    double left = passed > 0 ? line.checkpoints[static_cast<std::size_t>(passed - 1)] : 0;
    for (qsizetype i = passed * kCheckpoint; i < length; ++i) {
        const double width = CharWidth(text_[line.start + i]);
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
    return lines_[line].start + OffsetAt(line, x);
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
        if (index >= lines_.size() || y > viewport()->height())
            break;
        const Line& line = lines_[index];
        const qsizetype length = LineEnd(index) - line.start;
        // Only the characters in view, from the one that straddles the left edge on.
        const qsizetype first = std::max<qsizetype>(0, OffsetAt(index, left) - 1);
        const double x0 = XOf(line, first);
        QString shown;
        double x = x0;
        for (qsizetype i = first; i < length && x <= right; ++i) {
            const QChar ch = text_[line.start + i];
            shown += Shown(ch);
            x += CharWidth(ch);
        }
        const QPointF origin(kMargin + x0 - left, y + ascent);
        painter.setPen(colours.color(QPalette::Text));
        painter.drawText(origin, shown);

        const qsizetype from = std::max(selectionStart, line.start);
        const qsizetype to = std::min(selectionEnd, line.start + length);
        if (from < to) {
            const double a = kMargin + XOf(line, from - line.start) - left;
            const double b = kMargin + XOf(line, to - line.start) - left;
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
    anchor_ = std::clamp<qsizetype>(anchor, 0, text_.size());
    const qsizetype moved = std::clamp<qsizetype>(position, 0, text_.size());
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
    const auto after =
        std::upper_bound(lines_.begin(), lines_.end(), position,
                         [](qsizetype at, const Line& line) { return at < line.start; });
    return static_cast<std::size_t>(after - lines_.begin()) - 1;
}

qsizetype ReceptionView::cursorLine() const {
    return static_cast<qsizetype>(LineOf(position_));
}

void ReceptionView::moveCursor(QTextCursor::MoveOperation operation, QTextCursor::MoveMode mode) {
    const std::size_t line = LineOf(position_);
    const double x = XOf(lines_[line], position_ - lines_[line].start);
    qsizetype to = position_;
    switch (operation) {
    case QTextCursor::Start:
        to = 0;
        break;
    case QTextCursor::End:
        to = text_.size();
        break;
    case QTextCursor::Left:
        to = position_ - 1;
        break;
    case QTextCursor::Right:
        to = position_ + 1;
        break;
    case QTextCursor::StartOfLine:
        to = lines_[line].start;
        break;
    case QTextCursor::EndOfLine:
        to = LineEnd(line);
        break;
    case QTextCursor::Up:
        if (line > 0)
            to = lines_[line - 1].start + OffsetAt(line - 1, x);
        break;
    case QTextCursor::Down:
        if (line + 1 < lines_.size())
            to = lines_[line + 1].start + OffsetAt(line + 1, x);
        break;
    default:
        return;
    }
    to = std::clamp<qsizetype>(to, 0, text_.size());
    setSelection(mode == QTextCursor::KeepAnchor ? anchor_ : to, to);
    EnsureCaretVisible();
}

QRect ReceptionView::CharacterRect(qsizetype position) const {
    position = std::clamp<qsizetype>(position, 0, text_.size());
    const std::size_t line = LineOf(position);
    const qsizetype offset = position - lines_[line].start;
    const double x = XOf(lines_[line], offset);
    const double width =
        offset < LineEnd(line) - lines_[line].start ? CharWidth(text_[position]) : 1.0;
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
    const double x = XOf(lines_[index], position_ - lines_[index].start);
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
    const qsizetype start = std::min(anchor_, position_);
    return text_.mid(start, std::max(anchor_, position_) - start);
}

void ReceptionView::selectAll() {
    setSelection(0, text_.size());
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
    QAction* copyAction = menu.addAction(tr("&Copiar"), this, &ReceptionView::copy);
    copyAction->setEnabled(anchor_ != position_);
    menu.addAction(tr("Selecionar &Tudo"), this, &ReceptionView::selectAll);
    menu.exec(event->globalPos());
}

} // namespace tavrin
