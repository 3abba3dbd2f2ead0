#include "modules.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <dlfcn.h>

namespace velmaris {

namespace {

QStringList moduleFolders()
{
    // One folder named by hand (a portable copy laid out otherwise, a test).
    if (const QString chosen = qEnvironmentVariable("VELMARIS_MODULE_DIR"); !chosen.isEmpty())
        return {chosen};
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QString folder = program.isEmpty() ? QString() : QFileInfo(program).absolutePath();
    QStringList folders;
    if (!folder.isEmpty())
        folders << folder << folder + QStringLiteral("/../lib/velmaris");
#ifdef VELMARIS_BUILD_MODULE_DIR
    folders << QStringLiteral(VELMARIS_BUILD_MODULE_DIR);
#endif
    return folders;
}

} // namespace

void* moduleEntry(const char* fileName, const char* entry, QString* reason)
{
    QString failure = QStringLiteral("%1 est introuvable").arg(QString::fromUtf8(fileName));
    for (const QString& folder : moduleFolders()) {
        const QByteArray path = QFile::encodeName(folder + u'/' + QString::fromUtf8(fileName));
        if (!QFileInfo::exists(QFile::decodeName(path)))
            continue;
        // Loaded once for the process: dlopen counts the calls, the module stays.
        // Its calls are bound as they are first made, as a program's own
        // libraries are: binding all of them here (RTLD_NOW) made the window
        // start a few per cent later, for calls that most runs never make.
        void* module = ::dlopen(path.constData(), RTLD_LAZY | RTLD_LOCAL);
        if (!module) {
            failure = QString::fromLocal8Bit(::dlerror());
            continue;
        }
        if (void* found = ::dlsym(module, entry))
            return found;
        failure = QStringLiteral("%1 n'a pas le point d'entrée %2")
                      .arg(QFile::decodeName(path), QString::fromUtf8(entry));
    }
    if (reason)
        *reason = failure;
    return nullptr;
}

QString missingModuleText(const QString& what, const QString& reason)
{
    return QStringLiteral("%1 demande un module de Velmaris qui ne se charge pas (%2) ; "
                          "réinstallez le programme")
        .arg(what, reason);
}

} // namespace velmaris
