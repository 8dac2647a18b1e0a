#pragma once
// The program's dialog templates and string table.

#include "ui/resources.h"

namespace app {

const ui::Resources& ProgramResources();
const ui::DialogTemplate& MainDialogTemplate();
const ui::DialogTemplate& AboutDialogTemplate();
const ui::DialogTemplate& ConnectPromptTemplate();

// The caption of the main window; also the program's version.
inline constexpr const char* kMainCaption = "ZBK Utility V2.5";
inline constexpr const char* kVersion = "2.5";

}  // namespace app
