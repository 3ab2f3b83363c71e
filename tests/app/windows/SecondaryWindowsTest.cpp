// The help window, the about window and the terminal settings dialog: created hidden at
// start-up, shown modally by their menu items, and only hidden when closed.

#include "AppFixture.h"

#include <QTimer>

namespace tavrin::testing {
namespace {

using SecondaryWindowsTest = AppFixture;

TEST_F(SecondaryWindowsTest, MenuItemsShowTheirWindowModallyAndClosingOnlyHidesIt) {
    ShowMainWindow();
    struct Row {
        QAction* item;
        QDialog* window;
        QString caption;
    } rows[] = {
        {Quelt->Terminal1, ConfigTerm, QStringLiteral("Configuração do Terminal")},
        {Quelt->ComandoseIndicadores1, FormAjuda, QStringLiteral("Tavrin 1.0 Ajuda")},
        {Quelt->Sobre2, FormSobre, QStringLiteral("   Tavrin 1.0")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.caption.toStdString());
        for (int time = 0; time < 2; ++time) {
            QWidget* modal = nullptr;
            QTimer::singleShot(0, [&modal, &row] {
                WaitUntil([&modal] { return (modal = QApplication::activeModalWidget()); });
                if (modal == row.window)
                    row.window->close();
                else if (modal)
                    modal->close();
            });
            row.item->trigger(); // returns once the window is closed
            EXPECT_EQ(modal, row.window);
            EXPECT_EQ(row.window->windowTitle(), row.caption);
            EXPECT_FALSE(row.window->isVisible());
            EXPECT_TRUE(Quelt->isVisible());
        }
    }
    EXPECT_TRUE(boxes.empty());
}

} // namespace
} // namespace tavrin::testing
