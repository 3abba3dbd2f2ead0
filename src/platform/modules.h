#pragma once

#include <QString>

namespace velmaris {

// Finds `entry` in the program's module `fileName` (libvelmaris_zip.so, say),
// loading it on first use: from beside the program (a build or a portable
// copy), from lib/velmaris beside an installed bin/, else from the build tree.
// VELMARIS_MODULE_DIR, when set, is the one folder looked in. A module stays
// loaded once found. Null, with the reason in French in
// *reason, when it cannot be loaded or lacks the entry.
void* moduleEntry(const char* fileName, const char* entry, QString* reason = nullptr);

// Why a command cannot be done without its module, in French, with no final
// stop (callers put it in their own sentence): what needed it (`what`: "la
// lecture des fichiers ZIP", say), the reason, and what to do.
QString missingModuleText(const QString& what, const QString& reason);

} // namespace velmaris
