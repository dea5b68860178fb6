// SPDX-License-Identifier: GPL-3.0-or-later
#include "ParentConsole.h"

#include <windows.h>

#include <cstdio>

namespace {
// A stream the parent redirected to a file or a pipe is already connected; a console handle
// a GUI program may inherit is not usable until it attaches to that console.
bool HandedOver(DWORD stream) {
    const DWORD type = GetFileType(GetStdHandle(stream));
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}
}  // namespace

void UseParentConsole() {
    const bool output = HandedOver(STD_OUTPUT_HANDLE), error = HandedOver(STD_ERROR_HANDLE);
    if ((output && error) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (!output && !std::freopen("CONOUT$", "w", stdout)) return;
    if (!error) std::freopen("CONOUT$", "w", stderr);
}
