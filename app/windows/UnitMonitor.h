#pragma once

// The line monitor: every byte sent and received, one row each, and below the rows the
// frame of the chosen byte as the line carries it at the port's settings. Not modal: the
// main window goes on working beside it. Created on first use; closing only hides it, and
// it goes on listening, so that opening it again shows what crossed the line meanwhile.

#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;
class QTableView;

namespace tavrin {

class FrameView;
class LineTraffic;
class MonitorModel;

class TFormMonitor : public QWidget {
    Q_OBJECT
public:
    // Listens to `traffic` until destroyed; it must not outlive it.
    explicit TFormMonitor(LineTraffic& traffic, QWidget* parent = nullptr);
    ~TFormMonitor() override;

    QPushButton* Pausar = nullptr;
    QPushButton* Limpar = nullptr;
    QTableView* Table = nullptr;
    FrameView* Frame = nullptr;
    MonitorModel* Model = nullptr;

    void PausarClick();
    void LimparClick();

private:
    void BuildControls();
    void DescribeControls();
    void ShowFrame();

    LineTraffic& traffic_;
    std::optional<unsigned char> chosen_; // the byte whose frame shows
    bool followEnd_ = true;
    int firstRow_ = 0;
    bool publishing_ = false; // the model is changing the rows
};

extern TFormMonitor* FormMonitor;

} // namespace tavrin
