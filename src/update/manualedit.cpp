// SPDX-License-Identifier: GPL-3.0-or-later
#include "manualedit.h"

namespace velmaris {

EditorStart editIndexFile(const QString& indexPath, QObject* owner, std::function<void()> ended)
{
    // The path goes to the editor as one argument, blanks and all.
    return startTextEditor(indexPath, owner, std::move(ended));
}

} // namespace velmaris
