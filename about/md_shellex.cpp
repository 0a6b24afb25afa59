#include "md_shellex.h"

#include "ShellPlatform.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

// Base of the error numbers that carry the shell's own code; 32-bit like every error number.
constexpr qint32 ShellErrorBase = -2147220456;

struct ShellFailure
{
    qint32 number;
    const char *description;
};

ShellFailure failureFor(qint32 code)
{
    switch (code) {
    case 0:
    case 8:
        return {7, "Out of memory"};
    case 2:
        return {53, "File not found"};
    case 3:
        return {76, "Path not found"};
    case 5:
        return {75, "Path/file access error"};
    case 11:
        return {ShellErrorBase + code, "The executable file is invalid or corrupt"};
    case 26:
        return {75, "A sharing violation occurred."};
    case 27:
        return {ShellErrorBase + code, "This file type does not have a valid file association."};
    case 28:
        return {286, "The file could not be opened due to time out.  Please try again in a "
                     "moment."};
    case 29:
        return {285, "The file could not be opened because the DDE transaction failed.  Please "
                     "try again in a moment."};
    case 30:
        return {285, "The file could not be opened because the target application is busy.  "
                     "Please try again in a moment."};
    case 31:
        return {ShellErrorBase + code, "No application is associated with this file type."};
    case 32:
        return {48, "The specified dynamic-link library was not found."};
    default:
        // The wording, doubled "occurred" included, is what users and their logs already know.
        return {ShellErrorBase + code,
                "An error occurred occurred whilst trying to open or print the selected file."};
    }
}

// The executable's name without extension, as the error source is always named.
QString errorSource()
{
    QString name = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    if (name.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive)) {
        name.chop(4);
    }
    return name + QLatin1String(".GShell");
}

qint64 askShell(qint32 owner, const QString &verb, const QString &file, const QString &parameters,
                const QString &directory, qint32 showMode)
{
    try {
        return currentShellPlatform().execute(owner, verb, file, parameters, directory, showMode);
    } catch (...) {
        return 0; // the request could not be made at all
    }
}

} // namespace

ShellResult ShellOpen(const QString &file, qint32 showMode, const QString &parameters,
                      const QString &directory, const QString &verb, qint32 ownerWindow)
{
    // Programs named in the call are started without a window of their own.
    if (file.toUpper().contains(QLatin1String(".EXE"))) {
        showMode = ShowHidden;
    }

    const qint64 code = parameters.isEmpty() && directory.isEmpty()
                            ? askShell(ownerWindow, verb, file, QString(), QString(), ShowNormal)
                            : askShell(ownerWindow, verb, file, parameters, directory, showMode);

    if (code < 0 || code > 32) {
        return {};
    }
    const ShellFailure failure = failureFor(static_cast<qint32>(code));
    return {false, failure.number, QString::fromLatin1(failure.description), errorSource()};
}
