#include "manualedit.h"

#include "programs.h"

#include <QCoreApplication>

namespace velmaris {

namespace {

std::function<void()>& programEnd()
{
    static std::function<void()> end;
    return end;
}

} // namespace

bool editIndexFileAndQuit(const QString& indexPath)
{
    // The path goes to the editor as one argument, blanks and all.
    if (!openInTextEditor(indexPath))
        return false;
    if (programEnd())
        programEnd()();
    else
        QCoreApplication::quit();
    return true;
}

void setProgramEnd(std::function<void()> end)
{
    programEnd() = std::move(end);
}

} // namespace velmaris
