#pragma once

// Whether Caps Lock is toggled on, as the keyboard of the display says. Off where there is
// no X11 display (another platform, or none at all).

#include <functional>

namespace tavrin {

bool CapsLockToggled();

// Replaces where the state comes from (tests have no keyboard to toggle); an empty
// function restores the display's keyboard.
void SetCapsLockSource(std::function<bool()> source);

} // namespace tavrin
