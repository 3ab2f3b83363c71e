// The signal lamp's pictures and painting: the picture pairs among the program's resources,
// transparency keyed on the bottom-left pixel, the integer placement rule, and drawing the
// pixel art crisp on screens of any pixel density.

#include "serial/controls/CPortCtl.h"

#include "serial/controls/CPortCtlGuard.h"

#include <QBitmap>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

namespace tavrin {

namespace {

struct PicturePair {
    const char* on;
    const char* off;
};

// Resource names by kind; lkCustom has none.
constexpr std::array<PicturePair, lkCustom> kindPictures = {{
    {"LEDREDON", "LEDREDOFF"},
    {"LEDGREENON", "LEDGREENOFF"},
    {"LEDBLUEON", "LEDBLUEOFF"},
    {"LEDYELLOWON", "LEDYELLOWOFF"},
    {"LEDPURPLEON", "LEDPURPLEOFF"},
    {"LEDBULBON", "LEDBULBOFF"},
}};

// Pixels of the bottom-left pixel's colour are not drawn. (For a pixmap, Qt's MaskInColor
// is the mode that makes the matching pixels transparent.)
void MakeTransparent(QPixmap& picture) {
    if (picture.isNull())
        return;
    const QImage image = picture.toImage();
    const QColor key = QColor::fromRgba(image.pixel(0, image.height() - 1));
    picture.setMask(picture.createMaskFromColor(key, Qt::MaskInColor));
}

QPixmap LoadResourcePicture(const char* name) {
    QImage image;
    if (!image.load(QStringLiteral(":/leds/%1.bmp").arg(QLatin1String(name)), "BMP"))
        throw EResNotFound(name);
    QPixmap picture = QPixmap::fromImage(image);
    MakeTransparent(picture);
    return picture;
}

// Device pixels per logical pixel where the painter draws: the screen's ratio, or any
// scaling the one who renders the lamp applies.
qreal DeviceScale(const QPainter& painter) {
    const QTransform& toDevice = painter.deviceTransform();
    return std::max<qreal>(1, std::hypot(toDevice.m11(), toDevice.m12()));
}

// Pixel art stays crisp when each of its pixels becomes a whole block of device pixels:
// enlarge by the next whole factor without blending, and let the painter map that onto
// the device (exactly, for the usual whole ratios).
QPixmap EnlargedForDevice(const QPixmap& picture, qreal scale) {
    const int factor = static_cast<int>(std::ceil(scale - 1e-3));
    if (factor <= 1)
        return picture;
    return picture.scaled(picture.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

} // namespace

const QPixmap& TComLed::Glyph(int index) const {
    return index == 0 ? glyphOn_ : glyphOff_;
}

void TComLed::SetGlyph(int index, QPixmap& value) {
    if (kind_ != lkCustom)
        return;
    MakeTransparent(value);
    (index == 0 ? glyphOn_ : glyphOff_) = value;
    paintLoadFailed_ = false;
    update();
}

void TComLed::SetKind(TLedKind value) {
    if (value == kind_)
        return;
    kind_ = value;
    paintLoadFailed_ = false;
    LoadKindPictures();
    update();
}

// Both pictures of the pair or neither: a lamp never shows half of one kind and half of
// another.
void TComLed::LoadKindPictures() {
    if (kind_ >= lkCustom)
        return;
    const PicturePair& names = kindPictures[kind_];
    QPixmap on = LoadResourcePicture(names.on);
    QPixmap off = LoadResourcePicture(names.off);
    glyphOn_ = std::move(on);
    glyphOff_ = std::move(off);
}

void TComLed::paintEvent(QPaintEvent*) {
    try {
        Paint();
    } catch (...) {
        ReportPaintError(std::current_exception());
    }
}

void TComLed::Paint() {
    if ((glyphOn_.isNull() || glyphOff_.isNull()) && !paintLoadFailed_) {
        try {
            LoadKindPictures();
        } catch (...) {
            paintLoadFailed_ = true;
            throw;
        }
    }
    // The place follows the picture of the state; a disabled lamp is always dark.
    const QPixmap& placed = state_ == lsOn ? glyphOn_ : glyphOff_;
    const QPixmap& drawn = isEnabled() ? placed : glyphOff_;
    if (drawn.isNull())
        return;
    const QRect client = rect();
    const int x = client.left() + std::max(0, (client.width() - placed.width()) / 2);
    const int y = client.top() + std::max(0, (client.height() - placed.height()) / 2);

    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawPixmap(QRect(x, y, drawn.width(), drawn.height()),
                       EnlargedForDevice(drawn, DeviceScale(painter)));
}

// A modal error box must not open inside a paint: the error is shown as soon as the
// paint has finished, even if the lamp is gone by then.
void TComLed::ReportPaintError(std::exception_ptr error) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [error] {
            try {
                std::rethrow_exception(error);
            } catch (...) {
                ctl::ReportCurrentError();
            }
        },
        Qt::QueuedConnection);
}

} // namespace tavrin
