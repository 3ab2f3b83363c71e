#pragma once

// What a user does with the secondary windows: pick an item from a combo box's list,
// type into a field, and show a window modally while the test acts inside it.

#include "AppFixture.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QTest>
#include <QTimer>

namespace tavrin::testing {

// Opens the list of `box` and clicks item `index`, as a mouse user picks it.
inline void PickItem(QComboBox* box, int index) {
    box->showPopup();
    QAbstractItemView* list = box->view();
    ASSERT_TRUE(WaitUntil([list] { return list->isVisible(); })) << "the list never opened";
    const QPoint where = list->visualRect(box->model()->index(index, 0)).center();
    QTest::mouseMove(list->viewport(), where);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, where);
    ASSERT_TRUE(WaitUntil([list] { return !list->isVisible(); })) << "the list stayed open";
}

// Shows `window` modally, runs `inside` once it is the active modal window, closes it, and
// returns when the modal loop has ended.
template <class Window> void WhileShown(Window* window, std::function<void()> inside) {
    bool ran = false;
    QTimer::singleShot(0, window, [&] {
        if (WaitUntil([window] { return QApplication::activeModalWidget() == window; })) {
            inside();
            ran = true;
        }
        window->close();
    });
    window->ShowModal();
    EXPECT_TRUE(ran) << "the window never came up";
}

} // namespace tavrin::testing
