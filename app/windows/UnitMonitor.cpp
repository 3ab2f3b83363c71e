#include "app/windows/UnitMonitor.h"

#include "app/line/FrameDrawing.h"
#include "app/line/LineTraffic.h"
#include "app/line/MonitorModel.h"
#include "app/qt/FormLook.h"
#include "app/qt/Guarded.h"
#include "app/widgets/FrameView.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

namespace tavrin {

TFormMonitor* FormMonitor = nullptr;

namespace {
const QString FrameHint = QStringLiteral(
    "Escolha um byte na tabela para ver o seu quadro: os bits como a linha os leva.");

// Fixed widths: a million rows are never measured.
constexpr int ColumnWidths[MonitorModel::ColumnCount] = {110, 70, 120, 60, 70, 100, 200};
constexpr int RowHeight = 22;
} // namespace

TFormMonitor::TFormMonitor(LineTraffic& traffic, QWidget* parent)
    : QWidget(parent, Qt::Window), traffic_(traffic) {
    setObjectName(QStringLiteral("FormMonitor"));
    setWindowTitle(QStringLiteral("Monitor da Linha"));
    setFont(DesignFont());
    if (parent)
        SetFormColor(this, FormColor(parent));
    Model = new MonitorModel(traffic_, MonitorModel::DefaultCapacity, this);
    BuildControls();
    DescribeControls();
    connect(Pausar, &QPushButton::clicked, this, Guarded([this] { PausarClick(); }));
    connect(Limpar, &QPushButton::clicked, this, Guarded([this] { LimparClick(); }));
    connect(Model, &MonitorModel::AboutToPublish, this, [this] {
        const QScrollBar* bar = Table->verticalScrollBar();
        followEnd_ = bar->value() >= bar->maximum();
        firstRow_ = bar->value();
        publishing_ = true;
    });
    connect(Model, &MonitorModel::Published, this, [this](int removed) {
        publishing_ = false;
        // At the end, the newest row stays in view; elsewhere, the rows being read stay put
        // while the oldest make room above them.
        if (followEnd_)
            Table->scrollToBottom();
        else
            Table->verticalScrollBar()->setValue(std::max(0, firstRow_ - removed));
    });
    connect(Model, &MonitorModel::modelReset, this, [this] { followEnd_ = true; });
    connect(Table->selectionModel(), &QItemSelectionModel::currentRowChanged, this, Guarded([this] {
                // The oldest rows making room move the current row, not the user's choice.
                const QModelIndex current = Table->currentIndex();
                if (!current.isValid() || publishing_)
                    return;
                chosen_ = Model->ByteAt(current.row());
                ShowFrame();
            }));
    connect(Model, &MonitorModel::FramingChanged, this, Guarded([this] { ShowFrame(); }));
    resize(900, 760);
    FormMonitor = this;
}

TFormMonitor::~TFormMonitor() {
    if (FormMonitor == this)
        FormMonitor = nullptr;
}

void TFormMonitor::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    const QFont buttonFont = PixelFont(QStringLiteral("MS Sans Serif"), 13);
    Pausar = new QPushButton(QStringLiteral("Pausar"), this);
    Pausar->setObjectName(QStringLiteral("Pausar"));
    Pausar->setCheckable(true);
    Limpar = new QPushButton(QStringLiteral("Limpar"), this);
    Limpar->setObjectName(QStringLiteral("Limpar"));
    for (QPushButton* button : {Pausar, Limpar}) {
        button->setFont(buttonFont);
        button->setMinimumWidth(100);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    layout->addLayout(buttons);

    Table = new QTableView(this);
    Table->setObjectName(QStringLiteral("Table"));
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(14);
    Table->setFont(fixed);
    Table->setModel(Model);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::SingleSelection);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setWordWrap(false);
    Table->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    QHeaderView* rows = Table->verticalHeader();
    rows->setVisible(false);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(RowHeight);
    rows->setMinimumSectionSize(RowHeight);
    QHeaderView* columns = Table->horizontalHeader();
    columns->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 13));
    columns->setSectionResizeMode(QHeaderView::Fixed);
    columns->setStretchLastSection(true);
    for (int column = 0; column < MonitorModel::ColumnCount; ++column)
        Table->setColumnWidth(column, ColumnWidths[column]);
    layout->addWidget(Table, 1);

    auto* frameBox = new QGroupBox(QStringLiteral("Quadro do byte escolhido"), this);
    frameBox->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 13));
    auto* frameLayout = new QVBoxLayout(frameBox);
    Frame = new FrameView(frameBox);
    Frame->setObjectName(QStringLiteral("Frame"));
    Frame->setFont(QFont(QStringLiteral("DejaVu Sans")));
    Frame->SetHint(FrameHint);
    frameLayout->addWidget(Frame);
    layout->addWidget(frameBox);
}

void TFormMonitor::DescribeControls() {
    setAccessibleName(QStringLiteral("Monitor da Linha"));
    setAccessibleDescription(QStringLiteral(
        "Cada byte enviado e recebido pela porta, na ordem em que passou pela linha."));
    Pausar->setAccessibleName(QStringLiteral("Pausar"));
    Pausar->setAccessibleDescription(
        QStringLiteral("Congela a tabela; o que chegar enquanto isso aparece ao continuar."));
    Pausar->setToolTip(Pausar->accessibleDescription());
    Limpar->setAccessibleName(QStringLiteral("Limpar"));
    Limpar->setAccessibleDescription(QStringLiteral("Apaga todos os bytes da tabela."));
    Limpar->setToolTip(Limpar->accessibleDescription());
    Table->setAccessibleName(QStringLiteral("Bytes da linha"));
    Table->setAccessibleDescription(QStringLiteral(
        "Um byte por linha: tempo desde a abertura da porta, sentido (TX enviado, RX recebido), "
        "intervalo desde o byte anterior no mesmo sentido, hexadecimal, decimal, caractere e "
        "erros da linha."));
    Frame->setAccessibleName(QStringLiteral("Quadro do byte"));
}

void TFormMonitor::PausarClick() {
    Model->SetPaused(Pausar->isChecked());
    Pausar->setText(Pausar->isChecked() ? QStringLiteral("Continuar") : QStringLiteral("Pausar"));
    Pausar->setAccessibleName(Pausar->text());
}

void TFormMonitor::LimparClick() {
    Model->Clear();
    chosen_.reset();
    Frame->SetDrawing({});
}

void TFormMonitor::ShowFrame() {
    if (chosen_)
        Frame->SetDrawing(DrawingOf(*chosen_, traffic_.Settings()));
}

} // namespace tavrin
