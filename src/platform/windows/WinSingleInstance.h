// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

#include "SingleInstance.h"

// A named mutex in the session's namespace: the first copy creates it and holds it for
// as long as it lives; Windows drops it with the last handle, also after a crash.
class NamedMutexInstance final : public SingleInstance {
public:
    explicit NamedMutexInstance(std::string name) : name_(std::move(name)) {}
    ~NamedMutexInstance() override;
    NamedMutexInstance(const NamedMutexInstance&) = delete;
    NamedMutexInstance& operator=(const NamedMutexInstance&) = delete;

    bool AnotherCopyRuns() override;

private:
    std::string name_;
    void* mutex_ = nullptr;  // HANDLE
    bool checked_ = false;
    bool another_ = false;
};
