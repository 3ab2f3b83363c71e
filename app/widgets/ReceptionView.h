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

#include <QAbstractScrollArea>
#include <QString>
#include <QTextCursor>

#include <vector>

namespace tavrin {

class ReceptionView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ReceptionView(QWidget* parent = nullptr);

    // The whole text, lines joined by "\n".
    QString toPlainText() const { return text_; }
    // Replaces the whole text; "\n" separates lines.
    void setPlainText(const QString& text);
    void clear();
    // Adds `text` at the end; "\n" starts a new line, every other character is shown as it is.
    void appendText(const QString& text);

    qsizetype lineCount() const { return static_cast<qsizetype>(lines_.size()); }

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
    struct Line {
        qsizetype start = 0;             // position of its first character in text_
        double width = 0;                // of the whole line
        std::vector<double> checkpoints; // width of the first (k+1) * kCheckpoint characters
    };
    static constexpr qsizetype kCheckpoint = 512;
    static constexpr int kMargin = 4;

    qsizetype LineEnd(std::size_t line) const;
    double CharWidth(QChar ch) const;
    // Extends a line's widths by the characters of text_ from `from` to `to`.
    void Measure(Line& line, qsizetype from, qsizetype to);
    void Remeasure();
    // Where character `offset` of `line` starts, from the line's left edge.
    double XOf(const Line& line, qsizetype offset) const;
    // The character boundary of `line` nearest to `x`.
    qsizetype OffsetAt(std::size_t line, double x) const;
    std::size_t LineOf(qsizetype position) const;
    void UpdateScrollBars();
    int LineHeight() const;

    QString text_;
    std::vector<Line> lines_;
    double widest_ = 0;
    mutable std::vector<double> widths_; // by UTF-16 code, -1 until measured
    qsizetype anchor_ = 0;
    qsizetype position_ = 0;
    Qt::TextInteractionFlags flags_ = Qt::TextSelectableByMouse;
};

} // namespace tavrin
