#include "ShellPlatform.h"

namespace {
// The program has one GUI thread; the layer is swapped only by tests, between calls.
ShellPlatform *installedPlatform = nullptr;
} // namespace

ShellPlatform &currentShellPlatform()
{
    return installedPlatform != nullptr ? *installedPlatform : systemShellPlatform();
}

void setShellPlatform(ShellPlatform *platform)
{
    installedPlatform = platform;
}
