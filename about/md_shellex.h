#pragma once

#include <QString>
#include <QtGlobal>

// Show modes the program passes to the shell.
enum ShellShowMode : qint32 {
    ShowHidden = 0,
    ShowNormal = 1,
    ShowDefault = 10, // whatever the opened application prefers
};

// Outcome of ShellOpen. On failure number, description and source describe the error the way
// the program's error reports do; on success they are empty.
struct ShellResult
{
    bool ok = true;
    qint32 number = 0;
    QString description;
    QString source;
};

// Performs verb (e.g. "open") on a file or web address through the current shell layer.
// Any file whose name contains ".EXE" is started hidden when parameters or a directory are
// given; with neither, the file is always opened in a normal window.
ShellResult ShellOpen(const QString &file, qint32 showMode, const QString &parameters,
                      const QString &directory, const QString &verb, qint32 ownerWindow);
