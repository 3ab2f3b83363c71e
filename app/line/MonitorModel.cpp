#include "app/line/MonitorModel.h"

#include "app/line/ByteNames.h"

#include <QBrush>
#include <QColor>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace tavrin {

namespace {
// Blue and orange: apart for every kind of colour vision, and dark enough on white.
const QColor SentColor(0x10, 0x4e, 0x9e);
const QColor ReceivedColor(0xa8, 0x4a, 0x00);
const QColor ErrorColor(0xc0, 0x00, 0x00);

std::uint32_t Tenths(LineClock::duration d) {
    const double tenths = std::chrono::duration<double, std::milli>(d).count() * 10;
    return static_cast<std::uint32_t>(std::clamp(std::lround(tenths), 0L, 0xFFFFFFFEL));
}

QString Milliseconds(std::uint32_t tenths) {
    return QString::number(tenths / 10) + u'.' + QChar(u'0' + tenths % 10);
}
} // namespace

QString ErrorsText(TComErrors errors) {
    static const struct {
        TComErrorKind kind;
        const char16_t* text;
    } names[] = {
        {errParity, u"paridade"},
        {errFrame, u"quadro"},
        {errOverrun, u"sobrecarga"},
        {errBreak, u"interrupção (break)"},
        {errRxOverflow, u"recepção transbordou"},
        {errIO, u"E/S"},
        {errMode, u"modo"},
        {errTxFull, u"transmissão cheia"},
    };
    QStringList texts;
    for (const auto& name : names)
        if (errors.Contains(name.kind))
            texts << QString::fromUtf16(name.text);
    return texts.join(QStringLiteral(", "));
}

MonitorModel::MonitorModel(LineTraffic& traffic, std::size_t capacity, QObject* parent)
    : QAbstractTableModel(parent), traffic_(traffic), capacity_(std::max<std::size_t>(1, capacity)),
      origin_(traffic.OpenedAt()) {
    tick_.setSingleShot(true);
    tick_.setInterval(PublishIntervalMs);
    connect(&tick_, &QTimer::timeout, this, [this] { Publish(); });
    traffic_.Listen(this);
}

MonitorModel::~MonitorModel() {
    traffic_.Leave(this);
}

int MonitorModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int MonitorModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

unsigned char MonitorModel::ByteAt(int row) const {
    return rows_.at(static_cast<std::size_t>(row)).byte;
}

bool MonitorModel::IsReceived(int row) const {
    return rows_.at(static_cast<std::size_t>(row)).received != 0;
}

QVariant MonitorModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 ||
        static_cast<std::size_t>(index.row()) >= rows_.size())
        return {};
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    const auto errors = TComErrors::FromBits(row.errors);
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case ColTime:
            return Milliseconds(row.time);
        case ColDirection:
            return row.received ? QStringLiteral("RX") : QStringLiteral("TX");
        case ColGap:
            return row.gap == NoGap ? QString() : Milliseconds(row.gap);
        case ColHex:
            return HexOf(row.byte);
        case ColDecimal:
            return QString::number(row.byte);
        case ColCharacter:
            return ByteName(row.byte);
        case ColErrors:
            return ErrorsText(errors);
        }
        break;
    case Qt::ForegroundRole:
        if (index.column() == ColErrors)
            return QBrush(ErrorColor);
        return QBrush(row.received ? ReceivedColor : SentColor);
    case Qt::TextAlignmentRole:
        if (index.column() == ColDirection || index.column() == ColCharacter ||
            index.column() == ColErrors)
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::AccessibleDescriptionRole:
        return row.received ? QStringLiteral("Recebido") : QStringLiteral("Enviado");
    }
    return {};
}

QVariant MonitorModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char16_t* const titles[ColumnCount] = {
        u"Tempo (ms)", u"Sentido", u"Intervalo (ms)", u"Hex", u"Decimal", u"Caractere", u"Erros",
    };
    return section >= 0 && section < ColumnCount ? QString::fromUtf16(titles[section]) : QVariant();
}

void MonitorModel::SetPaused(bool paused) {
    paused_ = paused;
    if (paused_)
        tick_.stop();
    else
        Publish();
}

void MonitorModel::Clear() {
    tick_.stop();
    beginResetModel();
    rows_.clear();
    waiting_.clear();
    rowsFirst_ = next_;
    chunkFirst_ = chunkEnd_ = next_;
    errorsAhead_ = 0;
    last_ = {};
    endResetModel();
}

