#pragma once

// The rows of the line monitor: one per byte sent or received, in the order the main window
// handled them, the newest million kept. A row is a few bytes; its texts are made only when
// the view asks for them. Arrivals wait in a second store and join the rows on a coarse
// timer, so that a flood costs the view one insertion every few tens of milliseconds rather
// than one per byte; while paused they keep waiting (the newest million of them).

#include "app/line/LineTraffic.h"

#include <QAbstractTableModel>
#include <QTimer>

#include <array>
#include <cstdint>
#include <deque>
#include <optional>

namespace tavrin {

class MonitorModel : public QAbstractTableModel, public LineListener {
    Q_OBJECT
public:
    enum Column { ColTime, ColDirection, ColGap, ColHex, ColDecimal, ColCharacter, ColErrors };
    static constexpr int ColumnCount = ColErrors + 1;
    static constexpr std::size_t DefaultCapacity = 1'000'000;
    // How long arrivals wait before they join the rows.
    static constexpr int PublishIntervalMs = 40;

    // Joins `traffic` for the model's life; times count from its last opening.
    explicit MonitorModel(LineTraffic& traffic, std::size_t capacity = DefaultCapacity,
                          QObject* parent = nullptr);
    ~MonitorModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    unsigned char ByteAt(int row) const;
    bool IsReceived(int row) const;

    // Paused, the rows stay as they are; what arrives shows on resuming.
    void SetPaused(bool paused);
    bool Paused() const { return paused_; }
    // Empties the rows and what waits to join them.
    void Clear();
    // Joins what waits to the rows now rather than at the next tick.
    void Publish();
    std::size_t Waiting() const { return waiting_.size(); }

    void Sent(LineClock::time_point at, char byte) override;
    void Received(LineClock::time_point at, std::string_view bytes) override;
    void LineErrors(LineClock::time_point at, TComErrors errors) override;
    void Opened(LineClock::time_point at, const LineSettings& settings) override;
    void Closed(LineClock::time_point at) override;
    void SettingsChanged(LineClock::time_point at, const LineSettings& settings) override;
    void DsrChanged(LineClock::time_point at, bool on) override;

signals:
    // Around every change of the rows by arrivals: the view decides before whether it
    // follows the end, and after where it stands. `removed`: the oldest rows that made room.
    void AboutToPublish();
    void Published(int removed);
    // The port's settings may have changed, and with them how a byte is framed.
    void FramingChanged();

private:
    static constexpr std::uint32_t NoGap = 0xFFFFFFFF;
    struct Row {
        std::uint32_t time; // tenths of a millisecond since the port opened
        std::uint32_t gap;  // tenths of a millisecond since the last one this way, or NoGap
        std::uint8_t byte;
        std::uint8_t received;
        std::uint8_t errors; // the TComErrors that came with it
    };
    // Two stores of a million rows each stay within some 24 MB.
    static_assert(sizeof(Row) <= 12);

    void Add(LineClock::time_point at, unsigned char byte, bool received);
    void Wake();
    // The row with sequence number `seq`, wherever it is now; null once it is gone.
    Row* Find(std::uint64_t seq, bool& shown);

    LineTraffic& traffic_;
    std::size_t capacity_;
    std::deque<Row> rows_;    // shown
    std::deque<Row> waiting_; // not yet shown
    // Every row ever added has a sequence number; rows_ holds [rowsFirst_, ...) and
    // waiting_ the newest ones up to next_.
    std::uint64_t rowsFirst_ = 0;
    std::uint64_t next_ = 0;
    std::uint64_t chunkFirst_ = 0, chunkEnd_ = 0; // the last chunk received
    std::uint8_t errorsAhead_ = 0;                // errors that came before any chunk
    std::optional<LineClock::time_point> origin_;
    std::array<std::optional<LineClock::time_point>, 2> last_; // the last one sent, received
    bool paused_ = false;
    QTimer tick_;
};

// "paridade, quadro": the errors of a row, in Portuguese.
QString ErrorsText(TComErrors errors);

} // namespace tavrin
