#pragma once

// A status bar made of fixed-width text panels. QStatusBar's own message area would hide
// the panels whenever it shows a text, so the panels are plain labels and nothing else is
// ever shown in the bar.

#include <QStatusBar>
#include <QString>
#include <vector>

class QLabel;

namespace tavrin {

class TStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TStatusBar(QWidget* parent = nullptr);

    // Appends a panel `width` pixels wide (its frame included).
    void AddPanel(int width);
    int PanelCount() const { return static_cast<int>(panels_.size()); }
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString& text);
    QLabel* Panel(int index) const { return panels_.at(static_cast<std::size_t>(index)); }

private:
    std::vector<QLabel*> panels_;
};

} // namespace tavrin
