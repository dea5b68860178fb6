// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

#include "SingleInstance.h"

namespace {
// One lock file per user session in XDG_RUNTIME_DIR. QLockFile records the owner's
// process id, so a lock left by a crashed copy does not block the next start.
class LockFileInstance final : public SingleInstance {
public:
    LockFileInstance() : lock_(LockPath()) { lock_.setStaleLockTime(0); }

    bool AnotherCopyRuns() override {
        if (checked_) return !held_;
        checked_ = true;
        held_ = lock_.tryLock(0);
        return !held_;
    }

private:
    static QString LockPath() {
        QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (dir.isEmpty()) dir = QDir::tempPath();
        return dir + QStringLiteral("/voltara.lock");
    }
    QLockFile lock_;
    bool checked_ = false;
    bool held_ = false;
};
}  // namespace

std::unique_ptr<SingleInstance> MakeSingleInstance() { return std::make_unique<LockFileInstance>(); }
