// The Windows shell layer. ShellExecuteA already answers in the numbering ShellOpen expects.
#include "ShellPlatform.h"

#include <QByteArray>

#include <cstdint>
#include <windows.h>

#include <shellapi.h>

namespace {

// Empty text means "not given" to the shell, which wants a null pointer for that.
const char *optionalText(const QByteArray &text)
{
    return text.isEmpty() ? nullptr : text.constData();
}

class Win32ShellPlatform final : public ShellPlatform
{
public:
    qint64 execute(qint32 owner, const QString &verb, const QString &file,
                   const QString &parameters, const QString &directory, qint32 showMode) override
    {
        // The A entry point takes text in the ANSI code page, as the program always has.
        const QByteArray verbText = verb.toLocal8Bit();
        const QByteArray fileText = file.toLocal8Bit();
        const QByteArray parameterText = parameters.toLocal8Bit();
        const QByteArray directoryText = directory.toLocal8Bit();
        const HINSTANCE result =
            ShellExecuteA(reinterpret_cast<HWND>(static_cast<std::intptr_t>(owner)),
                          optionalText(verbText), fileText.constData(), optionalText(parameterText),
                          optionalText(directoryText), showMode);
        return static_cast<qint64>(reinterpret_cast<std::intptr_t>(result));
    }
};

} // namespace

ShellPlatform &systemShellPlatform()
{
    static Win32ShellPlatform platform;
    return platform;
}
