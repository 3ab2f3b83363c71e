// The signal lamp as it is seen: the picture pair of each kind, its place in the lamp,
// transparency, the dark picture of a disabled lamp, custom pictures, high pixel densities
// and a picture missing from the resources.

#include "ComLedFixture.h"

#include <QBitmap>
#include <QPainter>

// The test program links the lamp pictures in under this resource name. Q_INIT_RESOURCE
// and Q_CLEANUP_RESOURCE name global functions, so these two live outside any namespace.
static void RemoveLampPictures() {
    Q_CLEANUP_RESOURCE(tavrin_leds);
}

static void RestoreLampPictures() {
    Q_INIT_RESOURCE(tavrin_leds);
}

namespace tavrin::testing {
namespace {

QImage ResourcePicture(const char* name) {
    QImage image(QStringLiteral(":/leds/%1.bmp").arg(QLatin1String(name)));
    return image.convertToFormat(QImage::Format_ARGB32);
}

// Checks that `picture` (its bottom-left colour left out) lies at logical `at` of
// `rendered`, each of its pixels a ratio x ratio block of its own colour, and that nothing
// else of the lamp is drawn.
void ExpectDrawnAt(const QImage& rendered, const QImage& picture, QPoint at, int ratio = 1) {
    const QRgb key = picture.pixel(0, picture.height() - 1);
    const QRect logical(QPoint(0, 0), rendered.size() / ratio);
    int mismatches = 0;
    for (int y = 0; y < logical.height(); ++y) {
        for (int x = 0; x < logical.width(); ++x) {
            const QPoint source = QPoint(x, y) - at;
            const bool inPicture = picture.rect().contains(source);
            const QRgb colour = inPicture ? picture.pixel(source) : key;
            for (int dy = 0; dy < ratio; ++dy) {
                for (int dx = 0; dx < ratio; ++dx) {
                    const QRgb seen = rendered.pixel(x * ratio + dx, y * ratio + dy);
                    const bool ok =
                        colour == key ? qAlpha(seen) == 0 : seen == (colour | 0xFF000000u);
                    if (!ok && ++mismatches <= 5)
                        ADD_FAILURE() << "logical pixel (" << x << "," << y << ") device +(" << dx
                                      << "," << dy << "): " << std::hex << seen << " where "
                                      << (colour == key ? 0u : colour) << " belongs";
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

void ExpectNothingDrawn(const QImage& rendered) {
    int drawn = 0;
    for (int y = 0; y < rendered.height(); ++y)
        for (int x = 0; x < rendered.width(); ++x)
            drawn += qAlpha(rendered.pixel(x, y)) != 0;
    EXPECT_EQ(drawn, 0);
}

QRgb CentreOf(const QImage& rendered) {
    return rendered.pixel(12, 12) & 0xFFFFFFu;
}

struct KindRow {
    TLedKind kind;
    const char* on;
    const char* off;
    QRgb centreOn;
    QRgb centreOff;
};

const KindRow kinds[] = {
    {lkRedLight, "LEDREDON", "LEDREDOFF", 0xFF0000, 0x800000},
    {lkGreenLight, "LEDGREENON", "LEDGREENOFF", 0x00FF00, 0x008000},
    {lkBlueLight, "LEDBLUEON", "LEDBLUEOFF", 0x0000FF, 0x000080},
    {lkYellowLight, "LEDYELLOWON", "LEDYELLOWOFF", 0xFFFF00, 0x808000},
    {lkPurpleLight, "LEDPURPLEON", "LEDPURPLEOFF", 0xFF00FF, 0x800080},
    {lkBulb, "LEDBULBON", "LEDBULBOFF", 0xFFFF00, 0xFFFFFF},
};

// A picture of one colour with a distinct top-left pixel and a bottom-left pixel that is
// the transparent one.
QPixmap Picture(QSize size, QColor fill = QColor(10, 200, 30)) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(fill);
    image.setPixelColor(0, 0, QColor(250, 5, 5));
    image.setPixelColor(0, size.height() - 1, QColor(1, 2, 3));
    return QPixmap::fromImage(image);
}

class ComLedPaintTest : public ComLedFixture {};

TEST_F(ComLedPaintTest, EachKindShowsItsPictureLitAndDarkCentredWithItsBackgroundLeftOut) {
    for (const KindRow& row : kinds) {
        for (TLedState state : {lsOn, lsOff}) {
            SCOPED_TRACE(state == lsOn ? row.on : row.off);
            lamp = NewLamp();
            lamp->SetKind(row.kind);
            lamp->SetState(state);

            const QImage rendered = RenderLamp(*lamp);

            EXPECT_EQ(CentreOf(rendered), state == lsOn ? row.centreOn : row.centreOff);
            ExpectDrawnAt(rendered, ResourcePicture(state == lsOn ? row.on : row.off), {5, 5});
        }
    }
}

TEST_F(ComLedPaintTest, FirstPaintLoadsTheKindsPicturesMadeTransparent) {
    RenderLamp(*lamp);

    const QImage on = lamp->GlyphOn().toImage();
    const QImage off = lamp->GlyphOff().toImage();
    ASSERT_EQ(on.size(), QSize(15, 15));
    ASSERT_EQ(off.size(), QSize(15, 15));
    EXPECT_EQ(on.pixelColor(7, 7).name(), "#ff0000");
    EXPECT_EQ(off.pixelColor(7, 7).name(), "#800000");
    EXPECT_EQ(on.pixelColor(0, 14).alpha(), 0);
    EXPECT_EQ(off.pixelColor(0, 0).alpha(), 0);
    EXPECT_TRUE(errors.empty());
}

TEST_F(ComLedPaintTest, LampShowsItsParentAroundThePicture) {
    QWidget parent;
    parent.resize(40, 40);
    QPalette palette = parent.palette();
    palette.setColor(QPalette::Window, QColor(1, 90, 200));
    parent.setPalette(palette);
    parent.setAutoFillBackground(true);
    lamp->setParent(&parent);
    lamp->move(10, 10);
    lamp->SetState(lsOn);

    const QImage seen = parent.grab().toImage();

    EXPECT_EQ(seen.pixelColor(10 + 12, 10 + 12).name(), "#ff0000"); // the lamp's centre
    for (QPoint corner : {QPoint(10, 10), QPoint(15, 15), QPoint(15, 29), QPoint(34, 34)})
        EXPECT_EQ(seen.pixelColor(corner).name(), "#015ac8") << corner.x() << "," << corner.y();
    lamp->setParent(nullptr);
}

struct PlaceRow {
    QSize picture;
    QSize lamp;
    QPoint at;
};

// Centred by whole pixels, truncating; a picture larger than the lamp starts at its edge
// and is clipped.
TEST_F(ComLedPaintTest, PictureIsPlacedByTheIntegerRule) {
    const PlaceRow rows[] = {
        {{15, 15}, {25, 25}, {5, 5}}, {{10, 6}, {25, 25}, {7, 9}},  {{16, 16}, {25, 25}, {4, 4}},
        {{40, 40}, {25, 25}, {0, 0}}, {{40, 10}, {25, 25}, {0, 7}}, {{15, 15}, {40, 20}, {12, 2}},
    };
    for (const PlaceRow& row : rows) {
        SCOPED_TRACE(QStringLiteral("%1x%2 in %3x%4")
                         .arg(row.picture.width())
                         .arg(row.picture.height())
                         .arg(row.lamp.width())
                         .arg(row.lamp.height())
                         .toStdString());
        lamp = NewLamp();
        lamp->resize(row.lamp);
        lamp->SetKind(lkCustom);
        QPixmap picture = Picture(row.picture);
        lamp->SetGlyphOff(picture);

        ExpectDrawnAt(RenderLamp(*lamp), Picture(row.picture).toImage(), row.at);
    }
}

TEST_F(ComLedPaintTest, DisabledLampShowsTheDarkPictureWithoutChangingItsState) {
    lamp->SetState(lsOn);
    QWidget parent;
    lamp->setParent(&parent);
    changes.clear();

    for (QWidget* disabled : {static_cast<QWidget*>(lamp.get()), &parent}) {
        SCOPED_TRACE(disabled == &parent ? "parent disabled" : "lamp disabled");
        disabled->setEnabled(false);
        EXPECT_EQ(CentreOf(RenderLamp(*lamp)), 0x800000u);
        EXPECT_EQ(lamp->State(), lsOn);

        disabled->setEnabled(true);
        EXPECT_EQ(CentreOf(RenderLamp(*lamp)), 0xFF0000u);
    }
    EXPECT_TRUE(changes.empty());
    lamp->setParent(nullptr);
}

TEST_F(ComLedPaintTest, EnablingOrDisablingAsksForARepaint) {
    QWidget parent;
    lamp->setParent(&parent);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    QCoreApplication::processEvents();
    bool painted = false;
    struct PaintSpy : QObject {
        bool* painted;
        explicit PaintSpy(bool* flag) : painted(flag) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint)
                *painted = true;
            return false;
        }
    } spy(&painted);
    lamp->installEventFilter(&spy);

    lamp->setEnabled(false);

    EXPECT_TRUE(WaitUntil([&] { return painted; }));
    lamp->removeEventFilter(&spy);
    lamp->setParent(nullptr);
}

TEST_F(ComLedPaintTest, CustomKindDrawsOnlyPicturesAssignedWhileItIsCustom) {
    QPixmap given = Picture({15, 15});

    // Another kind ignores the write, and leaves the caller's picture alone.
    lamp->SetGlyphOn(given);
    EXPECT_TRUE(lamp->GlyphOn().isNull());
    EXPECT_FALSE(given.hasAlpha());

    // Custom without pictures draws nothing.
    lamp->SetKind(lkCustom);
    lamp->SetState(lsOn);
    ExpectNothingDrawn(RenderLamp(*lamp));

    // Assigned while custom: the caller's picture is made transparent too.
    lamp->SetGlyphOn(given);
    const QImage masked = given.toImage();
    EXPECT_EQ(qAlpha(masked.pixel(0, 14)), 0);
    EXPECT_EQ(qAlpha(masked.pixel(3, 3)), 255);
    EXPECT_EQ(lamp->GlyphOn().toImage(), masked);
    ExpectDrawnAt(RenderLamp(*lamp), Picture({15, 15}).toImage(), {5, 5});
}

TEST_F(ComLedPaintTest, StandardKindReplacesCustomPicturesAndCustomKeepsThem) {
    lamp->SetKind(lkCustom);
    QPixmap on = Picture({15, 15});
    lamp->SetGlyphOn(on);
    lamp->SetState(lsOn);

    lamp->SetKind(lkGreenLight);
    EXPECT_EQ(CentreOf(RenderLamp(*lamp)), 0x00FF00u);

    lamp->SetKind(lkCustom);
    EXPECT_EQ(CentreOf(RenderLamp(*lamp)), 0x00FF00u);
    lamp->SetState(lsOff);
    EXPECT_EQ(CentreOf(RenderLamp(*lamp)), 0x008000u);
}

// Each pixel of the art becomes a whole block of device pixels: no blending, no seams, at
// the same logical place.
TEST_F(ComLedPaintTest, PixelArtStaysCrispAtHighPixelDensities) {
    for (int ratio : {2, 3}) {
        SCOPED_TRACE(ratio);
        for (TLedState state : {lsOn, lsOff}) {
            lamp->SetState(state);
            ExpectDrawnAt(RenderLamp(*lamp, ratio),
                          ResourcePicture(state == lsOn ? "LEDREDON" : "LEDREDOFF"), {5, 5}, ratio);
        }
    }
}

// Brings the pictures back however the test ends.
struct PicturesRemoved {
    PicturesRemoved() { RemoveLampPictures(); }
    ~PicturesRemoved() { RestoreLampPictures(); }
};

TEST_F(ComLedPaintTest, MissingPictureIsReportedOnceFromThePaintAndRaisedFromAKindWrite) {
    {
        PicturesRemoved removed;

        RenderLamp(*lamp);
        ASSERT_TRUE(WaitUntil([&] { return !errors.empty(); }));
        EXPECT_EQ(errors, std::vector{QStringLiteral("Resource LEDREDON not found")});
        // Later paints do not bring the same box up again and again.
        RenderLamp(*lamp);
        QCoreApplication::processEvents();
        EXPECT_EQ(errors.size(), 1u);

        try {
            lamp->SetKind(lkBlueLight);
            ADD_FAILURE() << "no error";
        } catch (const EResNotFound& error) {
            EXPECT_STREQ(error.what(), "Resource LEDBLUEON not found");
        }
        EXPECT_EQ(lamp->Kind(), lkBlueLight);
    }
    lamp->SetKind(lkGreenLight);
    lamp->SetState(lsOn);
    EXPECT_EQ(CentreOf(RenderLamp(*lamp)), 0x00FF00u);
    QCoreApplication::processEvents();
    EXPECT_EQ(errors.size(), 1u);
}

} // namespace
} // namespace tavrin::testing
