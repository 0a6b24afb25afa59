#pragma once

#include "ShellPlatform.h"

#include <QList>
#include <QString>

#include <stdexcept>

// Stands in for the desktop shell while it lives: records each request and answers with a
// chosen result, or fails to be reached at all.
class FakeShellPlatform final : public ShellPlatform
{
public:
    struct Call
    {
        qint32 owner;
        QString verb;
        QString file;
        QString parameters;
        QString directory;
        qint32 showMode;
    };

    FakeShellPlatform() { setShellPlatform(this); }
    ~FakeShellPlatform() override { setShellPlatform(nullptr); }
    FakeShellPlatform(const FakeShellPlatform &) = delete;
    FakeShellPlatform &operator=(const FakeShellPlatform &) = delete;

    qint64 execute(qint32 owner, const QString &verb, const QString &file,
                   const QString &parameters, const QString &directory, qint32 showMode) override
    {
        calls.append({owner, verb, file, parameters, directory, showMode});
        if (unreachable) {
            throw std::runtime_error("shell not reachable");
        }
        return result;
    }

    qint64 result = 42;
    bool unreachable = false;
    QList<Call> calls;
};
