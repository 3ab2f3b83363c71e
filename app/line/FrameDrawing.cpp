#include "app/line/FrameDrawing.h"

#include "app/line/ByteNames.h"
#include "app/line/CharacterFrame.h"

namespace tavrin {

namespace {
QString NameOf(const FrameBit& bit) {
    switch (bit.kind) {
    case FrameBitKind::Idle:
        return QStringLiteral("Repouso");
    case FrameBitKind::Start:
        return QStringLiteral("Start");
    case FrameBitKind::Data:
        return QStringLiteral("D%1").arg(bit.index);
    case FrameBitKind::Parity:
        return QStringLiteral("P");
    case FrameBitKind::Stop:
        if (bit.length == 2)
            return QStringLiteral("Stop (2 bits)");
        if (bit.length != 1)
            return QStringLiteral("Stop (1.5 bit)");
        return QStringLiteral("Stop");
    }
    return {};
}

QString ParityText(TParityBits parity) {
    switch (parity) {
    case prOdd:
        return QStringLiteral("Paridade ímpar: os bits de dados e P somam um número ímpar de 1s.");
    case prEven:
        return QStringLiteral("Paridade par: os bits de dados e P somam um número par de 1s.");
    case prMark:
        return QStringLiteral("Paridade marca: P é sempre 1.");
    case prSpace:
        return QStringLiteral("Paridade espaço: P é sempre 0.");
    case prNone:
        break;
    }
    return QStringLiteral("Sem paridade: nenhum bit P.");
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}
} // namespace

FrameView::Drawing DrawingOf(unsigned char byte, const LineSettings& settings) {
    const CharacterFrame frame = FrameOf(byte, settings);
    FrameView::Drawing drawing;
    drawing.title =
        QStringLiteral("%1  %2  (%3)  em %4")
            .arg(HexOf(byte), ByteName(byte), QString::number(byte), Text(Describe(settings)));
    int bits = 0;
    for (const FrameBit& bit : frame.bits) {
        drawing.cells.push_back(
            {NameOf(bit), bit.level, bit.length, bit.kind == FrameBitKind::Idle});
        if (bit.kind == FrameBitKind::Data)
            ++bits;
    }
    drawing.cells.push_back({QStringLiteral("Repouso"), 1, 1, true});
    // The axis in the unit the bit's time is told in.
    const bool micro = frame.bitSeconds < 1e-3;
    drawing.unit = micro ? QStringLiteral("µs") : QStringLiteral("ms");
    drawing.unitsPerBit = frame.bitSeconds * (micro ? 1e6 : 1e3);

    const double bitTimes = frame.bitSeconds > 0 ? frame.characterSeconds / frame.bitSeconds : 0;
    drawing.notes << QStringLiteral("Bit: %1    Caractere: %2 (%3 tempos de bit)")
                         .arg(Text(DurationText(frame.bitSeconds)),
                              Text(DurationText(frame.characterSeconds)),
                              QString::number(bitTimes, 'g', 3));
    drawing.notes << ParityText(settings.parity);
    QString order = QStringLiteral("Os bits de dados saem do menos significativo (D0) ao mais "
                                   "significativo (D%1).")
                        .arg(bits - 1);
    if (bits < 8 && (byte >> bits) != 0)
        order += QStringLiteral(" Com %1 bits de dados, os bits acima de D%2 não vão na linha.")
                     .arg(bits)
                     .arg(bits - 1);
    drawing.notes << order;
    return drawing;
}

} // namespace tavrin