void MonitorModel::Publish() {
    tick_.stop();
    if (waiting_.empty())
        return;
    emit AboutToPublish();
    // The waiting rows are never more than the rows hold: the oldest shown ones make room.
    const std::size_t total = rows_.size() + waiting_.size();
    const std::size_t overflow = total > capacity_ ? total - capacity_ : 0;
    if (overflow > 0) {
        beginRemoveRows({}, 0, static_cast<int>(overflow) - 1);
        rows_.erase(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(overflow));
        endRemoveRows();
    }
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(waiting_.size()) - 1);
    rows_.insert(rows_.end(), waiting_.begin(), waiting_.end());
    rowsFirst_ = next_ - rows_.size();
    waiting_.clear();
    endInsertRows();
    emit Published(static_cast<int>(overflow));
}

void MonitorModel::Wake() {
    if (!paused_ && !tick_.isActive())
        tick_.start();
}

void MonitorModel::Add(LineClock::time_point at, unsigned char byte, bool received) {
    if (!origin_)
        origin_ = at;
    auto& last = last_[received ? 1 : 0];
    Row row{Tenths(at - *origin_), last ? Tenths(at - *last) : NoGap, byte,
            static_cast<std::uint8_t>(received), 0};
    last = at;
    if (waiting_.size() == capacity_)
        waiting_.pop_front();
    waiting_.push_back(row);
    ++next_;
}

void MonitorModel::Sent(LineClock::time_point at, char byte) {
    Add(at, static_cast<unsigned char>(byte), false);
    Wake();
}

void MonitorModel::Received(LineClock::time_point at, std::string_view bytes) {
    chunkFirst_ = next_;
    if (!bytes.empty()) {
        // A chunk shares one time: its first byte has the gap, the others none. Worked out
        // once per chunk, as a flood brings chunks of many kilobytes.
        if (!origin_)
            origin_ = at;
        auto& last = last_[1];
        const std::uint32_t time = Tenths(at - *origin_);
        std::uint32_t gap = last ? Tenths(at - *last) : NoGap;
        last = at;
        // Of a chunk larger than the store only its newest bytes could stay.
        const std::size_t dropped = bytes.size() > capacity_ ? bytes.size() - capacity_ : 0;
        if (dropped > 0) {
            bytes.remove_prefix(dropped);
            next_ += dropped;
            gap = 0;
        }
        const std::size_t room = capacity_ - waiting_.size();
        if (bytes.size() > room)
            waiting_.erase(waiting_.begin(),
                           waiting_.begin() + static_cast<std::ptrdiff_t>(bytes.size() - room));
        for (const char byte : bytes) {
            waiting_.push_back(Row{time, gap, static_cast<unsigned char>(byte), 1, 0});
            gap = 0;
        }
        next_ += bytes.size();
    }
    chunkEnd_ = next_;
    if (errorsAhead_ != 0) {
        const std::uint8_t errors = std::exchange(errorsAhead_, 0);
        LineErrors(at, TComErrors::FromBits(errors));
    }
    Wake();
}

MonitorModel::Row* MonitorModel::Find(std::uint64_t seq, bool& shown) {
    const std::uint64_t waitingFirst = next_ - waiting_.size();
    if (seq >= waitingFirst && seq < next_) {
        shown = false;
        return &waiting_[static_cast<std::size_t>(seq - waitingFirst)];
    }
    if (seq >= rowsFirst_ && seq < rowsFirst_ + rows_.size()) {
        shown = true;
        return &rows_[static_cast<std::size_t>(seq - rowsFirst_)];
    }
    return nullptr;
}

void MonitorModel::LineErrors(LineClock::time_point, TComErrors errors) {
    // They belong to the chunk read last; before any chunk, to the next one.
    if (chunkFirst_ == chunkEnd_) {
        errorsAhead_ |= errors.ToBits();
        return;
    }
    int firstShown = -1, lastShown = -1;
    for (std::uint64_t seq = chunkFirst_; seq < chunkEnd_; ++seq) {
        bool shown = false;
        if (Row* row = Find(seq, shown)) {
            row->errors |= errors.ToBits();
            if (shown) {
                const int at = static_cast<int>(seq - rowsFirst_);
                firstShown = firstShown < 0 ? at : firstShown;
                lastShown = at;
            }
        }
    }
    if (firstShown >= 0)
        emit dataChanged(index(firstShown, ColErrors), index(lastShown, ColErrors));
}

void MonitorModel::Opened(LineClock::time_point at, const LineSettings&) {
    origin_ = at;
    chunkFirst_ = chunkEnd_ = next_;
    emit FramingChanged();
}

void MonitorModel::Closed(LineClock::time_point) {}

void MonitorModel::SettingsChanged(LineClock::time_point, const LineSettings&) {
    emit FramingChanged();
}

void MonitorModel::DsrChanged(LineClock::time_point, bool) {}

} // namespace tavrin
