// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/WinSingleInstance.h"

#include <windows.h>

NamedMutexInstance::~NamedMutexInstance() {
    if (mutex_) CloseHandle(mutex_);
}

bool NamedMutexInstance::AnotherCopyRuns() {
    if (checked_) return another_;
    checked_ = true;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name_.c_str());
    const DWORD error = GetLastError();
    if (!mutex) {
        // A mutex of that name that may not be opened belongs to a copy running with other
        // rights; any other failure leaves no guard, which must not stop the program.
        another_ = error == ERROR_ACCESS_DENIED;
        return another_;
    }
    another_ = error == ERROR_ALREADY_EXISTS;
    if (another_)
        CloseHandle(mutex);
    else
        mutex_ = mutex;
    return another_;
}

std::unique_ptr<SingleInstance> MakeSingleInstance() {
    return std::make_unique<NamedMutexInstance>("Local\\Quillfen.Voltara");
}
