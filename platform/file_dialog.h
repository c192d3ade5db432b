#pragma once

#include <optional>
#include <string>

#include "app/main_window_port.h"

class QWidget;

namespace vt::platform {

// Qt's own file-open dialog for one existing file, its single filter entry labelled as given and
// listing folders and the files matching the patterns in any letter case. Returns the chosen path
// as the person chose it (a link stays itself, nothing canonicalised); no value when cancelled.
std::optional<std::string> ShowFileDialog(QWidget* parent, const app::FileDialogSetup& setup);

}  // namespace vt::platform
