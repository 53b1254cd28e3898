// What screen readers read of the skinned controls Qt's own interfaces describe wrongly: the clickable
// labels (a link or a menu button, not static text), the radio buttons (which group themselves, so Qt would
// call them check boxes) and the progress bars (whose value is the percentage they show).
#pragma once

namespace skin {

// Installs the controls' accessibility interfaces with Qt, once; each such control calls it when created.
void installAccessibility();

}  // namespace skin
