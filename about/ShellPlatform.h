#pragma once

#include <QString>
#include <QtGlobal>

// The one place where the program asks the desktop shell to act on a file or web address.
// ShellOpen goes through the current layer, so tests install a fake one instead of
// launching a browser.
class ShellPlatform
{
public:
    virtual ~ShellPlatform() = default;

    // Performs verb on file and returns the shell's result: 0 to 32 are failure codes in the
    // Windows shell's numbering, every other value means the request was carried out.
    // May throw when the request cannot be made at all; ShellOpen treats that as code 0.
    virtual qint64 execute(qint32 owner, const QString &verb, const QString &file,
                           const QString &parameters, const QString &directory,
                           qint32 showMode) = 0;
};

// The layer of the desktop the program runs on.
ShellPlatform &systemShellPlatform();

// The layer ShellOpen uses now: the system's unless another one is installed.
ShellPlatform &currentShellPlatform();

// Installs platform (not owned; it must outlive its use) as the current layer;
// nullptr goes back to the system's layer.
void setShellPlatform(ShellPlatform *platform);
