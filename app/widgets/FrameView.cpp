#include "app/widgets/FrameView.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace tavrin {

namespace {
constexpr int Margin = 12;
constexpr int LevelLabelWidth = 96; // "1 (marca)" on the left of the wave
const QColor WaveColor(0x10, 0x4e, 0x9e);
const QColor GridColor(0xb0, 0xb0, 0xb0);
const QColor IdleShade(0xee, 0xee, 0xee);
const QColor CellShade(0xf6, 0xf9, 0xff);

QFont Sized(QFont font, int pixels, bool bold = false) {
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QString Number(double value) {
    // A tenth of the unit is as fine as a bit's time is told.
    return QString::number(std::round(value * 10) / 10, 'f', 1);
}
} // namespace

FrameView::FrameView(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void FrameView::SetDrawing(const Drawing& drawing) {
    drawing_ = drawing;
    QStringList bits;
    for (const Cell& cell : drawing_.cells)
        if (!cell.idle)
            bits << cell.name + u' ' + QString::number(cell.level);
    setAccessibleDescription(drawing_.cells.empty()
                                 ? hint_
                                 : drawing_.title + QStringLiteral(": ") + bits.join(u", ") +
                                       QStringLiteral(". ") + drawing_.notes.join(u' '));
    update();
}

void FrameView::SetHint(const QString& hint) {
    hint_ = hint;
    if (drawing_.cells.empty())
        setAccessibleDescription(hint_);
    update();
}

QSize FrameView::sizeHint() const {
    return {900, 250};
}

QSize FrameView::minimumSizeHint() const {
    return {600, 250};
}

void FrameView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QFont base = font();
    if (drawing_.cells.empty()) {
        p.setFont(Sized(base, 15));
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(rect().adjusted(Margin, Margin, -Margin, -Margin),
                   Qt::AlignCenter | Qt::TextWordWrap, hint_);
        return;
    }

    int y = Margin;
    p.setPen(Qt::black);
    p.setFont(Sized(base, 16, true));
    p.drawText(QRect(Margin, y, width() - 2 * Margin, 22), Qt::AlignLeft | Qt::AlignVCenter,
               drawing_.title);
    y += 28;

    double units = 0;
    for (const Cell& cell : drawing_.cells)
        units += cell.length;
    const double left = Margin + LevelLabelWidth;
    const double perBit = (width() - left - Margin) / units;

    const int nameTop = y, nameHeight = 20;
    const int high = nameTop + nameHeight + 10, low = high + 56;
    const int axis = low + 14;

    // The levels' names on the left.
    p.setFont(Sized(base, 13));
    p.setPen(Qt::darkGray);
    p.drawText(QRect(Margin, high - 10, LevelLabelWidth - 8, 20), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("1 (marca)"));
    p.drawText(QRect(Margin, low - 10, LevelLabelWidth - 8, 20), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("0 (espaço)"));

    // The cells: shade, name, value, edges.
    double x = left;
    double axisTime = 0;
    bool inCharacter = false;
    QPainterPath wave;
    int previousLevel = -1;
    for (const Cell& cell : drawing_.cells) {
        const double w = cell.length * perBit;
        const QRectF box(x, nameTop, w, low - nameTop + 4);
        p.fillRect(box, cell.idle ? IdleShade : CellShade);
        p.setPen(QPen(GridColor, 1, Qt::DashLine));
        p.drawLine(QPointF(x, nameTop), QPointF(x, axis));

        p.setPen(cell.idle ? Qt::darkGray : Qt::black);
        // The line at rest is the background of the drawing: smaller, in grey.
        p.setFont(Sized(base, cell.idle ? 12 : 14, !cell.idle));
        p.drawText(QRectF(x, nameTop, w, nameHeight), Qt::AlignCenter, cell.name);
        p.setFont(Sized(base, 22, true));
        p.setPen(cell.idle ? Qt::darkGray : WaveColor);
        p.drawText(QRectF(x, high + 4, w, low - high - 8), Qt::AlignCenter,
                   QString::number(cell.level));

        const double levelY = cell.level ? high : low;
        if (previousLevel < 0)
            wave.moveTo(x, levelY);
        else
            wave.lineTo(x, levelY);
        wave.lineTo(x + w, levelY);
        previousLevel = cell.level;

        // The axis: a tick and the time at every edge of the character.
        if (!cell.idle || inCharacter) {
            p.setPen(Qt::black);
            p.drawLine(QPointF(x, axis), QPointF(x, axis + 5));
            p.setFont(Sized(base, 12));
            p.drawText(QRectF(x - 40, axis + 6, 80, 16), Qt::AlignHCenter | Qt::AlignTop,
                       Number(axisTime * drawing_.unitsPerBit));
        }
        if (!cell.idle) {
            inCharacter = true;
            axisTime += cell.length;
        } else {
            inCharacter = false;
        }
        x += w;
    }
    p.setPen(QPen(WaveColor, 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPath(wave);
    p.setPen(Qt::black);
    p.drawLine(QPointF(left, axis), QPointF(x, axis));
    p.setFont(Sized(base, 12));
    p.drawText(QRectF(Margin, axis + 6, LevelLabelWidth - 8, 16), Qt::AlignRight | Qt::AlignTop,
               QStringLiteral("tempo (%1)").arg(drawing_.unit));

    y = axis + 28;
    p.setFont(Sized(base, 14));
    for (const QString& note : drawing_.notes) {
        p.drawText(QRect(Margin, y, width() - 2 * Margin, 20), Qt::AlignLeft | Qt::AlignVCenter,
                   note);
        y += 22;
    }
}

} // namespace tavrin
