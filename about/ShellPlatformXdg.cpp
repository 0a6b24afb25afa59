// The shell layer for freedesktop systems. The desktop's own opener (QDesktopServices, which
// goes through the portal or xdg-open) stands in for the Windows shell, and its outcome is
// mapped onto the Windows shell's codes so ShellOpen reports the same errors everywhere:
//   no opener for the address or file type, or a verb other than "open"  -> 31 (no association)
//   local file missing                                                    -> 2  (file not found)
//   directory of the file or the working directory missing                -> 3  (path not found)
//   a program that exists but cannot be started                           -> 11 (invalid
//   executable) no GUI application to ask                                             -> 0  (cannot
//   ask at all) handed over                                                           -> 42 (any
//   value above 32)
// Show mode and owner window have no counterpart here: the opened program places its own window.
#include "ShellPlatform.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QUrl>

namespace {

constexpr qint64 FileNotFound = 2;
constexpr qint64 PathNotFound = 3;
constexpr qint64 InvalidExecutable = 11;
constexpr qint64 NoAssociation = 31;
constexpr qint64 HandedOver = 42;

// An address the shell would recognise as one: "www." names and text with a scheme. A
// one-letter scheme is a drive letter, not a scheme.
QUrl addressOf(const QString &file)
{
    if (file.startsWith(QLatin1String("www."), Qt::CaseInsensitive)) {
        return QUrl(QStringLiteral("http://") + file, QUrl::StrictMode);
    }
    const QUrl url(file, QUrl::StrictMode);
    if (url.isValid() && url.scheme().size() > 1) {
        return url;
    }
    return {};
}

class XdgShellPlatform final : public ShellPlatform
{
public:
    qint64 execute(qint32 /*owner*/, const QString &verb, const QString &file,
                   const QString &parameters, const QString &directory,
                   qint32 /*showMode*/) override
    {
        // "open" is the only verb with a desktop-wide meaning here; the empty verb is the
        // default action, which is the same thing.
        if (!verb.isEmpty() && verb.compare(QLatin1String("open"), Qt::CaseInsensitive) != 0) {
            return NoAssociation;
        }
        if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()) == nullptr) {
            return 0;
        }
        if (!directory.isEmpty() && !QFileInfo(directory).isDir()) {
            return PathNotFound;
        }

        const QUrl address = addressOf(file);
        if (address.isValid() && !address.isLocalFile()) {
            return QDesktopServices::openUrl(address) ? HandedOver : NoAssociation;
        }

        const QString path = address.isLocalFile()
                                 ? address.toLocalFile()
                                 : QDir(directory.isEmpty() ? QDir::currentPath() : directory)
                                       .absoluteFilePath(file);
        const QFileInfo info(path);
        if (file.isEmpty() || !info.exists()) {
            return info.absoluteDir().exists() ? FileNotFound : PathNotFound;
        }
        // Programs are started rather than shown in a viewer: that is what the parameters and
        // the working directory are for.
        if (info.isFile() && info.isExecutable()) {
            return QProcess::startDetached(path, QProcess::splitCommand(parameters), directory)
                       ? HandedOver
                       : InvalidExecutable;
        }
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path)) ? HandedOver : NoAssociation;
    }
};

} // namespace

ShellPlatform &systemShellPlatform()
{
    static XdgShellPlatform platform;
    return platform;
}
