#pragma once

// A character drawn as the line carries it: the level over time, high for mark (1) and low
// for space (0), one cell per bit with its name and value, the times of the bit edges on an
// axis below and notes under it. Large enough to read on a projector or in a screenshot.

#include <QString>
#include <QStringList>
#include <QWidget>

#include <vector>

namespace tavrin {

class FrameView : public QWidget {
    Q_OBJECT
public:
    struct Cell {
        QString name;      // "Start", "D0", "P", "Stop"; "Repouso" for the line at rest
        int level = 1;     // 1 high, 0 low
        double length = 1; // in bit times
        bool idle = false; // the line at rest, drawn before and after the character
    };
    struct Drawing {
        QString title;
        std::vector<Cell> cells;
        // The axis counts from the first edge of the character, in `unit`.
        QString unit;
        double unitsPerBit = 0;
        QStringList notes;
    };

    explicit FrameView(QWidget* parent = nullptr);

    void SetDrawing(const Drawing& drawing);
    // An empty drawing shows `hint` instead.
    void SetHint(const QString& hint);
    const Drawing& CurrentDrawing() const { return drawing_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Drawing drawing_;
    QString hint_;
};

} // namespace tavrin
