#pragma once

// The reception pane's widget: received text, one row per line, without wrapping, read only,
// with mouse selection and copying. It holds exactly the text it was given: a line as long
// as a device cares to send stays one line.
//
// A text document lays out a whole paragraph again whenever it grows, so a line that never
// ends would make every chunk cost as much as everything received before. Here adding text
// costs in proportion to what is added: each line keeps its width, and every so many
// characters the width up to there, so that drawing or hitting a point of a long line looks
// at a few characters only; painting draws the rows in view and nothing else.
//
// The text is kept as the bytes that came (HeldText), up to a limit: beyond it the oldest
// whole lines go, so that a lab session of any length runs in bounded memory.

#include "app/widgets/HeldText.h"

#include <QAbstractScrollArea>
#include <QString>
#include <QTextCursor>

#include <array>
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

namespace tavrin {

class ReceptionView : public QAbstractScrollArea {
    Q_OBJECT
public:
    // The most text held by default: about a day at 115200 baud would be more.
    static constexpr std::size_t kDefaultMaxHeld = 64 * 1024 * 1024;

    explicit ReceptionView(QWidget* parent = nullptr);

    // The whole text, lines joined by "\n".
    QString toPlainText() const;
    // Characters from `from` up to `to`.
    QString textRange(qsizetype from, qsizetype to) const;
    qsizetype textLength() const { return static_cast<qsizetype>(text_.size()); }
    // Replaces the whole text; "\n" separates lines.
    void setPlainText(const QString& text);
    // Empties the pane and gives its memory back.
    void clear();
    // Adds `text` at the end; "\n" starts a new line, every other character is shown as it is.
    // Characters that Windows-1252 lacks become '?'.
    void appendText(const QString& text);
    // The same for Windows-1252 bytes, as the port delivers them.
    void appendBytes(std::string_view bytes);

    // Beyond this many characters the oldest whole lines are dropped.
    void setMaxHeld(std::size_t characters);
    std::size_t maxHeld() const { return maxHeld_; }

    qsizetype lineCount() const { return static_cast<qsizetype>(text_.LineCount()); }

    // Whether the end of the last line is in view sideways.
    bool EndInView() const;
    // Scrolls to the last line and, when `across`, sideways to where it ends now.
    void FollowEnd(bool across);

    // The selection, as positions in toPlainText(); the caret is at its moving end.
    void setSelection(qsizetype anchor, qsizetype position);
    qsizetype anchor() const { return anchor_; }
    qsizetype cursorPosition() const { return position_; }
    QString selectedText() const;
    void selectAll();
    void copy() const;

    // Never editable; the keyboard moves a caret through the text when the flags allow it
    // (TextSelectableByKeyboard), so that a screen reader can read it line by line.
    bool isReadOnly() const { return true; }
    void setTextInteractionFlags(Qt::TextInteractionFlags flags);
    // Start, End, Up, Down, Left, Right, StartOfLine and EndOfLine.
    void moveCursor(QTextCursor::MoveOperation operation,
                    QTextCursor::MoveMode mode = QTextCursor::MoveAnchor);
    // The line the caret is on, from 0.
    qsizetype cursorLine() const;

    // For the accessibility interface: where a character is in the viewport, the position
    // at a point of the viewport, and scrolling the caret into view.
    QRect CharacterRect(qsizetype position) const;
    qsizetype PositionAt(const QPoint& point) const;
    void EnsureCaretVisible();

signals:
    // The text changed (added to, replaced or cleared).
    void textChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    static constexpr qsizetype kCheckpoint = 512;
    static constexpr int kMargin = 4;

    qsizetype LineEnd(std::size_t line) const;
    qsizetype LineStart(std::size_t line) const;
    double CharWidth(char byte) const;
    // Measures the text from `from` to the end, which holds the last line's new characters.
    void MeasureFrom(std::size_t from);
    void Remeasure();
    // The widths every kCheckpoint characters of a long line (none for a short one).
    const std::vector<double>* Checkpoints(std::size_t line) const;
    // Where character `offset` of `line` starts, from the line's left edge.
    double XOf(std::size_t line, qsizetype offset) const;
    // The character boundary of `line` nearest to `x`.
    qsizetype OffsetAt(std::size_t line, double x) const;
    std::size_t LineOf(qsizetype position) const;
    void DropOldest();
    void UpdateScrollBars();
    int LineHeight() const;

    HeldText text_;
    std::size_t maxHeld_ = kDefaultMaxHeld;
    std::uint64_t firstLine_ = 0; // lines dropped since the pane was last emptied
    std::map<std::uint64_t, std::vector<double>> checkpoints_; // by line since emptied
    double lastWidth_ = 0;                                     // of the last line
    double widest_ = 0;
    mutable std::array<double, 256> widths_; // by byte, -1 until measured
    qsizetype anchor_ = 0;
    qsizetype position_ = 0;
    Qt::TextInteractionFlags flags_ = Qt::TextSelectableByMouse;
};

} // namespace tavrin
