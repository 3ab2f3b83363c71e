#pragma once

// The change handler of a drop-down combo box with an editable text field runs when the
// user picks an item (from the list, with the arrow keys or the wheel, even the item
// already shown) and on every edit of the text field, never when the program selects an
// item. Once the user has typed, no item is selected: currentIndex() is -1 while the
// typed text stays in the field.

#include <functional>

class QComboBox;

namespace tavrin {

// Makes `box` editable, adds nothing typed to its items, completes nothing, and binds
// `handler` as its change handler.
void BindUserChange(QComboBox* box, std::function<void()> handler);

} // namespace tavrin
